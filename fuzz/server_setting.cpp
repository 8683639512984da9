// Any text as a server setting: what is accepted has a host without blanks, controls, "/"
// or "@" and a port that fits 16 bits; FTP takes what the shared reader takes (an empty
// setting names its default), SMTP refuses port 0.
#include "broadcast/ftp/ftp_server_setting.h"
#include "broadcast/smtp/smtp_settings.h"
#include "core/url/server_setting.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view setting(reinterpret_cast<const char*>(data), size);
    const auto parsed = core::parse_server_setting(setting);
    if (parsed) {
        if (parsed->host.empty())
            std::abort();
        for (unsigned char c : parsed->host)
            if (c <= ' ' || c == 0x7f || c == '/' || c == '@')
                std::abort();
    }
    const auto ftp = broadcast::parse_ftp_server(setting, "ftp.default.test");
    if (!setting.empty() && ftp.has_value() != parsed.has_value())
        std::abort();
    if (ftp && !setting.empty() && (ftp->host != parsed->host || ftp->port != parsed->port.value_or(0)))
        std::abort();
    const auto smtp = broadcast::smtp::parse_smtp_server(setting);
    if (smtp && (!parsed || smtp->port == 0 || smtp->host != parsed->host))
        std::abort();
    return 0;
}
