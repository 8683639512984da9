#pragma once

#include "platform/ui/dialog.h"

#include <string>

namespace broadcast {

// "Quorbis Form Transmit Options": how a web form travels (0 as the message itself, 1 as
// an attachment of the name given, 2 as a pull file). On OK with an attachment, a name
// holding a character no file name may hold is refused (string 20011); the name is trimmed
// and ends in ".htm" unless it ends in ".htm" or ".html" already; a name of blanks only
// keeps the dialog open.
class FormSurveyGreetings final : public platform::ui::Dialog {
public:
    static constexpr int template_id = 238;
    static constexpr int send_as_message = 1144;
    static constexpr int send_as_attachment = 1145;
    static constexpr int send_as_pull_file = 1146;
    static constexpr int attachment_name = 1021;
    static constexpr int help_button = 9;

    FormSurveyGreetings(const platform::ui::DialogTemplates& templates, platform::ui::UiHost& host)
        : Dialog(templates.get(template_id), host)
    {
    }

    int choice_ = 2;
    std::string attachment_name_ = "form_attachment.htm";

    bool OnInitDialog() override;
    void DoDataExchange(platform::ui::DataExchange& exchange) override;
    void OnOK() override;
    void OnCommand(int control, int code) override;

private:
    // The name field only for an attachment, and OK only with a name for it.
    void update_controls();
};

}
