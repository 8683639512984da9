#include "broadcast/child/run_hidden_and_wait.h"

#include <atomic>
#include <thread>

namespace broadcast {

namespace {

// The main window stays disabled for the child's life and comes back in front after it.
class disabled_window {
public:
    disabled_window(platform::ui::MessageQueue& queue) : queue_(queue), window_(queue.main_window())
    {
        if (window_)
            queue_.enable_window(window_, false);
    }
    ~disabled_window()
    {
        if (!queue_.is_window(window_))
            return;
        queue_.enable_window(window_, true);
        queue_.bring_to_front(window_);
    }
    disabled_window(const disabled_window&) = delete;
    disabled_window& operator=(const disabled_window&) = delete;

private:
    platform::ui::MessageQueue& queue_;
    platform::ui::window_id window_;
};

}

platform::process::run_result run_hidden_and_wait(platform::ui::MessageQueue& queue, const std::string& program,
    const std::vector<std::string>& arguments)
{
    platform::process::run_result result;
    auto child = platform::process::child::spawn(program, arguments, {}, result.error);
    if (!child)
        return result;

    disabled_window disabled(queue);
    std::atomic<bool> ended {false};
    // The waiter owns the wait for the child; the loop below only learns of its end.
    std::jthread waiter([&] {
        result = *child->wait(platform::threads::INFINITE_WAIT);
        ended.store(true, std::memory_order_release);
        ended.notify_all();
        queue.post_thread(0); // wakes the loop
    });
    auto child_ended = [&] { return ended.load(std::memory_order_acquire); };
    if (!queue.run_until(child_ended))
        ended.wait(false, std::memory_order_acquire); // a quit was taken: wait without dispatching
    waiter.join();
    return result;
}

}
