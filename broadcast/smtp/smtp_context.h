#pragma once

#include <chrono>

namespace platform::net {
class host_names;
}
namespace platform::prompts {
class prompt;
}
namespace platform::strings {
class string_table;
}

namespace broadcast::smtp {

// Message boxes of the SMTP dialogue.
inline constexpr unsigned smtp_time_out_question = 1145;  // Retry or Cancel
inline constexpr unsigned smtp_server_not_found = 1146;
inline constexpr unsigned smtp_no_response = 1147;

// What the mail thread needs from the program: whom to ask, the texts, this machine's name
// and how long it waits before asking (ticks of one second; tests use shorter ticks).
// The prompt is called from the mail thread.
struct smtp_context {
    platform::prompts::prompt& prompt;
    const platform::strings::string_table& strings;
    const platform::net::host_names& names;
    unsigned wait_timeout = 25;
    std::chrono::milliseconds tick {1000};
};

}
