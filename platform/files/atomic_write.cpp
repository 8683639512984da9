#include "platform/files/atomic_write.h"

#include "platform/files/unique_fd.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::files {

namespace {

std::error_code last_error()
{
    return {errno ? errno : EIO, std::generic_category()};
}

std::error_code write_all(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return last_error();
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

}

std::error_code link_target(const std::string& path, std::string& target)
{
    constexpr int max_links = 40; // the kernel's own limit when it resolves a path
    target = path;
    for (int hop = 0; hop <= max_links; ++hop) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return {};
        std::string link(PATH_MAX, '\0');
        ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0)
            return last_error();
        if (static_cast<std::size_t>(n) == link.size())
            return {ENAMETOOLONG, std::generic_category()};
        link.resize(static_cast<std::size_t>(n));
        std::filesystem::path next(link);
        target = (next.is_absolute() ? next : std::filesystem::path(target).parent_path() / next).string();
    }
    return {ELOOP, std::generic_category()};
}

namespace {

std::error_code replace_file(const std::string& path, std::string_view bytes, mode_t mode,
    const std::function<bool()>& before_rename, bool flush)
{
    std::string target;
    if (auto error = link_target(path, target))
        return error;
    auto parent = std::filesystem::path(target).parent_path();
    const std::string folder = parent.empty() ? std::string(".") : parent.string();

    std::string temp = target + ".tmp-XXXXXX";
    unique_fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return last_error();
    auto abandon = [&](std::error_code error) {
        ::unlink(temp.c_str());
        return error;
    };
    if (::fchmod(fd.get(), mode) != 0)
        return abandon(last_error());
    if (auto error = write_all(fd.get(), bytes))
        return abandon(error);
    if (flush && ::fsync(fd.get()) != 0)
        return abandon(last_error());
    if (::close(fd.release()) != 0)
        return abandon(last_error());
    if (before_rename && !before_rename())
        return abandon({ECANCELED, std::generic_category()});
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return abandon(last_error());
    if (!flush)
        return {};
    // The new name is in place; syncing the folder makes the rename itself survive a crash.
    // A folder that cannot be synced (some file systems refuse) does not undo the write.
    unique_fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return {};
}

}

std::error_code atomic_write(const std::string& path, std::string_view bytes, mode_t mode,
    const std::function<bool()>& before_rename)
{
    return replace_file(path, bytes, mode, before_rename, true);
}

std::error_code atomic_replace(const std::string& path, std::string_view bytes, mode_t mode)
{
    return replace_file(path, bytes, mode, {}, false);
}

}
