#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
inline constexpr std::uint32_t MAPI_USER_ABORT = 1;
inline constexpr std::uint32_t MAPI_E_FAILURE = 2;
inline constexpr std::uint32_t MAPI_E_LOGON_FAILURE = 3;
inline constexpr std::uint32_t MAPI_E_ATTACHMENT_NOT_FOUND = 11;
inline constexpr std::uint32_t MAPI_E_ATTACHMENT_OPEN_FAILURE = 12;
inline constexpr std::uint32_t MAPI_E_UNKNOWN_RECIPIENT = 14;
inline constexpr std::uint32_t MAPI_E_BAD_RECIPTYPE = 15;
inline constexpr std::uint32_t MAPI_E_INVALID_SESSION = 19;
inline constexpr std::uint32_t MAPI_E_INVALID_RECIPS = 25;

// Recipient classes.
inline constexpr std::uint32_t MAPI_ORIG = 0;
inline constexpr std::uint32_t MAPI_TO = 1;
inline constexpr std::uint32_t MAPI_CC = 2;
inline constexpr std::uint32_t MAPI_BCC = 3;

// Logon and resolve flags.
inline constexpr std::uint32_t MAPI_LOGON_UI = 0x1;
inline constexpr std::uint32_t MAPI_NEW_SESSION = 0x2;
inline constexpr std::uint32_t MAPI_DIALOG = 0x8;

// One recipient (or the originator) of a message.
struct mapi_recipient {
    std::uint32_t reserved = 0;
    std::uint32_t recip_class = MAPI_TO;
    std::string name;
    std::string address;
    std::vector<std::uint8_t> entry_id;

    bool operator==(const mapi_recipient&) const = default;
};

// One attached file: read from path_name, sent under file_name (the path's last part when
// empty).
struct mapi_file {
    std::uint32_t reserved = 0;
    std::uint32_t flags = 0;
    std::uint32_t position = 0;
    std::string path_name;
    std::string file_name;

    bool operator==(const mapi_file&) const = default;
};

struct mapi_message {
    std::string subject;
    std::string note_text;
    std::uint32_t flags = 0;
    std::optional<mapi_recipient> originator;
    std::vector<mapi_recipient> recipients;
    std::vector<mapi_file> files;

    bool operator==(const mapi_message&) const = default;
};

// The run-time binding of the local mail system's Simple MAPI library.
class simple_mapi {
public:
    virtual ~simple_mapi() = default;
    virtual bool loaded() const = 0;
    virtual std::uint32_t logon(window_handle window, const std::string& profile, const std::string& password,
        std::uint32_t flags, std::uint32_t reserved, session_handle& session) = 0;
    // On success `resolved` points to a description owned by the binding until free_buffer().
    virtual std::uint32_t resolve_name(session_handle session, window_handle window, const std::string& name,
        std::uint32_t flags, std::uint32_t reserved, mapi_recipient*& resolved) = 0;
    virtual std::uint32_t send_mail(session_handle session, window_handle window, const mapi_message& message,
        std::uint32_t flags, std::uint32_t reserved) = 0;
    virtual std::uint32_t logoff(session_handle session, window_handle window, std::uint32_t flags,
        std::uint32_t reserved) = 0;
    virtual std::uint32_t free_buffer(void* buffer) = 0;
};

// No mail system is bound on this platform yet: nothing is loaded and every call fails.
class unbound_simple_mapi final : public simple_mapi {
public:
    bool loaded() const override { return false; }
    std::uint32_t logon(window_handle, const std::string&, const std::string&, std::uint32_t, std::uint32_t,
        session_handle&) override
    {
        return MAPI_E_FAILURE;
    }
    std::uint32_t resolve_name(session_handle, window_handle, const std::string&, std::uint32_t, std::uint32_t,
        mapi_recipient*&) override
    {
        return MAPI_E_FAILURE;
    }
    std::uint32_t send_mail(session_handle, window_handle, const mapi_message&, std::uint32_t, std::uint32_t) override
    {
        return MAPI_E_FAILURE;
    }
    std::uint32_t logoff(session_handle, window_handle, std::uint32_t, std::uint32_t) override
    {
        return MAPI_E_FAILURE;
    }
    std::uint32_t free_buffer(void*) override { return MAPI_E_FAILURE; }
};

}
