#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace core {

// A server setting as the user writes it: "host", "host:port" or "[v6 address]:port".
struct server_setting {
    std::string host;
    std::optional<std::uint16_t> port; // absent when the setting names none
};

// Nothing for an empty host, a port that is not 1-5 digits up to 65535, an unclosed or
// empty bracket, or a host holding blanks, controls, "/" or "@" (which would change the
// address or the command it goes into). Port 0 is returned as given: callers decide
// whether it means their default.
std::optional<server_setting> parse_server_setting(std::string_view setting);

}
