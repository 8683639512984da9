#include "shell/documents/file_dialog_ex.h"

#include "core/files/file_path.h"
#include "core/util/folders.h"
#include "platform/strings/string_table.h"

#include <fcntl.h>
#include <unistd.h>

namespace shell {

namespace {

// The file opens for reading (a plain read open: nothing here locks files).
bool readable(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

}

std::string companion_folder(const std::string& file_path, const char* inner)
{
    core::file_path file(file_path);
    const auto folder = core::path_combine(file.parent_folder(), file.file_name(false) + "_files");
    return core::path_combine(folder, inner);
}

CFileDialogEx::CFileDialogEx(bool open, platform::ui::UiHost& host, bool& attachments_in_use)
    : open_(open), host_(host), attachments_in_use_(attachments_in_use)
{
    request_.save = !open;
}

std::optional<platform::ui::FileChoice> CFileDialogEx::DoModal()
{
    request_.keep_open = [this](const std::string& path) { return OnFileNameOK(path); };
    auto choice = host_.open_file(request_);
    request_.keep_open = nullptr;
    return choice;
}

bool CFileDialogEx::OnFileNameOK(const std::string& path)
{
    using namespace platform::ui;
    const bool opens = readable(path);
    if (open_) {
        if (opens)
            return false;
        host_.message_box(IDS_FILE_NOT_FOUND, MB_OK | MB_ICONEXCLAMATION, {path});
        return true;
    }
    if (!core::file_path(path).exists())
        return false;
    const bool in_use = core::FolderHasLockedFile(companion_folder(path, "Pull_Files"))
        || core::FolderHasLockedFile(companion_folder(path, "Push_Files"));
    const int answer
        = host_.message_box(in_use ? IDS_REPLACE_IN_USE : IDS_REPLACE_EXISTING, MB_YESNO | MB_ICONEXCLAMATION, {path});
    if (answer != IDYES)
        return true;
    if (in_use)
        attachments_in_use_ = true;
    return false;
}

bool PromptOpenFileName(platform::ui::UiHost& host, std::string& path, unsigned title_id, int filter_index,
    const std::string& initial_folder, unsigned filter_id)
{
    bool unused_in_use = false;
    CFileDialogEx dialog(true, host, unused_in_use);
    auto& request = dialog.request();
    request.title = host.strings().text(title_id);
    auto filter = host.strings().text(filter_id);
    for (auto& c : filter) {
        if (c == '\n')
            c = '|';
    }
    if (!filter.empty() && filter.back() != '|')
        filter += '|';
    request.filter = filter + host.strings().text(IDS_ALL_FILES_FILTER) + "|*.*||";
    request.filter_index = filter_index;
    request.initial_folder = initial_folder;
    auto choice = dialog.DoModal();
    if (!choice || choice->skipped)
        return false;
    path = choice->path;
    return true;
}

}
