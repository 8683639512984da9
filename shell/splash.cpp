#include "shell/splash.h"

namespace shell {

using namespace platform::ui;

bool CSplashWnd::Show(AppContext& context, MessageQueue& queue, window_id parent)
{
    auto& splash = context.splash;
    if (!splash.enabled || splash.window != 0)
        return false;
    auto size = context.services.bitmap_size ? context.services.bitmap_size(bitmap_id) : std::nullopt;
    if (!size)
        return false;
    window_options options;
    options.owner = parent;
    options.popup = true;
    options.visible = true;
    options.bounds = {0, 0, size->width, size->height};
    options.handler = [&queue, &context](const message& received) -> std::intptr_t {
        if (received.id == WM_CREATE) {
            queue.centre_window(received.window);
            queue.set_timer(received.window, timer_id, period);
            queue.invalidate(received.window);
        } else if (received.id == WM_PAINT) {
            Paint(context, queue, received.window);
        } else if (received.id == WM_TIMER && received.wparam == timer_id) {
            Hide(context, queue);
        }
        return 0;
    };
    options.on_destroyed = [&splash] {
        splash.window = 0;
        splash.bitmap.reset();
    };
    window_id made = queue.create_window(std::move(options));
    if (made == 0)
        return false;
    splash.window = made;
    splash.bitmap = size;
    return true;
}

void CSplashWnd::Paint(AppContext& context, MessageQueue& queue, window_id window)
{
    auto path = context.services.locations.resources + "/talverin/bitmaps/" + std::to_string(bitmap_id) + ".png";
    if (auto picture = platform::gfx::bitmap::load_png(path))
        queue.canvas(window).paint(*picture, 0, 0);
}

void CSplashWnd::Hide(AppContext& context, MessageQueue& queue)
{
    if (context.splash.window != 0)
        queue.destroy_window(context.splash.window);
}

bool CSplashWnd::FilterMessage(AppContext& context, MessageQueue& queue, const message& message)
{
    if (context.splash.window == 0)
        return false;
    switch (message.id) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
        Hide(context, queue);
        return true;
    default:
        return false;
    }
}

}
