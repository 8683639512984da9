#include "platform/ui/desktop.h"

#include <mutex>
#include <thread>

namespace platform::ui {

namespace {

std::mutex desktop_mutex;
desktop_parts registered;

}

void set_desktop(MessageQueue* queue, UiHost* host)
{
    std::lock_guard lock(desktop_mutex);
    registered = {queue, host};
}

desktop_parts desktop()
{
    std::lock_guard lock(desktop_mutex);
    return registered;
}

bool post_to_desktop(window_id window, std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam)
{
    std::lock_guard lock(desktop_mutex);
    return registered.queue && registered.queue->post(window, id, wparam, lparam);
}

bool run_on_desktop(std::function<void(UiHost&)> task)
{
    std::shared_ptr<ui_call_channel> channel;
    UiHost* host = nullptr;
    {
        std::lock_guard lock(desktop_mutex);
        if (!registered.queue || !registered.host)
            return false;
        channel = registered.queue->ui_calls();
        host = registered.host;
    }
    // A thread of its own waits for the user-interface thread, so the caller never does.
    // The channel outlives the queue and abandons the call once the queue has ended.
    std::thread([channel, host, task = std::move(task)] {
        channel->call_on_ui_thread([&] { task(*host); }, {});
    }).detach();
    return true;
}

}
