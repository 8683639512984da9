#pragma once

#include "platform/ui/dialog.h"

#include <string>

namespace broadcast {

// "Form Name": the name a registration form is stored under. OK is enabled only while the
// name has text and ends the dialog only when every character is a letter or digit.
class CRegisterDlg final : public platform::ui::Dialog {
public:
    static constexpr int IDD = 208;
    static constexpr int IDC_FORM_NAME = 1096;
    static constexpr int IDC_HELP_BUTTON = 9;
    static constexpr int help_topic = 291;

    CRegisterDlg(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host);

    std::string form_name;

    bool OnInitDialog() override;
    void DoDataExchange(platform::ui::DataExchange& exchange) override;
    void OnOK() override;
    void OnCommand(int control, int code) override;
};

// "Form Name Warning": the name was registered before. Continue (IDOK) keeps it,
// Re-enter (IDCANCEL) returns to the name.
class CFormNameWarnDlg final : public platform::ui::Dialog {
public:
    static constexpr int IDD = 234;
    static constexpr int IDC_ICON = 1095;
    static constexpr int IDC_PROMPT = 34014;

    CFormNameWarnDlg(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host);
    bool OnInitDialog() override;
};

// Every character a letter or digit (ASCII), and at least one.
bool is_valid_form_name(const std::string& name);

}
