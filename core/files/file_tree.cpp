#include "core/files/file_tree.h"

#include "platform/files/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

bool on_same_file_system(const std::string& a, const std::string& b)
{
    struct stat first {}, second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev;
}

namespace {

// Reads exactly `size` bytes; false on an error or an early end.
bool read_exactly(int fd, char* buffer, std::size_t size)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buffer + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

}

bool same_file_bytes(const std::string& a, const std::string& b)
{
    const auto open_read = [](const std::string& path) {
        return platform::files::unique_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    };
    const auto first = open_read(a);
    const auto second = open_read(b);
    struct stat first_info {}, second_info {};
    if (first.get() < 0 || second.get() < 0 || ::fstat(first.get(), &first_info) != 0
        || ::fstat(second.get(), &second_info) != 0
        || !S_ISREG(first_info.st_mode) || !S_ISREG(second_info.st_mode) || first_info.st_size != second_info.st_size)
        return false;
    if (first_info.st_dev == second_info.st_dev && first_info.st_ino == second_info.st_ino)
        return true;
    // The sizes are known: each file is read in as few calls as its size allows.
    constexpr std::size_t chunk = 256 * 1024;
    auto remaining = static_cast<std::size_t>(first_info.st_size);
    std::vector<char> left(std::min(chunk, remaining)), right(left.size());
    while (remaining > 0) {
        const std::size_t part = std::min(chunk, remaining);
        if (!read_exactly(first.get(), left.data(), part) || !read_exactly(second.get(), right.data(), part)
            || std::memcmp(left.data(), right.data(), part) != 0)
            return false;
        remaining -= part;
    }
    return true;
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
