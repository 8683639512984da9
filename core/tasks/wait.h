#pragma once

#include <cstdint>

namespace core {

enum class wait_result : int { failed = 0, abandoned = 1, timed_out = 2, signalled = 3 };

// A timeout with all bits set waits without limit.
inline constexpr std::uint32_t infinite_timeout = 0xFFFFFFFFu;

// Something whose end can be waited for: a task's thread, a child process.
class waitable {
public:
    virtual ~waitable() = default;
    virtual wait_result wait_until_ended(std::uint32_t timeout_ms) = 0;
};

inline wait_result wait_for(waitable& object, std::uint32_t timeout_ms)
{
    return object.wait_until_ended(timeout_ms);
}

// The kernel's id of the calling thread (32 bits), for trace lines and error reports.
std::uint32_t current_system_thread_id();

}
