#include "broadcast/smtp/smtp_settings.h"

#include "core/url/server_setting.h"

namespace broadcast::smtp {

std::optional<smtp_server> parse_smtp_server(std::string_view setting)
{
    auto parsed = core::parse_server_setting(setting);
    if (!parsed || parsed->port == std::uint16_t {0})
        return std::nullopt;
    return smtp_server {std::move(parsed->host), parsed->port.value_or(default_smtp_port)};
}

bool usable_destination_address(std::string_view address)
{
    if (address.empty())
        return false;
    return address.find_first_of(std::string_view("\r\n\0<>", 5)) == std::string_view::npos;
}

}
