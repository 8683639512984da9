#pragma once

#include "platform/ui/message_queue.h"
#include "platform/ui/ui_host.h"

#include <cstdint>
#include <functional>

namespace platform::ui {

// The user-interface thread's queue and host, registered by the program so that code it
// loads (the dial-up library) reaches the same windows and shows its dialogs on the same
// host; unset, that code has no windows to post to and no dialogs to show.
struct desktop_parts {
    MessageQueue* queue = nullptr;
    UiHost* host = nullptr;
};

// The program sets the pair when its queue starts and clears it (nullptr, nullptr) before
// the queue ends; a post under way is finished first.
void set_desktop(MessageQueue* queue, UiHost* host);
desktop_parts desktop();

// Any thread: posts to a window of the desktop's queue; false without a desktop or window.
bool post_to_desktop(window_id window, std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam);

// Any thread, never waiting: runs the task with the host on the user-interface thread when
// its queue next dispatches; false without a desktop.
bool run_on_desktop(std::function<void(UiHost&)> task);

}
