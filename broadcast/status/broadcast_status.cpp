#include "broadcast/status/broadcast_status.h"

#include "platform/ui/dialog.h"

namespace broadcast {

void broadcast_status::post_change()
{
    if (dialog_)
        dialog_->post(changed_message);
}

void broadcast_status::set_state(int state, std::string detail)
{
    std::lock_guard guard(mutex_);
    snapshot_.state = state;
    snapshot_.detail = std::move(detail);
    post_change();
}

void broadcast_status::set_file_size_text(std::string text)
{
    std::lock_guard guard(mutex_);
    snapshot_.file_size_text = std::move(text);
    post_change();
}

void broadcast_status::set_sent(std::uint64_t sent, std::uint64_t total)
{
    std::lock_guard guard(mutex_);
    snapshot_.sent = sent;
    snapshot_.total = total;
    const auto now = std::chrono::steady_clock::now();
    if (sent == total || now - sent_posted_ >= std::chrono::milliseconds(100)) {
        sent_posted_ = now;
        post_change();
    }
}

status_snapshot broadcast_status::snapshot() const
{
    std::lock_guard guard(mutex_);
    return snapshot_;
}

int broadcast_status::state() const
{
    std::lock_guard guard(mutex_);
    return snapshot_.state;
}

bool broadcast_status::cancel()
{
    std::lock_guard guard(mutex_);
    if (is_final_state(snapshot_.state))
        return false;
    stop_.request_stop();
    return true;
}

void broadcast_status::attach(platform::ui::Dialog& dialog)
{
    std::lock_guard guard(mutex_);
    dialog_ = &dialog;
    post_change();
}

void broadcast_status::detach(const platform::ui::Dialog& dialog)
{
    std::lock_guard guard(mutex_);
    if (dialog_ == &dialog)
        dialog_ = nullptr;
}

}
