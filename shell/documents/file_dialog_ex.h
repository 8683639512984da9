#pragma once

#include "platform/ui/ui_host.h"

#include <optional>
#include <string>

namespace shell {

// Strings of the file dialogs.
inline constexpr unsigned IDS_FILE_NOT_FOUND = 33110;      // "%1\n File not found..."
inline constexpr unsigned IDS_REPLACE_IN_USE = 33111;      // replace, attachments in use
inline constexpr unsigned IDS_REPLACE_EXISTING = 33112;    // "%1 already exists..."
inline constexpr unsigned IDS_ALL_FILES_FILTER = 61442;    // "All Files (*.*)"

// The program's file dialog: an open or a save dialog whose confirmed name is checked before
// the dialog ends. An open dialog wants a file it can read; a save dialog over an existing
// message asks before replacing it, with a longer question when the message's attachments
// are in use elsewhere.
class CFileDialogEx {
public:
    // attachments_in_use: set when the user agrees to replace a message whose attachments
    // another program holds open; the dictionary's save reads and clears it.
    CFileDialogEx(bool open, platform::ui::UiHost& host, bool& attachments_in_use);

    platform::ui::OpenFileRequest& request() { return request_; }
    bool is_open_dialog() const { return open_; }

    std::optional<platform::ui::FileChoice> DoModal();

    // The name check; true keeps the dialog open.
    bool OnFileNameOK(const std::string& path);

private:
    bool open_;
    platform::ui::UiHost& host_;
    bool& attachments_in_use_;
    platform::ui::OpenFileRequest request_;
};

// The message companion folders of a file: <folder>/<title>_files/Pull_Files and Push_Files.
std::string companion_folder(const std::string& file_path, const char* inner);

// The program's open dialog for one kind of file: the title and the filter from the string
// table (the filter text's "\n" separate its fields), then all files. True when a file was
// chosen; it is then in `path`.
bool PromptOpenFileName(platform::ui::UiHost& host, std::string& path, unsigned title_id, int filter_index,
    const std::string& initial_folder, unsigned filter_id);

}
