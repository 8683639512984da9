#pragma once

#include "platform/mail/mail_transfer.h"
#include "platform/mail/mapi_binding.h"
#include "platform/mail/simple_mapi.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace platform {
class clock;
}

namespace core {

// Simple MAPI over the local mail system: bound when the transfer is available and offers
// the entry points used here; logon opens a session without asking, resolve takes the
// trimmed address as it is, send composes the message and hands it to the transfer.
// Calls may come from any thread.
class local_mail final : public platform::mail::mapi_binding, public platform::mail::simple_mapi {
public:
    local_mail(platform::mail::mail_transfer& transfer, const platform::clock& clock);

    bool load_simple_mapi() override;
    void unload_simple_mapi() override;
    bool is_simple_mapi_loaded() const override;

    bool loaded() const override { return is_simple_mapi_loaded(); }
    std::uint32_t logon(platform::mail::window_handle window, const std::string& profile,
        const std::string& password, std::uint32_t flags, std::uint32_t reserved,
        platform::mail::session_handle& session) override;
    std::uint32_t resolve_name(platform::mail::session_handle session, platform::mail::window_handle window,
        const std::string& name, std::uint32_t flags, std::uint32_t reserved,
        platform::mail::mapi_recipient*& resolved) override;
    std::uint32_t send_mail(platform::mail::session_handle session, platform::mail::window_handle window,
        const platform::mail::mapi_message& message, std::uint32_t flags, std::uint32_t reserved) override;
    std::uint32_t logoff(platform::mail::session_handle session, platform::mail::window_handle window,
        std::uint32_t flags, std::uint32_t reserved) override;
    std::uint32_t free_buffer(void* buffer) override;

private:
    bool open_session(platform::mail::session_handle session) const;

    platform::mail::mail_transfer& transfer_;
    const platform::clock& clock_;
    mutable std::mutex mutex_;
    std::mutex transfer_mutex_;
    bool loaded_ = false;
    platform::mail::session_handle last_session_ = 0;
    std::set<platform::mail::session_handle> sessions_;
    std::map<void*, std::unique_ptr<platform::mail::mapi_recipient>> buffers_;
};

}
