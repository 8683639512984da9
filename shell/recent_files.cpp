#include "shell/recent_files.h"

#include <filesystem>

namespace shell {

std::string recent_menu_text(int start, int position, const std::string& name)
{
    std::string text = "&" + std::to_string(((start + position + 1) % 10 + 10) % 10) + " ";
    text.reserve(text.size() + name.size() + 8);
    // "&" never occurs inside a multibyte UTF-8 character, so each byte can be looked at alone.
    for (char c : name) {
        if (c == '&')
            text += '&';
        text += c;
    }
    return text;
}

CRecentFileListEx::CRecentFileListEx()
    : RecentFileList(ID_FILE_MRU_FILE1, "Recent Files Ex", "File%d", recent_file_count, 30)
{
}

void CRecentFileListEx::UpdateMenu(platform::ui::CmdUI& ui)
{
    if (show_empty(ui))
        return;
    std::vector<std::string> texts;
    for (int i = 0; i < size(); ++i) {
        const auto& entry = (*this)[i];
        if (entry.empty())
            break;
        texts.push_back(recent_menu_text(0, i, entry));
    }
    insert_items(ui, texts);
}

std::string recent_file_to_open(const std::string& entry)
{
    if (std::filesystem::path(entry).extension().empty())
        return entry + ".htm";
    return entry;
}

}
