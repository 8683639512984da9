#pragma once

#include "platform/gfx/bitmap.h"
#include "platform/ui/messages.h"
#include "platform/threads/thread_queue.h"
#include "platform/ui/tick_clock.h"
#include "platform/ui/ui_thread_call.h"

#include <exception>
#include <functional>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace platform::ui {

// The window model is built on the per-thread queues; their names read as the layer's own.
using platform::threads::current_thread_id;
using platform::threads::INFINITE_WAIT;
using platform::threads::message;
using platform::threads::peek;
using platform::threads::post_message;
using platform::threads::post_quit_message;
using platform::threads::post_thread_message;
using platform::threads::thread_id;
using platform::threads::wait;
using platform::threads::WM_QUIT;
using platform::threads::WM_USER;

using window_id = std::uintptr_t; // 0 is no window

struct rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const rect&) const = default;
};

using window_handler = std::function<std::intptr_t(const message&)>;

struct window_options {
    window_id owner = 0;
    bool popup = false;
    bool visible = false;
    rect bounds;
    std::string text;
    window_handler handler;              // answers 0 when absent
    std::function<void()> on_destroyed;  // told last, when the window is gone
    // A hidden window of the program's own plumbing: run() ends without waiting for it.
    bool service = false;
};

// The user-interface thread's messages, windows and timers. Created and used on that
// thread; `post` may be called from any thread. Messages carry the platform's numbers.
class MessageQueue {
public:
    explicit MessageQueue(const tick_clock& clock);
    ~MessageQueue();
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    // Any thread. False for a window that does not exist (ids are never reused, so a
    // dead id never reaches a newer window) and for input to a disabled window.
    bool post(window_id window, std::uint32_t id, std::uintptr_t wparam = 0, std::intptr_t lparam = 0);
    bool post_thread(std::uint32_t id, std::uintptr_t wparam = 0, std::intptr_t lparam = 0);
    void post_quit(int exit_code);
    // The user-interface thread only: calls the window's handler now.
    std::intptr_t send(window_id window, std::uint32_t id, std::uintptr_t wparam = 0, std::intptr_t lparam = 0);

    // Dispatches posted messages, then due timers, until neither is left; the count.
    int pump();
    // Pumps until the predicate holds or nothing is left to do; the predicate's value.
    bool pump_until(const std::function<bool()>& done);
    // Runs until WM_QUIT (its exit code), or until no window but service windows is left
    // and nothing is queued (0). Sleeps until a post or the next due timer.
    int run();
    // Dispatches as run() does, sleeping until a post or the next due timer, until the
    // predicate holds (true). A WM_QUIT taken stops the dispatching at once and stays
    // pending for run() (false); so does one met earlier.
    bool run_until(const std::function<bool()>& done);
    bool quit_pending() const { return pending_quit_.has_value(); }
    // The exit code of a WM_QUIT met while pumping, left pending for run().
    std::optional<int> pending_quit() const { return pending_quit_; }

    // Offered each posted message before its window; true consumes it.
    void set_message_filter(std::function<bool(const message&)> filter) { filter_ = std::move(filter); }
    // Told of an exception that left a handler; the loop goes on.
    void set_error_handler(std::function<void(std::exception_ptr)> handler) { on_error_ = std::move(handler); }
    // Called by run() each time nothing is posted, before it sleeps; an answer of true
    // (it did something) makes run() look for work again at once.
    void set_idle_handler(std::function<bool()> handler) { on_idle_ = std::move(handler); }

    // Windows. Creation sends WM_CREATE; a handler answering -1 fails it (0 is returned).
    window_id create_window(window_options options);
    // Destroys owned windows first, then sends WM_DESTROY and WM_NCDESTROY, then tells the
    // owner object. False for a window that does not exist.
    bool destroy_window(window_id window);
    bool is_window(window_id window) const;
    window_id owner(window_id window) const;
    bool is_popup(window_id window) const;
    rect bounds(window_id window) const;
    void move_window(window_id window, const rect& bounds);
    bool is_visible(window_id window) const;
    void show_window(window_id window, bool visible);
    bool is_enabled(window_id window) const;
    void enable_window(window_id window, bool enabled);
    std::string text(window_id window) const;
    void set_text(window_id window, std::string text);
    std::size_t window_count() const;
    // The windows other than service windows.
    std::size_t user_window_count() const;
    // The picture a window paints into: a canvas of its size, made at first use and
    // made again, blank, when the window's size changed. Throws std::invalid_argument for a
    // window that does not exist.
    gfx::bitmap& canvas(window_id window);
    // Queues one WM_PAINT to the window, however often it is called before the window
    // gets it. False for a window that does not exist.
    bool invalidate(window_id window);
    // Centres on the owner, or on the screen for a window without one.
    void centre_window(window_id window);
    void set_screen(const rect& screen) { screen_ = screen; }

    // Whether a key (a virtual key code) is down, as the key messages dispatched so far
    // tell; the user-interface thread only.
    bool key_state(int key) const { return keys_down_.count(key) != 0; }
    void set_key_state(int key, bool down);

    window_id main_window() const { return main_window_; }
    void set_main_window(window_id window) { main_window_ = window; }
    // The window in front of the user; 0 until one is brought there.
    void bring_to_front(window_id window);
    window_id foreground_window() const { return foreground_window_; }

    // The calls worker threads make into this thread (call_on_ui_thread); they run
    // whenever this queue dispatches.
    const std::shared_ptr<ui_call_channel>& ui_calls() const { return ui_calls_; }

    // Timers on the injected clock: WM_TIMER (wParam the timer id) comes after posted
    // messages, at most one pending per timer however many periods have passed.
    void set_timer(window_id window, std::uintptr_t timer, std::chrono::milliseconds period);
    void kill_timer(window_id window, std::uintptr_t timer);

private:
    struct window_record {
        window_options declared;
        bool enabled = true;
        std::optional<gfx::bitmap> canvas;
        std::atomic<bool> paint_pending {false};
    };
    struct timer_record {
        std::chrono::milliseconds period;
        std::chrono::milliseconds due;
    };

    std::shared_ptr<window_record> find(window_id window) const;
    window_record& existing(window_id window) const;
    std::optional<message> next_message();
    std::optional<std::chrono::milliseconds> next_due() const;
    // Sleeps until a post arrives or the next timer is due.
    void sleep_until_work() const;
    void dispatch(const message& posted);
    std::intptr_t call_handler(const std::shared_ptr<window_record>& record, const message& sent);
    void check_thread() const;

    const tick_clock& clock_;
    thread_id thread_;
    mutable std::mutex windows_mutex_;
    std::map<window_id, std::shared_ptr<window_record>> windows_;
    window_id last_window_ = 0;
    window_id main_window_ = 0;
    std::map<std::pair<window_id, std::uintptr_t>, timer_record> timers_;
    std::function<bool(const message&)> filter_;
    std::function<void(std::exception_ptr)> on_error_;
    std::function<bool()> on_idle_;
    rect screen_ {0, 0, 1024, 768};
    std::optional<int> pending_quit_; // a WM_QUIT met while pumping, for run()
    window_id foreground_window_ = 0;
    std::shared_ptr<ui_call_channel> ui_calls_;
    std::set<int> keys_down_;
};

}
