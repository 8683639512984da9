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
    std::error_code ec;
    fs::recursive_directory_iterator walk(root, fs::directory_options::none, ec);
    if (ec)
        return "\"" + root + "\": " + ec.message();
    for (auto end = fs::recursive_directory_iterator(); walk != end; walk.increment(ec)) {
        if (ec)
            return "\"" + root + "\": " + ec.message();
        auto type = walk->symlink_status(ec).type();
        if (type == fs::file_type::regular || type == fs::file_type::directory) {
            if (auto problem = sync_path(walk->path().string()); !problem.empty())
                return problem;
        }
    }
    if (ec)
        return "\"" + root + "\": " + ec.message();
    return sync_path(root);
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
