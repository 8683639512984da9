#pragma once

#include "core/tasks/wait.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace core {

// A process-private recursive lock with a count of the acquisitions its holder has made.
// The name ("monitor_%lX%lX" of the object's address and the process id unless another
// format is given) only identifies it in trace lines.
class monitor {
public:
    explicit monitor(const char* name_format = nullptr); // monitor_init
    monitor(const monitor&) = delete;
    monitor& operator=(const monitor&) = delete;
    ~monitor();

    // monitor_acquire: takes the lock `times` times, waiting at most timeout_ms for another
    // holder (infinite_timeout: no limit). The count grows only when the lock is taken;
    // a timeout or failure takes nothing (earlier takes of this call are given back) and
    // returns its outcome.
    wait_result acquire(std::uint32_t timeout_ms = infinite_timeout, int times = 1);
    // monitor_release: gives the lock back `times` times. A thread that does not hold
    // that many is reported (synch_failed) and releases nothing.
    void release(int times = 1);

    const std::string& name() const { return name_; }
    std::int32_t lock_count() const;
    // The kernel id of the holding thread; 0 when free.
    std::uint32_t holder() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable freed_;
    std::int32_t lock_count_ = 0;
    std::uint32_t holder_ = 0;
    std::string name_;
};

// Takes the monitor once on construction and gives it back once when it ends. A lock that
// cannot be taken is reported through the thread's reporter (synch_failed), which throws:
// the guard then holds nothing.
class monitor_guard {
public:
    explicit monitor_guard(monitor& guarded, std::uint32_t timeout_ms = infinite_timeout); // monitor_guard_acquire
    ~monitor_guard(); // monitor_guard_release
    monitor_guard(const monitor_guard&) = delete;
    monitor_guard& operator=(const monitor_guard&) = delete;

private:
    monitor& monitor_;
};

}
