#include "shell/documents/importing_prompt_dlg.h"

#include "platform/ui/stock_icons.h"
#include "shell/importer/importer_dialogs.h"

namespace shell {

CImportingPromptDlg::CImportingPromptDlg(const platform::ui::DialogTemplate& dialog_template,
    platform::ui::UiHost& host, std::string caption, std::string prompt, bool can_send)
    : Dialog(dialog_template, host), caption_(std::move(caption)), prompt_(std::move(prompt)), can_send_(can_send)
{
}

bool CImportingPromptDlg::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    start_prompt_dialog(*this, platform::ui::stock_icon_question, prompt_, caption_);
    EnableItem(IDC_SEND, can_send_);
    return true;
}

void CImportingPromptDlg::OnCommand(int control, int code)
{
    if (control == platform::ui::IDYES || control == platform::ui::IDNO || control == IDC_SEND) {
        EndDialog(control);
        return;
    }
    Dialog::OnCommand(control, code);
}

}
