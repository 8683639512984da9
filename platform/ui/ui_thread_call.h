#pragma once

#include "platform/threads/thread_queue.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>

namespace platform::ui {

// The thread message that tells the user-interface thread a call is waiting.
inline constexpr std::uint32_t ui_call_message = 0xBFFE;

enum class ui_call_result { done, abandoned };

// Calls from worker threads into the user-interface thread. The message queue owns one
// and runs what waits whenever it dispatches; workers share it, so it outlives the queue
// it belongs to and answers "abandoned" once that queue has ended.
class ui_call_channel {
public:
    explicit ui_call_channel(platform::threads::thread_id ui_thread) : ui_thread_(ui_thread) { }

    // Runs the task on the user-interface thread while the caller blocks; on that thread
    // itself the task runs at once. Abandoned, the task not run, when the stop token fires
    // before the task starts or the queue has ended; a task that started is waited for.
    // An exception leaving the task reaches the caller.
    ui_call_result call_on_ui_thread(const std::function<void()>& task, std::stop_token stop);

    // The user-interface thread: runs every waiting task.
    void run_pending();
    // The queue ends: waiting calls and any later ones are abandoned.
    void close();

private:
    enum class call_state { waiting, running, done, abandoned };
    struct pending_call {
        const std::function<void()>* task;
        call_state state = call_state::waiting;
        std::exception_ptr error;
    };

    platform::threads::thread_id ui_thread_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::deque<std::shared_ptr<pending_call>> waiting_;
    bool closed_ = false;
};

}
