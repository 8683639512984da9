#include "broadcast/job/form_survey_greetings.h"

#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "core/markup/html_tag.h"
#include "core/util/strings.h"
#include "platform/ui/messages.h"

#include <string_view>

namespace broadcast {

namespace {

constexpr std::string_view forbidden_characters = "\\/:*?\"<>|";

}

bool FormSurveyGreetings::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    update_controls();
    return true;
}

void FormSurveyGreetings::DoDataExchange(platform::ui::DataExchange& exchange)
{
    exchange.radio(send_as_message, choice_);
    exchange.text(attachment_name, attachment_name_);
    exchange.max_chars(attachment_name_, 255);
}

void FormSurveyGreetings::update_controls()
{
    bool attachment = IsDlgButtonChecked(send_as_attachment);
    EnableItem(attachment_name, attachment);
    EnableItem(platform::ui::IDOK, !attachment || !GetDlgItemText(attachment_name).empty());
}

void FormSurveyGreetings::OnCommand(int control, int code)
{
    if (control == help_button && code == platform::ui::BN_CLICKED) {
        host().help(help_context());
        return;
    }
    if (control == send_as_message || control == send_as_attachment || control == send_as_pull_file
        || control == attachment_name)
        update_controls();
    Dialog::OnCommand(control, code);
}

void FormSurveyGreetings::OnOK()
{
    if (!UpdateData(true)) {
        TRACE_LOG("FormSurveyGreetings::OnOK() -- updateData failed during dialog termination.\n");
        return;
    }
    if (choice_ == 1) {
        if (attachment_name_.find_first_of(forbidden_characters) != std::string::npos) {
            host().message_box(core::format_resource_cstring(20011, std::string(forbidden_characters).c_str()),
                platform::ui::MB_OK | platform::ui::MB_ICONERROR);
            GotoDlgCtrl(attachment_name);
            return;
        }
        std::string name(core::trim_view(attachment_name_));
        if (name.empty()) {
            GotoDlgCtrl(attachment_name);
            return;
        }
        if (!core::ends_with_ignoring_case(name, ".htm") && !core::ends_with_ignoring_case(name, ".html"))
            name += ".htm";
        attachment_name_ = name;
    }
    EndDialog(platform::ui::IDOK);
}

}
