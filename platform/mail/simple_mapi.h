#pragma once

#include <cstdint>

namespace platform::mail {

// The Simple MAPI entry points, in the order of the binding's table.
enum class mapi_entry {
    MAPILogon,
    MAPILogonEx,
    MAPILogoff,
    MAPISendMail,
    MAPISendDocuments,
    MAPIFindNext,
    MAPIReadMail,
    MAPISaveMail,
    MAPIDeleteMail,
    MAPIFreeBuffer,
    MAPIAddress,
    MAPIDetails,
    MAPIResolveName,
};

using session_handle = std::uintptr_t;
using window_handle = std::uintptr_t;

inline constexpr std::uint32_t SUCCESS_SUCCESS = 0;
inline constexpr std::uint32_t MAPI_E_FAILURE = 2;

// The run-time binding of the local mail system's Simple MAPI library.
class simple_mapi {
public:
    virtual ~simple_mapi() = default;
    virtual bool loaded() const = 0;
    virtual std::uint32_t logoff(session_handle session, window_handle window, std::uint32_t flags,
        std::uint32_t reserved) = 0;
    virtual std::uint32_t free_buffer(void* buffer) = 0;
};

// No mail system is bound on this platform yet: nothing is loaded and every call fails.
class unbound_simple_mapi final : public simple_mapi {
public:
    bool loaded() const override { return false; }
    std::uint32_t logoff(session_handle, window_handle, std::uint32_t, std::uint32_t) override
    {
        return MAPI_E_FAILURE;
    }
    std::uint32_t free_buffer(void*) override { return MAPI_E_FAILURE; }
};

}
