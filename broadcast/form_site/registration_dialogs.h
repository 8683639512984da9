#pragma once

#include "platform/ui/dialog.h"

#include <string>

namespace broadcast {

// "Form Broadcast Warning": the form was never registered. Continue Broadcast ends with
// IDOK, Register with IDNO.
class CFormBroadcastWarnDlg final : public platform::ui::Dialog {
public:
    static constexpr int IDD = 235;
    static constexpr int IDC_ICON = 1095;
    static constexpr int IDC_PROMPT = 34014;
    static constexpr int IDC_REGISTER = 7;

    CFormBroadcastWarnDlg(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host);
    bool OnInitDialog() override;
    void OnCommand(int control, int code) override;
};

// "Select Broadcast Option": broadcast (choice 0) or (re-)register the form (choice 1).
// Template 211 for a form never registered, 236 for one registered before.
class CBroadcastOption final : public platform::ui::Dialog {
public:
    static constexpr int IDD_REGISTER = 211;
    static constexpr int IDD_REREGISTER = 236;
    static constexpr int IDC_BROADCAST = 1114;
    static constexpr int IDC_REGISTER = 1115;
    static constexpr int IDC_HELP_BUTTON = 9;
    static constexpr const char* help_keyword = "Broadcast";

    CBroadcastOption(const platform::ui::DialogTemplate& dialog_template, std::string form_name,
        platform::ui::UiHost& host);

    int choice = 1;
    std::string form_name;

    bool OnInitDialog() override;
    void DoDataExchange(platform::ui::DataExchange& exchange) override;
    void OnOK() override;
    void OnCommand(int control, int code) override;
    void OnHelp(int control) override;
};

// "Form registration was unsuccessful" (kind 0, errors) or "... successful" (kind 1,
// warnings): the site's message and Yes or No.
class CRegistrationErrorDlg final : public platform::ui::Dialog {
public:
    static constexpr int IDD = 207;
    static constexpr int IDC_HEADING = 1093;
    static constexpr int IDC_MESSAGE = 1094;
    static constexpr int IDC_ICON = 1095;

    CRegistrationErrorDlg(const platform::ui::DialogTemplate& dialog_template, std::string message, int kind,
        platform::ui::UiHost& host);

    std::string message;
    std::string heading;
    int kind;

    bool OnInitDialog() override;
    void DoDataExchange(platform::ui::DataExchange& exchange) override;
    void OnCommand(int control, int code) override;
};

}
