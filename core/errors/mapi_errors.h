#pragma once

#include "platform/mail/simple_mapi.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {
struct services;
}
namespace platform::prompts {
class prompt;
}
namespace platform::strings {
class string_table;
}

namespace core {

// A failed Simple MAPI call: which entry point and the code it returned.
struct mapi_failure {
    platform::mail::mapi_entry entry;
    std::uint32_t code;
};

struct mapi_code_message {
    std::uint32_t code;
    unsigned message_id;
};

inline constexpr unsigned mapi_default_message = 3090;

inline constexpr mapi_code_message mapi_logon_messages[] = {
    {2, 3073}, {5, 3074}, {3, 3075}, {8, 3076}, {1, 3077},
};
inline constexpr mapi_code_message mapi_resolve_name_messages[] = {
    {21, 3078}, {14, 3079}, {2, 3080}, {5, 3074}, {3, 3075}, {26, 3081}, {1, 3077},
};
inline constexpr mapi_code_message mapi_send_mail_messages[] = {
    {21, 3078}, {11, 3082}, {12, 3083}, {15, 3084}, {2, 3085}, {5, 3074}, {25, 3086},
    {3, 3075}, {18, 3087}, {9, 3088}, {10, 3089}, {14, 3079}, {1, 3077},
};

// The message id of the first row with the code, else the default.
constexpr unsigned find_code_message(const mapi_code_message* table, std::uint32_t code, std::size_t count,
    unsigned default_id)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (table[i].code == code)
            return table[i].message_id;
    }
    return default_id;
}

// The message shown for a failure: chosen by entry point and code.
unsigned mapi_failure_message_id(const mapi_failure& record);

// Shows the failure's message (OK button, no icon) and abandons the current command.
[[noreturn]] void ReportMapiError(const mapi_failure& record, platform::services& services);
// The same through a given prompt, such as a worker thread's.
[[noreturn]] void ReportMapiError(const mapi_failure& record, platform::prompts::prompt& prompt,
    const platform::strings::string_table& strings);

// A library bound at run time, and what it reports when binding fails.
struct library_binding {
    bool loaded = false;
    std::function<void(const std::string& message, std::uint32_t error)> failure_callback;
    std::uint32_t error = 0;
};

// Unless the load succeeded or no callback is set: passes the message (the format with
// each "%s" replaced by the argument, the argument alone, or nothing) and the error.
void report_binding_failure(const library_binding& binding, const char* format, const char* argument);

// Ends a Simple MAPI session (session, parent window, flags 0, reserved 0).
std::uint32_t mapi_session_logoff(platform::mail::simple_mapi& mapi, platform::mail::session_handle session,
    platform::mail::window_handle window = 0);

// Frees a Simple MAPI buffer; a null pointer calls nothing.
void mapi_buffer_free(platform::mail::simple_mapi& mapi, void* buffer);

}
