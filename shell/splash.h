#pragma once

#include "platform/ui/message_queue.h"
#include "shell/app_context.h"

#include <chrono>

namespace shell {

// The splash window of the ordinary editor: shown when the main frame is made, gone
// 750 ms later or at the first key or mouse button, whichever comes first.
class CSplashWnd {
public:
    static constexpr int bitmap_id = 330;
    static constexpr std::uintptr_t timer_id = 1;
    static constexpr std::chrono::milliseconds period {750};

    static void EnableSplashScreen(AppContext& context, bool enable) { context.splash.enabled = enable; }
    // Makes the one splash window, owned by the parent; false when disabled, already
    // shown, or the bitmap or window cannot be made.
    static bool Show(AppContext& context, platform::ui::MessageQueue& queue, platform::ui::window_id parent);
    // Hides the splash and consumes the message when it is a key or mouse button down.
    static bool FilterMessage(AppContext& context, platform::ui::MessageQueue& queue,
        const platform::threads::message& message);
    static void Hide(AppContext& context, platform::ui::MessageQueue& queue);
    // Paints bitmap 330 into the window's canvas.
    static void Paint(AppContext& context, platform::ui::MessageQueue& queue, platform::ui::window_id window);
};

}
