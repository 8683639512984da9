#include "broadcast/form_site/form_registrator.h"

#include "core/errors/errors.h"
#include "core/log/trace_log.h"
#include "core/util/strings.h"
#include "platform/inet/last_error.h"

namespace broadcast::form_site {

namespace {

constexpr unsigned IDS_FORMS_SERVER = 141;
constexpr unsigned IDS_UNRECOGNIZED_ERROR = 134;
const char* const form_site_agent = "Veltrane Wizard";

core::log_stream_provider& log_of(const form_site_services& services)
{
    return services.log ? *services.log : core::singleton_initiator<core::log_stream_provider>::instance();
}

}

std::string default_forms_server(const std::string& gateway_host)
{
    return core::format_resource_cstring(IDS_FORMS_SERVER, gateway_host.c_str());
}

// --- binding

service_binding::service_binding(wininet_operations& wininet, hevtools::durable_operation_manager& manager,
    const form_site_services& services, core::log_stream_provider& log)
    : http_winapi_driller(wininet, {services.libraries, services.random, services.temp_folder}, form_site_agent, log),
      manager_(manager), services_(services)
{
}

void service_binding::handle_error(std::uint32_t, const std::string& text)
{
    auto code = static_cast<std::int32_t>(platform::inet::last_error());
    if (text.empty())
        throw hevtools::win32api_error(core::load_string_resource(IDS_UNRECOGNIZED_ERROR), code);
    throw hevtools::win32api_error(text, code);
}

int service_binding::show_message(const std::string& caption, const std::string& text)
{
    if (services_.message_box)
        services_.message_box(caption, text);
    else
        TRACE_LOG("%s: %s", caption.c_str(), text.c_str());
    return 0;
}

bool service_binding::progress(int, progress_source& source)
{
    if (!operation_)
        return true;
    return operation_->report_progress(static_cast<std::int32_t>(source.amount(true)));
}

// --- registrator

form_registrator::form_registrator(registration_login login, std::string form_text, std::string forms_server,
    std::function<void(const std::string&)> status_text)
    : login_(std::move(login)), form_text_(std::move(form_text)), forms_server_(std::move(forms_server)),
      status_text_(std::move(status_text))
{
}

void form_registrator::write_to(core::trace_scope& scope) const
{
    std::string text = "\nform_registrator {\n\tUser ID = " + login_.user_id + "\n\tPassword = *****\n\tServer  = "
        + forms_server_ + "\n}";
    scope.write_text(text.c_str());
}

std::unique_ptr<http_driller_request_action> form_registrator::next_action(http_driller& driller,
    const http_driller_request_result* previous)
{
    auto* binding = dynamic_cast<service_binding*>(&driller);
    if (!binding)
        return nullptr;
    std::string title;
    if (auto id = progress_title_id(state_); id != 0)
        title = core::format_resource_cstring(id, login_.user_id.c_str());
    auto operation = binding->manager().begin_step(0, title, nullptr);
    if (!operation || !operation->started()) {
        binding->set_current_operation(nullptr);
        return nullptr;
    }
    binding->set_current_operation(operation);

    std::optional<previous_reply> reply;
    if (previous)
        reply = previous_reply {static_cast<std::int32_t>(previous->status_code), previous->page_text()};
    auto step = next_conversation_step(state_, reply, login_, form_text_, forms_server_);
    if (auto* end = std::get_if<conversation_end>(&step)) {
        result_code_ = end->code;
        message_ = end->message;
        return nullptr;
    }
    auto& request = std::get<conversation_request>(step);
    auto action = binding->make_action("request");
    action->set_target_url(request.url);
    action->set_method(request.post ? 1 : 0);
    action->add_header("Connection: Keep-Alive\r\n");
    if (previous)
        action->add_header(previous->cookies());
    action->add_form_data(request.form_data);
    if (status_text_ && !request.status_text.empty())
        status_text_(request.status_text);
    state_ = request.next;
    return action;
}

std::int32_t register_form_with_service(const form_site_services& services, const registration_login& login,
    const std::string& form_text, hevtools::durable_operation_manager& manager, std::string& message)
{
    sync_wininet_interface wininet(services.libraries);
    service_binding binding(wininet, manager, services, log_of(services));
    form_registrator registrator(login, form_text, services.forms_server, services.status_text);
    binding.run(registrator);
    message = registrator.message();
    return registrator.result_code();
}

}
