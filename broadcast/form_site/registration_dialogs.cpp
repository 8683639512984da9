#include "broadcast/form_site/registration_dialogs.h"

#include "platform/prompts/message_box.h"
#include "platform/strings/string_table.h"
#include "platform/ui/messages.h"
#include "platform/ui/stock_icons.h"
#include "platform/ui/ui_host.h"

namespace broadcast {

namespace {

constexpr unsigned IDS_REREGISTER_FORM = 139;
constexpr unsigned IDS_PURGE_WARNING = 140;
constexpr unsigned IDS_NOT_REGISTERED = 152;
constexpr unsigned IDS_REGISTRATION_ERRORS = 20047;
constexpr unsigned IDS_REGISTRATION_WARNINGS = 20048;
constexpr unsigned AFX_IDS_APP_TITLE = 57344;

// The string's first "%s" replaced by the value.
std::string filled(std::string format, const std::string& value)
{
    if (auto at = format.find("%s"); at != std::string::npos)
        format.replace(at, 2, value);
    return format;
}

}

CFormBroadcastWarnDlg::CFormBroadcastWarnDlg(const platform::ui::DialogTemplate& dialog_template,
    platform::ui::UiHost& host)
    : Dialog(dialog_template, host)
{
}

bool CFormBroadcastWarnDlg::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    item(IDC_ICON).image = platform::ui::stock_icon_exclamation;
    SetDlgItemText(IDC_PROMPT, host().strings().text(IDS_NOT_REGISTERED));
    SetWindowText(host().strings().text(AFX_IDS_APP_TITLE));
    return true;
}

void CFormBroadcastWarnDlg::OnCommand(int control, int code)
{
    if (control == IDC_REGISTER && code == platform::ui::BN_CLICKED) {
        EndDialog(platform::prompts::IDNO);
        return;
    }
    Dialog::OnCommand(control, code);
}

CBroadcastOption::CBroadcastOption(const platform::ui::DialogTemplate& dialog_template, std::string name,
    platform::ui::UiHost& host)
    : Dialog(dialog_template, host), form_name(std::move(name))
{
}

bool CBroadcastOption::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    if (!form_name.empty())
        SetDlgItemText(IDC_REGISTER, filled(host().strings().text(IDS_REREGISTER_FORM), form_name));
    return true;
}

void CBroadcastOption::DoDataExchange(platform::ui::DataExchange& exchange)
{
    if (exchange.saving()) {
        choice = IsDlgButtonChecked(IDC_REGISTER) ? 1 : 0;
    } else {
        CheckDlgButton(IDC_REGISTER, choice == 1);
        CheckDlgButton(IDC_BROADCAST, choice != 1);
    }
}

void CBroadcastOption::OnOK()
{
    if (!UpdateData(true))
        return;
    if (choice == 1 && !form_name.empty()) {
        auto answer = host().message_box(IDS_PURGE_WARNING,
            platform::prompts::MB_OKCANCEL | platform::prompts::MB_ICONEXCLAMATION);
        if (answer != platform::prompts::IDOK)
            return;
    }
    EndDialog(platform::prompts::IDOK);
}

void CBroadcastOption::OnCommand(int control, int code)
{
    if (control == IDC_HELP_BUTTON && code == platform::ui::BN_CLICKED) {
        host().help_key(help_keyword);
        return;
    }
    Dialog::OnCommand(control, code);
}

void CBroadcastOption::OnHelp(int)
{
    host().help_key(help_keyword);
}

CRegistrationErrorDlg::CRegistrationErrorDlg(const platform::ui::DialogTemplate& dialog_template, std::string text,
    int message_kind, platform::ui::UiHost& host)
    : Dialog(dialog_template, host), message(std::move(text)), kind(message_kind)
{
}

bool CRegistrationErrorDlg::OnInitDialog()
{
    // The heading is set before the base exchanges it into its control.
    if (kind == 0)
        heading = host().strings().text(IDS_REGISTRATION_ERRORS);
    else if (kind == 1)
        heading = host().strings().text(IDS_REGISTRATION_WARNINGS);
    if (!Dialog::OnInitDialog())
        return false;
    if (kind == 0) {
        item(IDC_ICON).image = platform::ui::stock_icon_stop;
        SetWindowText("Form registration was unsuccessful");
    } else if (kind == 1) {
        item(IDC_ICON).image = platform::ui::stock_icon_exclamation;
        SetWindowText("Form registration was successful");
    }
    return true;
}

void CRegistrationErrorDlg::DoDataExchange(platform::ui::DataExchange& exchange)
{
    exchange.text(IDC_MESSAGE, message);
    exchange.text(IDC_HEADING, heading);
}

void CRegistrationErrorDlg::OnCommand(int control, int code)
{
    if (code == platform::ui::BN_CLICKED && (control == platform::prompts::IDYES || control == platform::prompts::IDNO)) {
        EndDialog(control);
        return;
    }
    Dialog::OnCommand(control, code);
}

}
