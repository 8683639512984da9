#pragma once

// The UI thread's queue as a document sees it: posting to the document's hidden window and
// pumping messages until a state is reached. One adapter puts it on the program's message
// queue; `manual_ui_queue` serves tests and off-screen use with an injected clock.

#include "platform/threads/thread_queue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace html {

using ui_clock = std::chrono::steady_clock;

class ui_queue {
public:
    enum class pump_result { dispatched, quit, timed_out };

    virtual ~ui_queue() = default;
    // Appends a task; safe from any thread (a worker posts a finished download).
    virtual void post(std::function<void()> task) = 0;
    // Appends the quit message (exit code) to the queue.
    virtual void post_quit(int exit_code) = 0;
    // Takes the first message: a task is run, the quit message is removed and reported;
    // waits until the deadline when the queue is empty.
    virtual pump_result pump_one(ui_clock::time_point deadline, int* exit_code) = 0;
    virtual ui_clock::time_point now() const = 0;
    // A worker thread that will post its result later (pumps must not give up on it).
    virtual void worker_started() { }
    virtual void worker_finished() { }
};

// A queue of tasks with a clock that moves only when told, or when a pump finds nothing to
// do and no worker is busy: then it jumps to the deadline, so a load that never completes
// times out at once in tests.
class manual_ui_queue final : public ui_queue {
public:
    void post(std::function<void()> task) override;
    void post_quit(int exit_code) override;
    pump_result pump_one(ui_clock::time_point deadline, int* exit_code) override;
    ui_clock::time_point now() const override;

    void advance(ui_clock::duration by);
    // A worker that will post later holds the queue busy: pumps wait for it instead of
    // jumping the clock.
    void worker_started() override;
    void worker_finished() override;
    // Runs every queued task (not the quit message); for tests.
    void run_pending();
    bool quit_pending() const;

private:
    struct entry {
        std::function<void()> task;
        bool quit = false;
        int exit_code = 0;
    };
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<entry> entries_;
    ui_clock::time_point now_ {};
    int workers_ = 0;
};

// The UI thread's own message queue (platform/threads) as a document's queue: tasks travel
// as messages of one number to the thread that made the adapter; the quit message is the
// thread's WM_QUIT. Every other message met while pumping is handed, in order, to
// `dispatch` (the program's window dispatch), so a wait loses none of them.
class thread_ui_queue final : public ui_queue {
public:
    using dispatcher = std::function<void(const platform::threads::message&)>;
    explicit thread_ui_queue(dispatcher dispatch);
    void post(std::function<void()> task) override;
    void post_quit(int exit_code) override;
    pump_result pump_one(ui_clock::time_point deadline, int* exit_code) override;
    ui_clock::time_point now() const override { return ui_clock::now(); }

private:
    std::uint32_t thread_;
    dispatcher dispatch_;
    std::mutex mutex_;
    std::map<std::uintptr_t, std::function<void()>> tasks_;
    std::uintptr_t next_ = 1;
};

}
