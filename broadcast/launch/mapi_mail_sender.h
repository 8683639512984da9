#pragma once

#include "core/errors/mapi_errors.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace broadcast {

// A Simple MAPI call that failed; the worker shows the failure's message.
class mapi_error : public std::runtime_error {
public:
    explicit mapi_error(core::mapi_failure failure)
        : std::runtime_error("Simple MAPI call failed with code " + std::to_string(failure.code)), failure_(failure)
    {
    }
    const core::mapi_failure& failure() const { return failure_; }

private:
    core::mapi_failure failure_;
};

// One mail as the Simple MAPI worker sends it: one "to" recipient, files attached in order.
struct mapi_mail {
    std::string subject;
    std::string recipient; // address and display name
    std::vector<std::string> attachments;
};

// The local mail system's session as the Simple MAPI worker uses it. logon and send throw
// mapi_error naming the call that failed.
class mapi_mail_sender {
public:
    virtual ~mapi_mail_sender() = default;
    // The mail system's entry points are bound.
    virtual bool loaded() const = 0;
    virtual void logon(std::uintptr_t parent_window) = 0;
    virtual void send(const mapi_mail& mail) = 0;
    // Ends the session of a successful logon.
    virtual void logoff() = 0;
};

}
