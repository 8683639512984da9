#pragma once

#include "platform/mail/mail_transfer.h"

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::testing {

// The local mail system for tests: every message accepted goes into an outbox in Maildir
// layout (written under tmp/, then moved to new/), byte for byte as the real transfer
// would pipe it. Scripted codes answer the next hand-overs (a failed one stores nothing);
// an entry point can be declared missing, and the whole transfer unavailable.
class maildir_outbox final : public mail::mail_transfer {
public:
    explicit maildir_outbox(std::string folder);

    bool available() const override { return available_; }
    bool provides(mail::mapi_entry entry) const override { return !missing_ || *missing_ != entry; }
    std::uint32_t deliver(const std::string& message) override;

    void set_available(bool available) { available_ = available; }
    void set_missing(mail::mapi_entry entry) { missing_ = entry; }
    void answer_next(std::uint32_t code);

    // The messages in new/, oldest first.
    std::vector<std::string> messages() const;
    std::size_t calls() const;

private:
    std::string folder_;
    bool available_ = true;
    std::optional<mail::mapi_entry> missing_;
    mutable std::mutex mutex_;
    std::deque<std::uint32_t> codes_;
    std::size_t calls_ = 0;
};

}
