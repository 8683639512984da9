#pragma once

#include "platform/mail/simple_mapi.h"

#include <vector>

namespace platform::testing {

// A bound Simple MAPI that records the calls made through it.
class recording_mapi final : public mail::simple_mapi {
public:
    struct logoff_call {
        mail::session_handle session;
        mail::window_handle window;
        std::uint32_t flags;
        std::uint32_t reserved;
    };

    bool loaded() const override { return true; }
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

    std::vector<logoff_call> logoffs;
    std::vector<void*> freed;
};

}
