#pragma once

#include <atomic>
#include <cstdarg>
#include <functional>
#include <optional>
#include <string>

namespace platform {
class clock;
}
namespace platform::debug {
class sink;
}

#define TALVERIN_PRINTF(format_index, first_argument) __attribute__((format(printf, format_index, first_argument)))

namespace core {

// The trace switch, set at start-up from Settings\Logging. Call sites test it first and
// only then call trace_log (TRACE_LOG does both).
extern std::atomic<int> trace_enabled;

inline bool tracing() { return trace_enabled.load(std::memory_order_relaxed) != 0; }

// Writes one time-stamped line: "<short date> <time> <message>\n". The message is cut at
// 1024 bytes; a missing final newline is added. The first line a logger writes is
// preceded by an "OS: ..." line with its own stamp.
class trace_logger {
public:
    struct config {
        std::string file_path;
        const platform::clock* clock = nullptr;
        platform::debug::sink* debug_output = nullptr;
        std::function<std::optional<std::string>()> system_description;
    };

    explicit trace_logger(config settings);

    void write(const char* format, ...) TALVERIN_PRINTF(2, 3);
    void vwrite(const char* format, va_list arguments);

    const std::string& file_path() const { return config_.file_path; }

private:
    void write_line(const std::string& message);

    config config_;
    std::atomic<bool> os_line_written_ {false};
};

// The process-wide logger that trace_log writes through; none installed drops lines.
void install_trace_logger(trace_logger* logger);

void trace_log(const char* format, ...) TALVERIN_PRINTF(1, 2);

}

// Traces when the switch is on; the arguments are not evaluated when it is off.
#define TRACE_LOG(...)                   \
    do {                                 \
        if (::core::tracing())           \
            ::core::trace_log(__VA_ARGS__); \
    } while (0)
