#pragma once

#include "platform/ui/recent_file_list.h"

#include <string>

namespace shell {

inline constexpr int ID_FILE_MRU_FILE1 = 2000;
inline constexpr int recent_file_count = 4;

// The menu text of a recent entry: "&<n> " with n = (start + position + 1) modulo 10,
// then the whole stored name with every "&" doubled so that it shows once.
std::string recent_menu_text(int start, int position, const std::string& name);

// The program's recent-file list: whole names in the menu, not shortened or made relative.
class CRecentFileListEx final : public platform::ui::RecentFileList {
public:
    CRecentFileListEx();
    void UpdateMenu(platform::ui::CmdUI& ui) override;
};

// The file an entry opens: the name with ".htm" appended when it has no extension.
std::string recent_file_to_open(const std::string& entry);

}
