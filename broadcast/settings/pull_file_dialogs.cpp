#include "broadcast/settings/pull_file_dialogs.h"

#include "broadcast/settings/settings_strings.h"
#include "platform/strings/string_table.h"
#include "platform/ui/messages.h"

namespace broadcast {

using namespace platform::ui;

namespace {
constexpr int pull_list = 1109;
constexpr int modify_button = 1113;
constexpr int name_text = 1194;
constexpr int type_text = 1195;
constexpr int yes_radio = 1155;
constexpr int no_radio = 1156;
constexpr std::size_t shown_characters = 35;
}

std::string shortened_pull_name(const std::string& name)
{
    // Counted in characters: UTF-8 continuation bytes belong to the character before them.
    std::size_t characters = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if ((static_cast<unsigned char>(name[i]) & 0xC0) == 0x80)
            continue;
        if (characters++ == shown_characters)
            return name.substr(0, i) + "...";
    }
    return name;
}

CAllPullFilesDlg::CAllPullFilesDlg(const DialogTemplates& dialogs, UiHost& host, quorbis_broadcast& job,
    bool all_need_password)
    : Dialog(dialogs.get(template_id), host)
    , selected_row(job.pull_files().empty() ? -1 : 0)
    , dialogs_(dialogs)
    , job_(job)
    , all_need_password_(all_need_password)
{
}

bool CAllPullFilesDlg::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    EnableItem(modify_button, !all_need_password_);
    auto& list = item(pull_list);
    list.rows.resize(job_.pull_files().size());
    for (std::size_t i = 0; i < list.rows.size(); ++i)
        list.rows[i] = i;
    list.cell_text = [this](std::size_t index, std::size_t column) { return cell_text(index, column); };
    return true;
}

std::string CAllPullFilesDlg::cell_text(std::size_t index, std::size_t column)
{
    const auto& record = job_.pull_files()[index];
    const auto& strings = host().strings();
    switch (column) {
    case 0:
        return record.path;
    case 1:
        return strings.text(record.password_needed || all_need_password_ ? IDS_PULL_YES : IDS_PULL_NO);
    case 2:
        return strings.text(record.autopull ? IDS_PULL_PICTURE : IDS_PULL_GENERAL);
    default:
        return {};
    }
}

void CAllPullFilesDlg::OnCommand(int control, int code)
{
    if (control == pull_list && code == NM_CLICK) {
        const auto& selected = selected_items(pull_list);
        selected_row = selected.empty() ? -1 : selected.back();
        return;
    }
    if (control == modify_button && code == BN_CLICKED) {
        OnModify();
        return;
    }
    Dialog::OnCommand(control, code);
}

void CAllPullFilesDlg::OnModify()
{
    const int rows = static_cast<int>(item(pull_list).rows.size());
    if (selected_row >= rows)
        selected_row = rows - 1;
    if (selected_row < 0)
        return;
    const auto index = static_cast<std::size_t>(selected_row);
    set_selected_items(pull_list, {});
    CPullFilePropsDlg properties(
        dialogs_, host(), cell_text(index, 0), cell_text(index, 2), job_.pull_files()[index].password_needed);
    if (properties.DoModal() != IDOK)
        return;
    job_.set_pull_password_needed(index, properties.password_needed);
}

CPullFilePropsDlg::CPullFilePropsDlg(const DialogTemplates& dialogs, UiHost& host, std::string name,
    std::string type, int needed)
    : Dialog(dialogs.get(template_id), host)
    , pull_name(std::move(name))
    , pull_type(std::move(type))
    , password_needed(needed)
{
}

bool CPullFilePropsDlg::OnInitDialog()
{
    SetDlgItemText(name_text, shortened_pull_name(pull_name));
    SetDlgItemText(type_text, pull_type);
    return Dialog::OnInitDialog();
}

void CPullFilePropsDlg::DoDataExchange(DataExchange& exchange)
{
    if (exchange.saving()) {
        password_needed = IsDlgButtonChecked(yes_radio) ? 1 : 0;
    } else {
        CheckDlgButton(yes_radio, password_needed != 0);
        CheckDlgButton(no_radio, password_needed == 0);
    }
}

}
