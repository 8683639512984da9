#include "platform/html/ui_queue.h"

namespace platform::html {

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

}
