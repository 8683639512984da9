#pragma once

#include "platform/mail/simple_mapi.h"

#include <cstdint>
#include <string>

namespace platform::mail {

// Where a composed message goes: the machine's mail system, or an outbox in tests.
class mail_transfer {
public:
    virtual ~mail_transfer() = default;
    // True when messages can be handed over at all.
    virtual bool available() const = 0;
    // Whether the Simple MAPI entry point can be offered over this transfer.
    virtual bool provides(mapi_entry) const { return true; }
    // Hands the message over (LF line ends); SUCCESS_SUCCESS or a Simple MAPI code.
    virtual std::uint32_t deliver(const std::string& message) = 0;
    // What the last hand-over printed or why it failed, for the trace.
    virtual std::string last_report() const { return {}; }
};

}
