#pragma once

#include "platform/mail/simple_mapi.h"

#include <memory>
#include <vector>

namespace platform::testing {

// A bound Simple MAPI that records the calls made through it. Logon hands out session 7;
// resolve gives the name as name and address; each call answers its scripted code.
class recording_mapi final : public mail::simple_mapi {
public:
    struct logoff_call {
        mail::session_handle session;
        mail::window_handle window;
        std::uint32_t flags;
        std::uint32_t reserved;
    };
    struct logon_call {
        mail::window_handle window;
        std::string profile;
        std::string password;
        std::uint32_t flags;
    };
    struct resolve_call {
        mail::session_handle session;
        mail::window_handle window;
        std::string name;
        std::uint32_t flags;
    };
    struct send_call {
        mail::session_handle session;
        mail::window_handle window;
        mail::mapi_message message;
        std::uint32_t flags;
    };

    bool loaded() const override { return true; }
    std::uint32_t logon(mail::window_handle window, const std::string& profile, const std::string& password,
        std::uint32_t flags, std::uint32_t, mail::session_handle& session) override
    {
        logons.push_back({window, profile, password, flags});
        if (logon_code == mail::SUCCESS_SUCCESS)
            session = 7;
        return logon_code;
    }
    std::uint32_t resolve_name(mail::session_handle session, mail::window_handle window, const std::string& name,
        std::uint32_t flags, std::uint32_t, mail::mapi_recipient*& resolved) override
    {
        resolves.push_back({session, window, name, flags});
        if (resolve_code != mail::SUCCESS_SUCCESS)
            return resolve_code;
        auto description = std::make_unique<mail::mapi_recipient>();
        description->name = "resolved " + name;
        description->address = "SMTP:" + name;
        description->reserved = 4;
        description->entry_id = {1, 2, 3};
        resolved = description.get();
        descriptions.push_back(std::move(description));
        return mail::SUCCESS_SUCCESS;
    }
    std::uint32_t send_mail(mail::session_handle session, mail::window_handle window,
        const mail::mapi_message& message, std::uint32_t flags, std::uint32_t) override
    {
        sends.push_back({session, window, message, flags});
        return send_code;
    }
    std::uint32_t logoff(mail::session_handle session, mail::window_handle window, std::uint32_t flags,
        std::uint32_t reserved) override
    {
        logoffs.push_back({session, window, flags, reserved});
        return mail::SUCCESS_SUCCESS;
    }
    std::uint32_t free_buffer(void* buffer) override
    {
        freed.push_back(buffer);
        return mail::SUCCESS_SUCCESS;
    }

    std::uint32_t logon_code = mail::SUCCESS_SUCCESS;
    std::uint32_t resolve_code = mail::SUCCESS_SUCCESS;
    std::uint32_t send_code = mail::SUCCESS_SUCCESS;

    std::vector<logon_call> logons;
    std::vector<resolve_call> resolves;
    std::vector<send_call> sends;
    std::vector<logoff_call> logoffs;
    std::vector<void*> freed;
    std::vector<std::unique_ptr<mail::mapi_recipient>> descriptions;
};

}
