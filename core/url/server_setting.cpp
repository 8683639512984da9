#include "core/url/server_setting.h"

namespace core {

namespace {

bool usable_host(std::string_view host)
{
    if (host.empty())
        return false;
    for (unsigned char c : host) {
        if (c <= ' ' || c == 0x7f || c == '/' || c == '@')
            return false;
    }
    return true;
}

std::optional<std::uint16_t> parse_port(std::string_view text)
{
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}

std::optional<server_setting> parse_server_setting(std::string_view setting)
{
    std::string_view host = setting;
    std::string_view port;
    bool has_port = false;
    if (!setting.empty() && setting.front() == '[') {
        auto close = setting.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        host = setting.substr(1, close - 1);
        std::string_view rest = setting.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return std::nullopt;
            port = rest.substr(1);
            has_port = true;
        }
        if (host.find(':') == std::string_view::npos)
            return std::nullopt;
    } else {
        auto colon = setting.find(':');
        if (colon != std::string_view::npos) {
            host = setting.substr(0, colon);
            port = setting.substr(colon + 1);
            has_port = true;
        }
    }
    if (!usable_host(host))
        return std::nullopt;
    server_setting server;
    server.host = std::string(host);
    if (has_port) {
        auto number = parse_port(port);
        if (!number)
            return std::nullopt;
        server.port = *number;
    }
    return server;
}

}
