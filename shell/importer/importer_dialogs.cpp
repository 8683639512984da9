#include "shell/importer/importer_dialogs.h"

#include "platform/prompts/message_box.h"
#include "platform/ui/messages.h"
#include "platform/strings/string_table.h"
#include "platform/ui/stock_icons.h"

namespace shell {

using namespace platform::prompts;

namespace {
constexpr unsigned AFX_IDS_APP_TITLE = 57344; // the application title
}

void start_prompt_dialog(platform::ui::Dialog& dialog, int icon, const std::string& prompt, const std::string& caption)
{
    dialog.item(CCustomFormImportDlg::IDC_ICON).image = icon;
    dialog.SetDlgItemText(CCustomFormImportDlg::IDC_PROMPT, prompt);
    dialog.SetWindowText(caption);
}

CCustomFormImportDlg::CCustomFormImportDlg(const platform::ui::DialogTemplate& dialog_template,
    platform::ui::UiHost& host)
    : Dialog(dialog_template, host)
{
}

bool CCustomFormImportDlg::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    start_prompt_dialog(*this, platform::ui::stock_icon_information, host().strings().text(IDS_FORM_ELEMENTS_FOUND),
        host().strings().text(AFX_IDS_APP_TITLE));
    return true;
}

void CCustomFormImportDlg::OnCommand(int control, int code)
{
    if (control == IDC_MODIFY || control == IDC_IGNORE) {
        EndDialog(control);
        return;
    }
    Dialog::OnCommand(control, code);
}

CMissingResourceMBox::CMissingResourceMBox(const platform::ui::DialogTemplate& dialog_template,
    platform::ui::UiHost& host, std::string missing_name)
    : Dialog(dialog_template, host), resource_name(std::move(missing_name))
{
}

bool CMissingResourceMBox::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    if (!resource_name.empty())
        SetWindowText("Missing file: " + resource_name);
    follow_check();
    edited = 0;
    return true;
}

void CMissingResourceMBox::DoDataExchange(platform::ui::DataExchange& exchange)
{
    exchange.check(IDC_HOSTED_OUTSIDE, hosted_outside);
    exchange.text(IDC_NAME, resource_name);
}

void CMissingResourceMBox::follow_check()
{
    const bool checked = IsDlgButtonChecked(IDC_HOSTED_OUTSIDE);
    SetReadOnly(IDC_NAME, !checked);
    EnableItem(IDC_YES_TO_ALL, checked);
}

void CMissingResourceMBox::OnCommand(int control, int code)
{
    switch (control) {
    case IDC_HOSTED_OUTSIDE:
        follow_check();
        return;
    case IDC_NAME:
        if (code == platform::ui::EN_CHANGE)
            edited = 1;
        return;
    case IDC_NO:
        EndDialog(IDC_NO);
        return;
    case IDC_YES_TO_ALL:
        if (UpdateData(true))
            EndDialog(IDC_YES_TO_ALL);
        return;
    case IDC_NO_TO_ALL:
        OnCancel();
        return;
    default:
        Dialog::OnCommand(control, code);
    }
}

void CMissingResourceMBox::OnCancel()
{
    if (host().message_box(IDS_IGNORE_ALL_MISSING, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES)
        EndDialog(IDC_NO_TO_ALL);
}

}
