#include "shell/view/program_ui_queue.h"

#include "platform/ui/messages.h"

#include <chrono>
#include <stdexcept>

namespace shell {

namespace {

constexpr std::uint32_t task_message = platform::ui::WM_USER + 0x7A1;

}

ProgramUiQueue::ProgramUiQueue(platform::ui::MessageQueue& queue) : queue_(queue)
{
    platform::ui::window_options options;
    options.service = true;
    options.text = "editing component queue";
    options.handler = [this](const platform::ui::message& message) { return handle(message); };
    window_ = queue_.create_window(std::move(options));
    if (window_ == 0)
        throw std::runtime_error("the editing component's queue window could not be made");
}

ProgramUiQueue::~ProgramUiQueue()
{
    queue_.destroy_window(window_);
}

std::intptr_t ProgramUiQueue::handle(const platform::ui::message& message)
{
    if (message.id == platform::ui::WM_TIMER) {
        // A pump's deadline (the timer numbered by its depth) wakes the queue's sleep.
        passed_deadlines_.insert(message.wparam);
        return 0;
    }
    if (message.id != task_message)
        return 0;
    std::function<void()> task;
    {
        std::lock_guard lock(mutex_);
        auto found = tasks_.find(message.wparam);
        if (found == tasks_.end())
            return 0;
        task = std::move(found->second);
        tasks_.erase(found);
    }
    ++tasks_run_;
    task();
    return 0;
}

void ProgramUiQueue::post(std::function<void()> task)
{
    std::uintptr_t key;
    {
        std::lock_guard lock(mutex_);
        key = next_key_++;
        tasks_.emplace(key, std::move(task));
    }
    if (!queue_.post(window_, task_message, key)) {
        // The window is gone: the program is ending and nobody will run the task.
        std::lock_guard lock(mutex_);
        tasks_.erase(key);
    }
}

void ProgramUiQueue::post_quit(int exit_code)
{
    // A quit taken while pumping stays pending for the program's loop; one is enough.
    if (!queue_.quit_pending())
        queue_.post_quit(exit_code);
}

html::ui_queue::pump_result ProgramUiQueue::pump_one(html::ui_clock::time_point deadline, int* exit_code)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now());
    if (left.count() <= 0)
        return pump_result::timed_out;
    const auto before = tasks_run_;
    // A task run by this pump may pump again (a page loaded while another loads): each depth
    // has its own timer.
    const std::uintptr_t timer = ++depth_;
    queue_.set_timer(window_, timer, left);
    const bool ended = queue_.run_until(
        [&] { return tasks_run_ != before || passed_deadlines_.count(timer) != 0 || now() >= deadline; });
    queue_.kill_timer(window_, timer);
    passed_deadlines_.erase(timer);
    --depth_;
    if (!ended) {
        if (exit_code)
            *exit_code = queue_.pending_quit().value_or(0);
        return pump_result::quit;
    }
    return tasks_run_ != before ? pump_result::dispatched : pump_result::timed_out;
}

}
