#include "core/util/folders.h"

#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "core/util/program_environment.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

namespace {

// Calls visit(folder_fd, name, is_folder, is_file) for each entry, symlinks not followed,
// until it returns false; false when the folder cannot be read.
template <class Visit>
bool for_each_entry(const std::string& folder, Visit visit)
{
    int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd < 0) {
        TRACE_LOG("for_each_entry() -- open %s: %s", folder.c_str(), std::strerror(errno));
        return false;
    }
    DIR* entries = ::fdopendir(folder_fd);
    if (!entries) {
        ::close(folder_fd);
        return false;
    }
    while (dirent* entry = ::readdir(entries)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        if (::fstatat(folder_fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!visit(folder_fd, name, S_ISDIR(info.st_mode), S_ISREG(info.st_mode)))
            break;
    }
    ::closedir(entries);
    return true;
}

}

bool DeleteFilesInFolder(const std::string& folder)
{
    bool all_deleted = true;
    bool readable = for_each_entry(folder, [&](int folder_fd, const std::string& name, bool is_folder, bool) {
        if (is_folder)
            return true;
        if (::unlinkat(folder_fd, name.c_str(), 0) != 0) {
            TRACE_LOG("DeleteFilesInFolder() -- %s/%s: %s", folder.c_str(), name.c_str(), std::strerror(errno));
            all_deleted = false;
        }
        return true;
    });
    return readable && all_deleted;
}

bool FolderHasLockedFile(const std::string& folder)
{
    bool locked = false;
    for_each_entry(folder, [&](int folder_fd, const std::string& name, bool, bool is_file) {
        if (!is_file)
            return true;
        int fd = ::openat(folder_fd, name.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            TRACE_LOG("FolderHasLockedFile() -- %s/%s: %s", folder.c_str(), name.c_str(), std::strerror(errno));
            locked = true;
        }
        if (fd >= 0)
            ::close(fd);
        return !locked;
    });
    return locked;
}

std::string ReadFileToString(const std::string& path)
{
    // Opened without waiting, so that a FIFO or device named here cannot hold the caller:
    // only a regular file is read.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        TRACE_LOG("ReadFileToString() -- open %s: %s", path.c_str(), std::strerror(errno));
        return {};
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        TRACE_LOG("ReadFileToString() -- %s is no regular file", path.c_str());
        ::close(fd);
        return {};
    }
    std::string text;
    char buffer[65536];
    while (true) {
        auto got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            TRACE_LOG("ReadFileToString() -- read %s: %s", path.c_str(), std::strerror(errno));
            text.clear();
        }
        break;
    }
    ::close(fd);
    auto zero = text.find('\0');
    if (zero != std::string::npos)
        text.resize(zero);
    return text;
}

bool GetModuleRelativePath(const std::string& name, std::string& path)
{
    auto environment = current_program_environment();
    if (environment.data_folder.empty() && environment.resources_folder.empty())
        return false;
    path = standard_folder_file_path(1, name);
    return true;
}

}
