#include "broadcast/settings/remote_list_prompt.h"

#include "platform/ui/messages.h"

namespace broadcast {

using namespace platform::ui;

namespace {
constexpr int name_edit = 1021;

bool blank(const std::string& text)
{
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}
}

CRemoteListNamePrompt::CRemoteListNamePrompt(const DialogTemplates& dialogs, UiHost& host)
    : Dialog(dialogs.get(template_id), host)
{
}

bool CRemoteListNamePrompt::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    EnableItem(IDOK, !blank(GetDlgItemText(name_edit)));
    return true;
}

void CRemoteListNamePrompt::DoDataExchange(DataExchange& exchange)
{
    exchange.text(name_edit, list_name);
}

void CRemoteListNamePrompt::OnCommand(int control, int code)
{
    if (control == name_edit && code == EN_CHANGE && has_item(IDOK)) {
        EnableItem(IDOK, !blank(GetDlgItemText(name_edit)));
        return;
    }
    Dialog::OnCommand(control, code);
}

}
