#pragma once

#include "broadcast/form_site/driller/http_driller.h"
#include "broadcast/form_site/registration_conversation.h"
#include "core/tasks/durable_operation.h"

#include <functional>
#include <string>

namespace broadcast::form_site {

// What a registration needs from its surroundings.
struct form_site_services {
    const platform::library::library_table& libraries;
    platform::random::random_source& random;
    std::string temp_folder;
    // The form site's address (string 141 with the gateway host: default_forms_server).
    std::string forms_server;
    // Status texts for the main window's status bar; may be empty.
    std::function<void(const std::string&)> status_text;
    // An information message box (caption, text); may be empty.
    std::function<void(const std::string&, const std::string&)> message_box;
    // The log stream of the call scopes; null: the program's.
    core::log_stream_provider* log = nullptr;
};

// String 141 filled with the deployment's gateway host.
std::string default_forms_server(const std::string& gateway_host);

// The driller of the form registration: user agent "Veltrane Wizard"; a failed send throws
// hevtools::win32api_error; progress goes to the current durable operation.
class service_binding : public http_winapi_driller {
public:
    service_binding(wininet_operations& wininet, hevtools::durable_operation_manager& manager,
        const form_site_services& services, core::log_stream_provider& log);

    // Throws hevtools::win32api_error with the text and the layer's last error, or with
    // string 134 when there is no text.
    void handle_error(std::uint32_t code, const std::string& text) override;
    int show_message(const std::string& caption, const std::string& text) override;
    bool progress(int phase, progress_source& source) override;

    hevtools::durable_operation_manager& manager() { return manager_; }
    void set_current_operation(hevtools::operation_ref operation) { operation_ = std::move(operation); }

private:
    hevtools::durable_operation_manager& manager_;
    const form_site_services& services_;
    hevtools::operation_ref operation_;
};

// The client of the registration conversation: open the site, log in, open the registration
// screen, submit the form, read the outcome.
class form_registrator : public http_driller_client {
public:
    form_registrator(registration_login login, std::string form_text, std::string forms_server,
        std::function<void(const std::string&)> status_text);

    std::unique_ptr<http_driller_request_action> next_action(http_driller& driller,
        const http_driller_request_result* previous) override;
    void write_to(core::trace_scope& scope) const override;

    std::int32_t result_code() const { return result_code_; }
    const std::string& message() const { return message_; }

private:
    std::int32_t result_code_ = registration_refused;
    std::string message_;
    registration_login login_;
    std::string form_text_;
    std::string forms_server_;
    std::function<void(const std::string&)> status_text_;
    conversation_state state_ = conversation_state::none;
};

// Registers the form text with the form site under the account; the message of the outcome
// goes to `message`. Returns -1 (login failed), 0 (refused or failed), 1 (warning) or 2.
// Throws wininet_dll_failure when the internet binding is missing and
// hevtools::win32api_error when a request cannot be sent.
std::int32_t register_form_with_service(const form_site_services& services, const registration_login& login,
    const std::string& form_text, hevtools::durable_operation_manager& manager, std::string& message);

}
