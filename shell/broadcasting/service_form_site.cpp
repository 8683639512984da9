#include "shell/broadcasting/service_form_site.h"

#include "broadcast/form_site/form_registrator.h"
#include "broadcast/form_site/wizard_validator.h"
#include "core/files/file_path.h"
#include "core/tasks/durable_operation.h"
#include "platform/files/regular_file.h"
#include "platform/inet/wininet_library.h"
#include "shell/app_context.h"

#include <stdexcept>

namespace shell {

namespace {

// More than any form page the editor writes; a larger file is not sent.
constexpr std::size_t max_form_page_bytes = 16 * 1024 * 1024;

}

ServiceFormSite::ServiceFormSite(AppContext& context, std::shared_ptr<platform::inet::internet> internet,
    platform::random::random_source& random)
    : context_(context), internet_(std::move(internet)), random_(random)
{
    platform::inet::wininet::register_wininet(libraries_, internet_);
}

std::int32_t ServiceFormSite::register_form_with_service(const std::string& body_path, const std::string& login,
    const std::string& password, std::string& message)
{
    auto page = platform::files::read_regular_file(body_path, max_form_page_bytes);
    if (page.result != platform::files::regular_file::outcome::read)
        throw std::runtime_error("The form page " + body_path + " cannot be read: "
            + (page.problem.empty() ? std::string("it is missing") : page.problem));
    auto& ui = context_.services.ui;
    const broadcast::form_site::form_site_services services {libraries_, random_, core::standard_folder_path(0),
        broadcast::form_site::default_forms_server(context_.defaults.gateway_host), {},
        [&ui](const std::string& caption, const std::string& text) {
            ui.message_box(text, platform::ui::MB_OK | platform::ui::MB_ICONINFORMATION, caption);
        }};
    hevtools::null_operation_manager progress;
    return broadcast::form_site::register_form_with_service(services, {login, password}, page.bytes, progress,
        message);
}

std::string ServiceFormSite::post_to_validator(const std::string& body_path)
{
    auto& ui = context_.services.ui;
    broadcast::form_site::validator_services services {internet_, random_, [&ui](const std::string& text) {
                                                           ui.message_box(text,
                                                               platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION);
                                                       }};
    return broadcast::form_site::wizard_validator::registerForm(std::move(services),
        broadcast::form_site::validation_address(context_.services.profile, context_.defaults.gateway_host),
        body_path);
}

}
