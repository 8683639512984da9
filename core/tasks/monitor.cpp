#include "core/tasks/monitor.h"

#include "core/errors/wizard_thrower.h"
#include "core/log/trace_log.h"

#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace core {

std::uint32_t current_system_thread_id()
{
    return static_cast<std::uint32_t>(gettid());
}

monitor::monitor(const char* name_format)
{
    const char* format = name_format && *name_format ? name_format : "monitor_%lX%lX";
    auto address = reinterpret_cast<unsigned long>(&lock_count_);
    auto process = static_cast<unsigned long>(getpid());
    int length = std::snprintf(nullptr, 0, format, address, process);
    if (length > 0) {
        name_.resize(static_cast<std::size_t>(length) + 1);
        std::snprintf(name_.data(), name_.size(), format, address, process);
        name_.resize(static_cast<std::size_t>(length));
    }
}

monitor::~monitor()
{
    if (lock_count_ != 0)
        TRACE_LOG("monitor::~monitor() -- %s destroyed while held %d times", name_.c_str(), lock_count_);
}

wait_result monitor::acquire(std::uint32_t timeout_ms, int times)
{
    auto self = current_system_thread_id();
    std::unique_lock lock(mutex_);
    auto free_or_mine = [&] { return holder_ == 0 || holder_ == self; };
    if (timeout_ms == infinite_timeout)
        freed_.wait(lock, free_or_mine);
    else if (!freed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), free_or_mine))
        return wait_result::timed_out;
    if (times <= 0)
        return wait_result::signalled;
    holder_ = self;
    lock_count_ += times;
    return wait_result::signalled;
}

void monitor::release(int times)
{
    auto self = current_system_thread_id();
    {
        std::lock_guard guard(mutex_);
        if (holder_ == self && times <= lock_count_) {
            lock_count_ -= times;
            if (lock_count_ == 0) {
                holder_ = 0;
                freed_.notify_all();
            }
            return;
        }
    }
    current_thrower().synch_failed(hevtools::thread_synch_error(
        "monitor::release() -- " + name_ + " is not held by this thread", 0, holder(), static_cast<std::uint32_t>(lock_count())));
}

std::int32_t monitor::lock_count() const
{
    std::lock_guard guard(mutex_);
    return lock_count_;
}

std::uint32_t monitor::holder() const
{
    std::lock_guard guard(mutex_);
    return holder_;
}

monitor_guard::monitor_guard(monitor& guarded, std::uint32_t timeout_ms) : monitor_(guarded)
{
    auto outcome = monitor_.acquire(timeout_ms);
    if (outcome == wait_result::signalled)
        return;
    TRACE_LOG("monitor_guard::monitor_guard() -- cannot take %s (outcome %d)", monitor_.name().c_str(),
        static_cast<int>(outcome));
    current_thrower().synch_failed(hevtools::thread_synch_error("monitor_guard -- cannot take " + monitor_.name(),
        static_cast<std::uint32_t>(outcome), monitor_.holder(), static_cast<std::uint32_t>(monitor_.lock_count())));
}

monitor_guard::~monitor_guard()
{
    monitor_.release();
}

}
