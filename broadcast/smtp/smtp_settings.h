#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace broadcast::smtp {

inline constexpr std::uint16_t default_smtp_port = 25;

struct smtp_server {
    std::string host;
    std::uint16_t port = default_smtp_port;
};

// The SMTP server setting "host", "host:port" or "[v6 address]:port"; port 25 when absent.
// Nothing for an empty host, a port outside 1-65535 or not all digits, or a host holding
// blanks, controls, "/" or "@".
std::optional<smtp_server> parse_smtp_server(std::string_view setting);

// The destination mailbox (SMTPDestAddr) as it may go into an envelope and a header: not
// empty, no CR, LF, NUL, "<" or ">" that would end the command or inject a header.
bool usable_destination_address(std::string_view address);

// "The SMTP destination address ... is not usable", naming the setting.
inline constexpr unsigned dest_addr_refused_message = 1190;

}
