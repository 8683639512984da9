#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace broadcast::smtp {

// The bytes received but not yet read as lines: at most `capacity`, so a line longer than
// that never ends (the reader treats a full buffer without a line end as a protocol error).
class reply_buffer {
public:
    static constexpr std::size_t capacity = 2048;

    char* space() { return bytes_ + held_; }
    std::size_t free_space() const { return capacity - held_; }
    void commit(std::size_t count) { held_ += count; }
    bool full() const { return held_ == capacity; }
    // The next line up to and including its LF; nothing while no LF was received.
    std::optional<std::string> take_line();

private:
    char bytes_[capacity] {};
    std::size_t held_ = 0;
};

// Gathers the lines of one reply: "ddd-" lines continue it, the first other line ends it.
class reply_collector {
public:
    static constexpr int max_lines = 100;
    static constexpr std::size_t max_bytes = 64 * 1024;

    enum class state { more, done, failed };

    // Takes the next line; `done` gives code() (100-999), `failed` a malformed or too long reply.
    state add(const std::string& line);
    int code() const { return code_; }

private:
    int lines_ = 0;
    std::size_t bytes_ = 0;
    int code_ = -1;
};

}
