#include "broadcast/ftp/ftp_status_channel.h"

#include "platform/ui/dialog.h"

#include <utility>

namespace broadcast {

void ftp_status_channel::push(ftp_status_event event)
{
    // Progress not yet read is replaced: a slow dialog never falls behind the upload.
    if (event.what == ftp_status_event::kind::progress && !events_.empty()
        && events_.back().what == ftp_status_event::kind::progress) {
        events_.back().value = event.value;
        return;
    }
    const auto what = static_cast<std::uintptr_t>(event.what);
    events_.push_back(std::move(event));
    if (dialog_)
        dialog_->post(message, what);
}

bool ftp_status_channel::report(int percent, std::string text)
{
    std::lock_guard guard(mutex_);
    push({ftp_status_event::kind::progress, percent, {}});
    if (!text.empty())
        push({ftp_status_event::kind::text, 0, std::move(text)});
    return !detached_ && !status_.stop_requested();
}

void ftp_status_channel::line(int control, std::string text)
{
    std::lock_guard guard(mutex_);
    push({ftp_status_event::kind::line, control, std::move(text)});
}

void ftp_status_channel::end(bool success)
{
    std::lock_guard guard(mutex_);
    status_.set_state(success ? state_succeeded : state_failed);
    push({ftp_status_event::kind::ended, success ? 1 : 0, {}});
}

bool ftp_status_channel::go_on() const
{
    std::lock_guard guard(mutex_);
    return !detached_ && !status_.stop_requested();
}

void ftp_status_channel::attach(platform::ui::Dialog& dialog)
{
    std::lock_guard guard(mutex_);
    dialog_ = &dialog;
    if (!events_.empty())
        dialog.post(message, static_cast<std::uintptr_t>(events_.front().what));
}

void ftp_status_channel::detach(const platform::ui::Dialog& dialog)
{
    std::lock_guard guard(mutex_);
    if (dialog_ == &dialog) {
        dialog_ = nullptr;
        detached_ = true;
    }
}

bool ftp_status_channel::stop()
{
    std::lock_guard guard(mutex_);
    return status_.cancel();
}

std::deque<ftp_status_event> ftp_status_channel::take_events()
{
    std::lock_guard guard(mutex_);
    return std::exchange(events_, {});
}

}
