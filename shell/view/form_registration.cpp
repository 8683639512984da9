#include "shell/view/form_registration.h"

#include "broadcast/form_site/registration_dialogs.h"
#include "conversion/form_wrapper/form_settings.h"
#include "core/log/trace_log.h"
#include "shell/app_context.h"
#include "shell/documents/talverin_doc.h"
#include "shell/view/registration_reply.h"

#include <optional>

namespace shell {

namespace {

constexpr unsigned IDS_PASSWORD_REJECTED = 20045;
constexpr unsigned IDS_REGISTER_AGAIN = 1127;

// One attempt gives register_form's result, or nothing when the user tries again.
using attempt_result = std::optional<int>;

int ask_broadcast_now(const std::string& text, unsigned icon, platform::ui::UiHost& ui)
{
    const int answer = ui.message_box(text, platform::ui::MB_YESNO | icon);
    return answer == platform::ui::IDYES ? registered_broadcast_now : registered_broadcast_later;
}

attempt_result again_if_yes(int answer)
{
    return answer == platform::ui::IDYES ? std::nullopt : attempt_result(registration_abandoned);
}

std::string with_register_again(const std::string& text, const platform::strings::string_table& strings)
{
    return text + "\r\n\r\n" + strings.text(IDS_REGISTER_AGAIN);
}

std::string without_trailing_space(std::string text)
{
    const auto end = text.find_last_not_of(" \t\r\n\f\v");
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

attempt_result register_through_conversation(const std::string& body, AppContext& context, FormSite& site)
{
    auto& ui = context.services.ui;
    const auto& config = context.current_config;
    std::string message;
    std::int32_t status = 0;
    try {
        status = site.register_form_with_service(body, config.GetLogin(), config.GetPassword(), message);
    } catch (const std::runtime_error& error) {
        TRACE_LOG("CTalverinView::register_form() -- %s\n", error.what());
        message = error.what();
    }
    if (status == 2)
        return ask_broadcast_now(ui.strings().text(IDS_REGISTERED_BROADCAST_NOW), 0, ui);
    if (status == -1) {
        ui.message_box(IDS_PASSWORD_REJECTED, platform::ui::MB_OK | platform::ui::MB_ICONSTOP);
        return registration_abandoned;
    }
    broadcast::CRegistrationErrorDlg outcome(context.services.dialogs.get(broadcast::CRegistrationErrorDlg::IDD),
        with_register_again(without_trailing_space(message), ui.strings()), status, ui);
    return again_if_yes(outcome.DoModal());
}

attempt_result register_through_validator(const std::string& body, AppContext& context, FormSite& site)
{
    auto& ui = context.services.ui;
    std::string reply;
    try {
        reply = site.post_to_validator(body);
    } catch (const std::runtime_error& error) {
        TRACE_LOG("CTalverinView::register_form() -- %s\n", error.what());
        return registration_abandoned; // the post has shown its error
    }
    const auto read = read_registration_reply(reply, ui.strings());
    if (read.code == 0)
        return ask_broadcast_now(read.text, platform::ui::MB_ICONINFORMATION, ui);
    return again_if_yes(ui.message_box(with_register_again(read.text, ui.strings()), platform::ui::MB_YESNO));
}

}

int register_form(CTalverinDoc& document, AppContext& context, FormSite& site)
{
    const auto body = document.GetMessagePartPath(0);
    platform::ui::WaitCursor wait(context.services.ui);
    for (;;) {
        // Read at every attempt: the mode may be switched while the user retries.
        const conversion::form_settings settings {context.services.profile, context.defaults.gateway_host};
        const auto result = conversion::is_form_registration_mode(settings)
            ? register_through_conversation(body, context, site)
            : register_through_validator(body, context, site);
        if (result)
            return *result;
    }
}

}
