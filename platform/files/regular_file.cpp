#include "platform/files/regular_file.h"

#include "platform/files/unique_fd.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::files {

namespace {

regular_file unusable(std::string problem)
{
    return {regular_file::outcome::unusable, {}, std::move(problem)};
}

regular_file system_failure(const char* what)
{
    return unusable(std::string(what) + ": " + std::strerror(errno));
}

std::string kind_problem(mode_t mode)
{
    if (S_ISDIR(mode))
        return "is a folder, not a file";
    if (S_ISFIFO(mode))
        return "is a named pipe, not a file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "is a device, not a file";
    if (S_ISSOCK(mode))
        return "is a socket, not a file";
    return "is not a regular file";
}

std::string too_large(std::size_t max_bytes)
{
    return "is larger than the limit of " + std::to_string(max_bytes) + " bytes";
}

}

regular_file read_regular_file(const std::string& path, std::size_t max_bytes)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return {};
        return system_failure("cannot be read");
    }
    if (!S_ISREG(info.st_mode))
        return unusable(kind_problem(info.st_mode));
    if (static_cast<std::uintmax_t>(info.st_size) > max_bytes)
        return unusable(too_large(max_bytes));

    // Non-blocking, so that a FIFO put in place since the check cannot hold the reader.
    unique_fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return {};
        return system_failure("cannot be read");
    }
    if (::fstat(fd.get(), &info) != 0)
        return system_failure("cannot be read");
    if (!S_ISREG(info.st_mode))
        return unusable(kind_problem(info.st_mode));

    regular_file file {regular_file::outcome::read, {}, {}};
    file.bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    while (true) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return system_failure("cannot be read");
        }
        if (n == 0)
            return file;
        if (file.bytes.size() + static_cast<std::size_t>(n) > max_bytes)
            return unusable(too_large(max_bytes)); // it grew while being read
        file.bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

}
