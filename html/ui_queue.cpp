#include "html/ui_queue.h"
#include "platform/threads/thread_queue.h"

#include <algorithm>
#include <stdexcept>

namespace html {

void manual_ui_queue::post(std::function<void()> task)
{
    {
        std::lock_guard lock(mutex_);
        entries_.push_back({std::move(task), false, 0});
    }
    changed_.notify_all();
}

void manual_ui_queue::post_quit(int exit_code)
{
    {
        std::lock_guard lock(mutex_);
        entries_.push_back({{}, true, exit_code});
    }
    changed_.notify_all();
}

ui_queue::pump_result manual_ui_queue::pump_one(ui_clock::time_point deadline, int* exit_code)
{
    std::unique_lock lock(mutex_);
    // A busy worker will post: wait for it (it never depends on this clock).
    changed_.wait(lock, [&] { return !entries_.empty() || workers_ == 0; });
    if (entries_.empty()) {
        if (now_ < deadline)
            now_ = deadline;
        return pump_result::timed_out;
    }
    entry e = std::move(entries_.front());
    entries_.pop_front();
    if (e.quit) {
        if (exit_code)
            *exit_code = e.exit_code;
        return pump_result::quit;
    }
    lock.unlock();
    e.task();
    return pump_result::dispatched;
}

ui_clock::time_point manual_ui_queue::now() const
{
    std::lock_guard lock(mutex_);
    return now_;
}

void manual_ui_queue::advance(ui_clock::duration by)
{
    std::lock_guard lock(mutex_);
    now_ += by;
}

void manual_ui_queue::worker_started()
{
    std::lock_guard lock(mutex_);
    ++workers_;
}

void manual_ui_queue::worker_finished()
{
    {
        std::lock_guard lock(mutex_);
        --workers_;
    }
    changed_.notify_all();
}

void manual_ui_queue::run_pending()
{
    while (true) {
        std::function<void()> task;
        {
            std::lock_guard lock(mutex_);
            auto it = entries_.begin();
            while (it != entries_.end() && it->quit)
                ++it;
            if (it == entries_.end())
                return;
            task = std::move(it->task);
            entries_.erase(it);
        }
        task();
    }
}

bool manual_ui_queue::quit_pending() const
{
    std::lock_guard lock(mutex_);
    for (const entry& e : entries_)
        if (e.quit)
            return true;
    return false;
}

namespace {

// The message number that carries a document task.
constexpr std::uint32_t task_message = platform::threads::WM_USER + 0x1F0;

}

thread_ui_queue::thread_ui_queue(dispatcher dispatch)
    : thread_(platform::threads::current_thread_id()), dispatch_(std::move(dispatch))
{
    if (!dispatch_)
        throw std::invalid_argument("thread_ui_queue: messages met while pumping need a dispatcher");
}

void thread_ui_queue::post(std::function<void()> task)
{
    std::uintptr_t id;
    {
        std::lock_guard lock(mutex_);
        id = next_++;
        tasks_.emplace(id, std::move(task));
    }
    platform::threads::post_thread_message(thread_, task_message, id, 0);
}

void thread_ui_queue::post_quit(int exit_code)
{
    platform::threads::post_thread_message(thread_, platform::threads::WM_QUIT, static_cast<std::uintptr_t>(exit_code), 0);
}

ui_queue::pump_result thread_ui_queue::pump_one(ui_clock::time_point deadline, int* exit_code)
{
    while (true) {
        if (auto m = platform::threads::peek(0, 0, true)) {
            if (m->id == platform::threads::WM_QUIT) {
                if (exit_code)
                    *exit_code = static_cast<int>(m->wparam);
                return pump_result::quit;
            }
            if (m->id != task_message) {
                dispatch_(*m);
                return pump_result::dispatched;
            }
            std::function<void()> task;
            {
                std::lock_guard lock(mutex_);
                auto it = tasks_.find(m->wparam);
                if (it == tasks_.end())
                    return pump_result::dispatched;
                task = std::move(it->second);
                tasks_.erase(it);
            }
            task();
            return pump_result::dispatched;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - ui_clock::now()).count();
        if (left <= 0 || !platform::threads::wait(static_cast<std::uint32_t>(std::min<long long>(left, 0x7FFFFFFF))))
            return pump_result::timed_out;
    }
}

}
