#include "broadcast/ftp/ftp_server_setting.h"

#include "core/log/trace_log.h"
#include "core/url/server_setting.h"

namespace broadcast {

const char* default_ftp_host()
{
    return TALVERIN_FTP_HOST;
}

std::optional<ftp_server_address> parse_ftp_server(std::string_view setting, std::string_view default_host)
{
    auto parsed = core::parse_server_setting(setting.empty() ? default_host : setting);
    if (!parsed)
        return std::nullopt;
    return ftp_server_address {std::move(parsed->host), parsed->port.value_or(0)};
}

ftp_server_setting::ftp_server_setting(std::function<std::string()> read_value, std::string default_host)
    : read_value_(std::move(read_value)), default_host_(std::move(default_host))
{
}

std::optional<std::string> ftp_server_setting::quorbis_ftp_server()
{
    std::lock_guard guard(mutex_);
    if (!host_read_) {
        host_read_ = true;
        if (auto address = parse_ftp_server(read_value_(), default_host_))
            host_ = address->host;
    }
    TRACE_LOG("quorbis_ftp_connection::quorbis_ftp_server() - url: = %s\n", host_ ? host_->c_str() : "(unusable)");
    return host_;
}

std::optional<std::uint16_t> ftp_server_setting::quorbis_ftp_port(std::uint16_t given)
{
    if (given != 0)
        return given;
    auto address = parse_ftp_server(read_value_(), default_host_);
    if (!address)
        return std::nullopt;
    return address->port;
}

}
