#include "broadcast/log/broadcast_log.h"

#include "core/log/trace_log.h"
#include "core/util/folders.h"
#include "platform/clock/clock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace broadcast {

std::string broadcast_log_path()
{
    std::string path;
    if (!core::GetModuleRelativePath("Broadcast.log", path))
        return {};
    return path;
}

bool broadcast_log(std::string_view text, const platform::clock& clock)
{
    return broadcast_log(text, clock, broadcast_log_path());
}

bool broadcast_log(std::string_view text, const platform::clock& clock, const std::string& log_path)
{
    try {
        auto now = clock.local_now();
        std::string entry = clock.short_date(now) + " " + clock.short_time(now) + " ";
        entry.append(text);
        if (log_path.empty()) {
            TRACE_LOG("broadcast_log() -- the program's data folder is unknown; entry lost: %s", entry.c_str());
            return false;
        }
        int fd = ::open(log_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) {
            TRACE_LOG("broadcast_log() -- cannot open %s: %s; entry lost: %s", log_path.c_str(), std::strerror(errno),
                entry.c_str());
            return false;
        }
        ssize_t written;
        do
            written = ::write(fd, entry.data(), entry.size());
        while (written < 0 && errno == EINTR);
        int write_error = errno;
        bool whole = written == static_cast<ssize_t>(entry.size());
        if (::close(fd) != 0 && whole) {
            whole = false;
            write_error = errno;
        }
        if (!whole)
            TRACE_LOG("broadcast_log() -- cannot write %s: %s; entry lost: %s", log_path.c_str(),
                written < 0 || written == static_cast<ssize_t>(entry.size()) ? std::strerror(write_error)
                                                                               : "short write",
                entry.c_str());
        return whole;
    } catch (const std::exception& error) {
        TRACE_LOG("broadcast_log() -- entry lost: %s", error.what());
        return false;
    }
}

}
