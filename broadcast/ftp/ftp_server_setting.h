#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace broadcast {

// The service's FTP host when the FTPServer setting is empty (the build's TALVERIN_FTP_HOST).
const char* default_ftp_host();

struct ftp_server_address {
    std::string host;
    std::uint16_t port = 0; // 0: FTP's own port
};

// The FTPServer setting: "host", "host:port" or "[v6 address]:port", port 0 (the default)
// to 65535; an empty setting names the default host. Nothing for anything else: a port
// that does not fit 16 bits is refused rather than cut.
std::optional<ftp_server_address> parse_ftp_server(std::string_view setting, std::string_view default_host);

// Where uploads go, from the program's FTPServer value: the host is read once and kept for
// the life of the program, the port again for every broadcast.
class ftp_server_setting {
public:
    ftp_server_setting(std::function<std::string()> read_value, std::string default_host);

    // quorbis_ftp_server: the host; nothing when the setting read first was unusable.
    std::optional<std::string> quorbis_ftp_server();
    // quorbis_ftp_port: a port given by the caller as it is, else the setting's as it is
    // now; nothing when the setting is now unusable.
    std::optional<std::uint16_t> quorbis_ftp_port(std::uint16_t given);
    // The setting's text as it is now, for messages.
    std::string value() const { return read_value_(); }

private:
    std::function<std::string()> read_value_;
    std::string default_host_;
    std::mutex mutex_;
    bool host_read_ = false;
    std::optional<std::string> host_;
};

}
