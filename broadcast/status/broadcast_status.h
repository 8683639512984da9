#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <string>

namespace platform::ui {
class Dialog;
}

namespace broadcast {

// States of a transport's worker: 1 preparing the files, 2 composing the message, 3
// sending, 4 sent, 5 succeeded, 6 failed or interrupted.
inline constexpr int state_succeeded = 5;
inline constexpr int state_failed = 6;
constexpr bool is_final_state(int state) { return state == state_succeeded || state == state_failed; }

// What the worker last reported, as the status dialog shows it.
struct status_snapshot {
    int state = 0;
    std::string detail;          // a second line under the state's text; empty for none
    std::string file_size_text;  // the request's size, empty until known
    std::uint64_t sent = 0;      // bytes of the request sent in state 3
    std::uint64_t total = 0;     // bytes of the request; 0 while unknown
};

// Shared by a transport's worker and its status dialog, which may go before the worker
// ends: the worker holds only this, never the dialog. The dialog attaches while it runs
// and detaches in its destructor; every report posts a change to an attached dialog.
// Cancel requests the stop source; the worker reads it at its checks and aborts a
// running upload through it.
class broadcast_status {
public:
    // The message the dialog receives on every change.
    static constexpr std::uint32_t changed_message = 0x0400 + 177;

    void set_state(int state, std::string detail = {});
    void set_file_size_text(std::string text);
    // Ten updates a second at most reach the dialog; the last byte always does.
    void set_sent(std::uint64_t sent, std::uint64_t total);

    status_snapshot snapshot() const;
    int state() const;

    // The user's Cancel: false when the worker had already reached a final state (nothing
    // was interrupted), else the stop is requested and true.
    bool cancel();
    std::stop_token stop_token() const { return stop_.get_token(); }
    bool stop_requested() const { return stop_.stop_requested(); }

    void attach(platform::ui::Dialog& dialog);
    void detach(const platform::ui::Dialog& dialog);

private:
    void post_change();

    mutable std::mutex mutex_;
    status_snapshot snapshot_;
    std::chrono::steady_clock::time_point sent_posted_ {};
    platform::ui::Dialog* dialog_ = nullptr;
    std::stop_source stop_;
};

}
