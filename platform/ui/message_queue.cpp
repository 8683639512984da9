#include "platform/ui/message_queue.h"

#include <algorithm>
#include <stdexcept>

namespace platform::ui {

MessageQueue::MessageQueue(const tick_clock& clock)
    : clock_(clock), thread_(current_thread_id()), ui_calls_(std::make_shared<ui_call_channel>(thread_))
{
}

MessageQueue::~MessageQueue()
{
    ui_calls_->close();
    // What was posted to this loop dies with it.
    if (current_thread_id() == thread_) {
        while (peek(0, 0, true)) { }
    }
}

void MessageQueue::check_thread() const
{
    if (current_thread_id() != thread_)
        throw std::logic_error("window operations belong to the user-interface thread");
}

std::shared_ptr<MessageQueue::window_record> MessageQueue::find(window_id window) const
{
    std::lock_guard guard(windows_mutex_);
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : it->second;
}

MessageQueue::window_record& MessageQueue::existing(window_id window) const
{
    auto record = find(window);
    if (!record)
        throw std::invalid_argument("no window " + std::to_string(window));
    return *record;
}

bool MessageQueue::post(window_id window, std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam)
{
    auto record = find(window);
    if (!record)
        return false;
    if (is_input_message(id)) {
        std::lock_guard guard(windows_mutex_);
        if (!record->enabled)
            return false;
    }
    return post_message(thread_, message {window, id, wparam, lparam});
}

bool MessageQueue::post_thread(std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam)
{
    return post_message(thread_, message {0, id, wparam, lparam});
}

void MessageQueue::post_quit(int exit_code)
{
    post_message(thread_, message {0, WM_QUIT, static_cast<std::uintptr_t>(exit_code), 0});
}

std::intptr_t MessageQueue::call_handler(const std::shared_ptr<window_record>& record, const message& sent)
{
    return record->declared.handler ? record->declared.handler(sent) : 0;
}

std::intptr_t MessageQueue::send(window_id window, std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam)
{
    check_thread();
    auto record = find(window);
    if (!record)
        return 0;
    return call_handler(record, message {window, id, wparam, lparam});
}

std::optional<std::chrono::milliseconds> MessageQueue::next_due() const
{
    std::optional<std::chrono::milliseconds> due;
    for (const auto& [key, timer] : timers_) {
        if (!due || timer.due < *due)
            due = timer.due;
    }
    return due;
}

std::optional<message> MessageQueue::next_message()
{
    if (auto posted = peek(0, 0, true))
        return posted;
    auto now = clock_.now();
    // The earliest due timer fires once; its next period starts now.
    auto due = std::min_element(timers_.begin(), timers_.end(),
        [](const auto& a, const auto& b) { return a.second.due < b.second.due; });
    if (due == timers_.end() || due->second.due > now)
        return std::nullopt;
    due->second.due = now + due->second.period;
    return message {due->first.first, WM_TIMER, due->first.second, 0};
}

void MessageQueue::dispatch(const message& posted)
{
    try {
        if (posted.window == 0 && posted.id == ui_call_message) {
            ui_calls_->run_pending();
            return;
        }
        if (posted.id == WM_KEYDOWN || posted.id == WM_SYSKEYDOWN || posted.id == WM_KEYUP || posted.id == 0x0105)
            set_key_state(static_cast<int>(posted.wparam), posted.id == WM_KEYDOWN || posted.id == WM_SYSKEYDOWN);
        if (filter_ && filter_(posted))
            return;
        if (posted.window == 0)
            return;
        auto record = find(posted.window);
        if (!record)
            return;
        if (is_input_message(posted.id) && !is_enabled(posted.window))
            return;
        if (posted.id == WM_PAINT)
            record->paint_pending = false; // what changes while it paints asks for another
        call_handler(record, posted);
    } catch (...) {
        if (!on_error_)
            throw;
        on_error_(std::current_exception());
    }
}

void MessageQueue::set_key_state(int key, bool down)
{
    if (down)
        keys_down_.insert(key);
    else
        keys_down_.erase(key);
}

int MessageQueue::pump()
{
    check_thread();
    int count = 0;
    while (!pending_quit_) {
        auto posted = next_message();
        if (!posted)
            break;
        if (posted->id == WM_QUIT) {
            // Kept for run() to end the loop; what was posted after it stays queued.
            pending_quit_ = static_cast<int>(posted->wparam);
            break;
        }
        dispatch(*posted);
        ++count;
    }
    return count;
}

bool MessageQueue::pump_until(const std::function<bool()>& done)
{
    check_thread();
    while (!done()) {
        if (pending_quit_)
            return false;
        auto posted = next_message();
        if (!posted)
            return done();
        if (posted->id == WM_QUIT) {
            pending_quit_ = static_cast<int>(posted->wparam);
            return done();
        }
        dispatch(*posted);
    }
    return true;
}

void MessageQueue::sleep_until_work() const
{
    auto due = next_due();
    if (!due) {
        wait(INFINITE_WAIT);
        return;
    }
    auto left = *due - clock_.now();
    if (left.count() > 0)
        wait(static_cast<std::uint32_t>(std::min<long long>(left.count(), INFINITE_WAIT - 1)));
}

bool MessageQueue::run_until(const std::function<bool()>& done)
{
    check_thread();
    for (;;) {
        if (pending_quit_)
            return false;
        if (done())
            return true;
        if (auto posted = next_message()) {
            if (posted->id == WM_QUIT)
                pending_quit_ = static_cast<int>(posted->wparam);
            else
                dispatch(*posted);
            continue;
        }
        sleep_until_work();
    }
}

int MessageQueue::run()
{
    check_thread();
    for (;;) {
        if (pending_quit_) {
            int code = *pending_quit_;
            pending_quit_.reset();
            return code;
        }
        if (auto posted = next_message()) {
            if (posted->id == WM_QUIT)
                return static_cast<int>(posted->wparam);
            dispatch(*posted);
            continue;
        }
        if (user_window_count() == 0)
            return 0;
        if (on_idle_ && on_idle_())
            continue;
        if (user_window_count() == 0)
            return 0;
        sleep_until_work();
    }
}

window_id MessageQueue::create_window(window_options options)
{
    check_thread();
    if (options.owner != 0 && !find(options.owner))
        return 0;
    auto record = std::make_shared<window_record>();
    record->declared = std::move(options);
    window_id id;
    {
        std::lock_guard guard(windows_mutex_);
        id = ++last_window_;
        windows_.emplace(id, record);
    }
    if (call_handler(record, message {id, WM_CREATE, 0, 0}) == -1) {
        destroy_window(id);
        return 0;
    }
    return id;
}

bool MessageQueue::destroy_window(window_id window)
{
    check_thread();
    auto record = find(window);
    if (!record)
        return false;
    std::vector<window_id> owned;
    {
        std::lock_guard guard(windows_mutex_);
        for (const auto& [id, other] : windows_) {
            if (other->declared.owner == window)
                owned.push_back(id);
        }
    }
    for (auto id : owned)
        destroy_window(id);
    call_handler(record, message {window, WM_DESTROY, 0, 0});
    call_handler(record, message {window, WM_NCDESTROY, 0, 0});
    {
        std::lock_guard guard(windows_mutex_);
        if (windows_.erase(window) == 0)
            return true; // a handler destroyed it already
    }
    for (auto it = timers_.begin(); it != timers_.end();) {
        if (it->first.first == window)
            it = timers_.erase(it);
        else
            ++it;
    }
    if (main_window_ == window)
        main_window_ = 0;
    if (record->declared.on_destroyed)
        record->declared.on_destroyed();
    return true;
}

gfx::bitmap& MessageQueue::canvas(window_id window)
{
    check_thread();
    auto& record = existing(window);
    const auto& bounds = record.declared.bounds;
    int width = bounds.width() < 1 ? 1 : bounds.width();
    int height = bounds.height() < 1 ? 1 : bounds.height();
    if (!record.canvas || record.canvas->width() != width || record.canvas->height() != height)
        record.canvas = gfx::bitmap::blank(width, height);
    return *record.canvas;
}

bool MessageQueue::invalidate(window_id window)
{
    auto record = find(window);
    if (!record)
        return false;
    if (record->paint_pending.exchange(true))
        return true;
    if (!post(window, WM_PAINT)) {
        record->paint_pending = false;
        return false;
    }
    return true;
}

bool MessageQueue::is_window(window_id window) const
{
    return find(window) != nullptr;
}

window_id MessageQueue::owner(window_id window) const
{
    return existing(window).declared.owner;
}

bool MessageQueue::is_popup(window_id window) const
{
    return existing(window).declared.popup;
}

rect MessageQueue::bounds(window_id window) const
{
    return existing(window).declared.bounds;
}

void MessageQueue::move_window(window_id window, const rect& bounds)
{
    existing(window).declared.bounds = bounds;
}

bool MessageQueue::is_visible(window_id window) const
{
    auto record = find(window);
    return record && record->declared.visible;
}

void MessageQueue::show_window(window_id window, bool visible)
{
    existing(window).declared.visible = visible;
}

bool MessageQueue::is_enabled(window_id window) const
{
    auto record = find(window);
    std::lock_guard guard(windows_mutex_);
    return record && record->enabled;
}

void MessageQueue::enable_window(window_id window, bool enabled)
{
    auto& record = existing(window);
    std::lock_guard guard(windows_mutex_);
    record.enabled = enabled;
}

std::string MessageQueue::text(window_id window) const
{
    return existing(window).declared.text;
}

void MessageQueue::set_text(window_id window, std::string text)
{
    existing(window).declared.text = std::move(text);
}

std::size_t MessageQueue::window_count() const
{
    std::lock_guard guard(windows_mutex_);
    return windows_.size();
}

std::size_t MessageQueue::user_window_count() const
{
    std::lock_guard guard(windows_mutex_);
    std::size_t count = 0;
    for (const auto& [id, record] : windows_)
        count += record->declared.service ? 0 : 1;
    return count;
}

void MessageQueue::centre_window(window_id window)
{
    auto& record = existing(window);
    rect around = screen_;
    if (record.declared.owner != 0) {
        if (auto owner_record = find(record.declared.owner))
            around = owner_record->declared.bounds;
    }
    rect& own = record.declared.bounds;
    int width = own.width();
    int height = own.height();
    own.left = around.left + (around.width() - width) / 2;
    own.top = around.top + (around.height() - height) / 2;
    own.right = own.left + width;
    own.bottom = own.top + height;
}

void MessageQueue::bring_to_front(window_id window)
{
    check_thread();
    if (find(window))
        foreground_window_ = window;
}

void MessageQueue::set_timer(window_id window, std::uintptr_t timer, std::chrono::milliseconds period)
{
    check_thread();
    if (!find(window))
        throw std::invalid_argument("no window " + std::to_string(window));
    timers_[{window, timer}] = timer_record {period, clock_.now() + period};
}

void MessageQueue::kill_timer(window_id window, std::uintptr_t timer)
{
    timers_.erase({window, timer});
}

}
