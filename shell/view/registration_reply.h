#pragma once

#include "platform/strings/string_table.h"

#include <optional>
#include <string>
#include <string_view>

namespace shell {

// "Registration of form was completed successfully. Would you like to Broadcast your form now?"
inline constexpr unsigned IDS_REGISTERED_BROADCAST_NOW = 20046;

// The form validator's reply as the registration driver reads it.
struct registration_reply {
    // The return code written right after name="ReturnCode1"; none when the marker is
    // missing or no digit follows it, so a broken reply never passes for a registered form.
    std::optional<int> code;
    // What the user is shown: the code's message (with its prefix), else the reply unchanged.
    std::string text;
};

registration_reply read_registration_reply(const std::string& reply, const platform::strings::string_table& strings);

}
