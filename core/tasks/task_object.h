#pragma once

#include "core/tasks/wait.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace hevtools {

class task_object;

// The task's thread body: on_thread_start(), svc() while it returns true, on_thread_exit();
// returns 1. An exception escaping these is written to the debugger output and ends the
// thread without on_thread_exit.
std::uint32_t task_thread_procedure(task_object* task);

// A thread that does nothing until start(). Its message queue (platform::ui) exists from
// construction, so messages posted to thread_id() right after start() are kept.
//
// A derived task whose svc reads its own members calls join_thread() in its destructor, so
// the thread never runs on a half-destroyed object. The base destructor joins a thread
// still running, or lets it go when it runs on that very thread (a task holding its own
// last reference).
class task_object : public core::waitable {
public:
    explicit task_object(std::size_t stack_size = 0);
    ~task_object() override;
    task_object(const task_object&) = delete;
    task_object& operator=(const task_object&) = delete;

    // Starts the thread once; true when it was started (now or before), false when the
    // thread could not be made.
    bool start();

    // The thread's id (its message-queue id): set from construction, 0 after on_thread_exit.
    std::uint32_t thread_id() const { return thread_id_.load(); }
    // -1 until started and again after on_thread_exit.
    std::int32_t suspend_count() const { return suspend_count_.load(); }

    // Waits for the thread to end: signalled when it has ended, timed_out, or failed when
    // no thread was ever started.
    core::wait_result wait_until_ended(std::uint32_t timeout_ms) override;

protected:
    virtual bool svc() = 0;
    virtual void on_thread_start() { }
    virtual void on_thread_exit();

    void join_thread();

private:
    friend std::uint32_t task_thread_procedure(task_object* task);

    struct end_state {
        std::mutex mutex;
        std::condition_variable ended_signal;
        bool started = false;
        bool ended = false;
        bool destroyed = false;
    };

    static void run(task_object* task, std::shared_ptr<end_state> state, std::uint32_t queue);
    static bool gone(end_state& state);

    std::atomic<std::uint32_t> thread_id_;
    std::atomic<std::int32_t> suspend_count_ {-1};
    std::uint32_t queue_;
    std::shared_ptr<end_state> state_;
    std::thread thread_;
};

}
