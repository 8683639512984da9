#include "core/log/trace_log.h"

#include "platform/clock/clock.h"
#include "platform/debug/debug_output.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace core {

std::atomic<int> trace_enabled {0};

namespace {

constexpr std::size_t message_limit = 1024;

std::atomic<trace_logger*> installed_logger {nullptr};

void append_line_to_file(const std::string& path, const std::string& line)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return; // a log that cannot be opened loses the line; the caller goes on
    // One write per line, so lines of several threads and processes interleave whole.
    while (::write(fd, line.data(), line.size()) < 0 && errno == EINTR) { }
    ::close(fd);
}

}

trace_logger::trace_logger(config settings)
    : config_(std::move(settings))
{
}

void trace_logger::write(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vwrite(format, arguments);
    va_end(arguments);
}

void trace_logger::vwrite(const char* format, va_list arguments)
{
    if (!os_line_written_.exchange(true)) {
        auto description = config_.system_description ? config_.system_description() : std::nullopt;
        write_line(description ? "OS: " + *description + "\n" : std::string("OS: Unknown\n"));
    }
    char buffer[message_limit + 1];
    int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    std::string message;
    if (length > 0)
        message.assign(buffer, std::min<std::size_t>(static_cast<std::size_t>(length), message_limit));
    write_line(message);
}

void trace_logger::write_line(const std::string& message)
{
    std::string line;
    if (config_.clock) {
        auto now = config_.clock->local_now();
        line = config_.clock->short_date(now) + " " + config_.clock->short_time(now) + " ";
    } else {
        line = "  ";
    }
    line += message;
    if (line.back() != '\n')
        line += '\n';
    if (config_.debug_output)
        config_.debug_output->write(line);
    if (!config_.file_path.empty())
        append_line_to_file(config_.file_path, line);
}

void install_trace_logger(trace_logger* logger)
{
    installed_logger.store(logger);
}

void trace_log(const char* format, ...)
{
    trace_logger* logger = installed_logger.load();
    if (!logger)
        return;
    va_list arguments;
    va_start(arguments, format);
    logger->vwrite(format, arguments);
    va_end(arguments);
}

}
