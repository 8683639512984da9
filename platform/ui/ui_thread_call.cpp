#include "platform/ui/ui_thread_call.h"

#include <algorithm>

namespace platform::ui {

ui_call_result ui_call_channel::call_on_ui_thread(const std::function<void()>& task, std::stop_token stop)
{
    std::unique_lock lock(mutex_);
    if (closed_ || stop.stop_requested())
        return ui_call_result::abandoned;
    if (platform::threads::current_thread_id() == ui_thread_) {
        lock.unlock();
        task();
        return ui_call_result::done;
    }
    auto call = std::make_shared<pending_call>();
    call->task = &task;
    waiting_.push_back(call);
    if (!platform::threads::post_thread_message(ui_thread_, ui_call_message, 0, 0)) {
        waiting_.pop_back();
        return ui_call_result::abandoned; // the thread is gone
    }
    auto finished = [&] { return call->state == call_state::done || call->state == call_state::abandoned; };
    if (!changed_.wait(lock, stop, finished)) {
        if (call->state == call_state::waiting) {
            waiting_.erase(std::find(waiting_.begin(), waiting_.end(), call));
            return ui_call_result::abandoned;
        }
        // Started already: the task uses the caller's data, so it is waited for.
        changed_.wait(lock, finished);
    }
    if (call->state == call_state::abandoned)
        return ui_call_result::abandoned;
    if (call->error)
        std::rethrow_exception(call->error);
    return ui_call_result::done;
}

void ui_call_channel::run_pending()
{
    std::unique_lock lock(mutex_);
    while (!waiting_.empty()) {
        auto call = waiting_.front();
        waiting_.pop_front();
        call->state = call_state::running;
        lock.unlock();
        std::exception_ptr error;
        try {
            (*call->task)();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        call->error = error;
        call->state = call_state::done;
        changed_.notify_all();
    }
}

void ui_call_channel::close()
{
    std::lock_guard guard(mutex_);
    closed_ = true;
    for (auto& call : waiting_)
        call->state = call_state::abandoned;
    waiting_.clear();
    changed_.notify_all();
}

}
