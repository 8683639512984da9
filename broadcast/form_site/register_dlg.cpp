#include "broadcast/form_site/register_dlg.h"

#include "platform/strings/string_table.h"
#include "platform/ui/messages.h"
#include "platform/ui/stock_icons.h"

namespace broadcast {

namespace {

constexpr unsigned IDS_FORM_NAME_ALPHANUMERIC = 138;
constexpr unsigned IDS_FORM_NAME_WARNING = 151;
constexpr unsigned AFX_IDS_APP_TITLE = 57344;

}

bool is_valid_form_name(const std::string& name)
{
    if (name.empty())
        return false;
    for (unsigned char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

CRegisterDlg::CRegisterDlg(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host)
    : Dialog(dialog_template, host)
{
}

bool CRegisterDlg::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    EnableItem(platform::ui::IDOK, !form_name.empty());
    return true;
}

void CRegisterDlg::DoDataExchange(platform::ui::DataExchange& exchange)
{
    exchange.text(IDC_FORM_NAME, form_name);
}

void CRegisterDlg::OnOK()
{
    if (!UpdateData(true))
        return;
    if (!is_valid_form_name(form_name)) {
        host().message_box(IDS_FORM_NAME_ALPHANUMERIC, platform::ui::MB_OK | platform::ui::MB_ICONSTOP);
        GotoDlgCtrl(IDC_FORM_NAME);
        return;
    }
    EndDialog(platform::ui::IDOK);
}

void CRegisterDlg::OnCommand(int control, int code)
{
    if (control == IDC_FORM_NAME && code == platform::ui::EN_CHANGE) {
        EnableItem(platform::ui::IDOK, !GetDlgItemText(IDC_FORM_NAME).empty());
        return;
    }
    if (control == IDC_HELP_BUTTON) {
        host().help(help_topic);
        return;
    }
    Dialog::OnCommand(control, code);
}

CFormNameWarnDlg::CFormNameWarnDlg(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host)
    : Dialog(dialog_template, host)
{
}

bool CFormNameWarnDlg::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    item(IDC_ICON).image = platform::ui::stock_icon_exclamation;
    SetDlgItemText(IDC_PROMPT, host().strings().text(IDS_FORM_NAME_WARNING));
    SetWindowText(host().strings().text(AFX_IDS_APP_TITLE));
    return true;
}

}
