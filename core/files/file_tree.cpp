#include "core/files/file_tree.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace core {

namespace fs = std::filesystem;

std::string sync_path(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return "\"" + path + "\": " + std::strerror(errno);
    int result = ::fsync(fd);
    int error = errno;
    ::close(fd);
    // Some file systems cannot sync a folder; that is no failure of the data.
    if (result != 0 && error != EINVAL && error != EROFS)
        return "\"" + path + "\": " + std::strerror(error);
    return {};
}

std::string sync_tree(const std::string& root)
{
    // One flush of the tree's file system writes every file and folder of the tree (and
    // whatever else is pending there), far cheaper than a flush per file.
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return "\"" + root + "\": " + std::strerror(errno);
    int result = ::syncfs(fd);
    int error = errno;
    ::close(fd);
    if (result != 0)
        return "\"" + root + "\": " + std::strerror(error);
    return {};
}

std::string copy_tree(const std::string& source, const std::string& target)
{
    std::error_code ec;
    fs::create_directories(target, ec);
    if (ec)
        return "\"" + target + "\": " + ec.message();
    fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec)
        return "copying \"" + source + "\" to \"" + target + "\": " + ec.message();
    return {};
}

}
