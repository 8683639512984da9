#pragma once

#include "broadcast/status/broadcast_status.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

namespace platform::ui {
class Dialog;
}

namespace broadcast {

// One change for the FTP status dialog, in the order the task made it.
struct ftp_status_event {
    enum class kind { ended = 0, progress = 1, text = 2, line = 3 };
    kind what = kind::text;
    int value = 0;     // ended: 1 success, 0 failure; progress: percent; line: the control
    std::string text;  // text: a status text; line: the control's new text
};

// Shared by the FTP task's observer and the status dialog, which may go first: the task
// holds only this. Every change is queued and announced to an attached dialog with
// WM_USER+1972 (wParam the event's kind); progress coalesces while unread. Once the user
// stopped the broadcast or the dialog went, the task is told to stop.
class ftp_status_channel {
public:
    static constexpr std::uint32_t message = 0x0400 + 1972;

    // The task's side. report: a progress and a status text (empty: none); true: go on.
    bool report(int percent, std::string text);
    void line(int control, std::string text);
    void end(bool success);
    bool go_on() const;
    // Whether a step of the task is current.
    void set_busy(bool busy) { busy_.store(busy); }
    bool busy() const { return busy_.load(); }

    // The dialog's side.
    void attach(platform::ui::Dialog& dialog);
    void detach(const platform::ui::Dialog& dialog);
    // The user's Cancel: false when the task had already ended (nothing was interrupted).
    bool stop();
    std::deque<ftp_status_event> take_events();
    bool ended() const { return status_.state() != 0; }

private:
    void push(ftp_status_event event);

    mutable std::mutex mutex_;
    std::deque<ftp_status_event> events_;
    platform::ui::Dialog* dialog_ = nullptr;
    bool detached_ = false;
    std::atomic<bool> busy_ {false};
    // The stop and the outcome: its state stays 0 until the task ends, then 5 or 6.
    broadcast_status status_;
};

}
