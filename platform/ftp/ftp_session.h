#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform::ftp {

// Where an upload goes and whose account it uses. Port 0 is FTP's own (21).
struct ftp_endpoint {
    std::string host;
    std::uint16_t port = 0;
    std::string user;
    std::string password;
};

// What one exchange ended with: libcurl's code (0 when the transfer completed), the
// server's last reply code and that reply's lines (continuation lines too) joined by CR LF.
struct ftp_result {
    int curl_code = 0;
    int reply_code = 0;
    std::string reply;
    std::string error; // libcurl's own words for a failure; empty on success
    bool transferred() const { return curl_code == 0; }
};

// Asked after every block moved: the bytes sent and the file's size; false stops the
// upload at once (it then fails with libcurl's "aborted by callback").
using upload_progress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

// One FTP control connection: login() opens it and logs in, upload() stores a file on that
// same connection (passive, binary) under the given name in the login folder.
class ftp_session {
public:
    virtual ~ftp_session() = default;
    virtual ftp_result login() = 0;
    virtual ftp_result upload(const std::string& path, const std::string& name, const upload_progress& progress) = 0;
};

struct ftp_options {
    std::chrono::milliseconds connect_timeout {60000};
    // Without a byte moved for this long the upload fails.
    std::chrono::milliseconds idle_timeout {120000};
    // The server's reply to a command (the final one after the data too) within this.
    std::chrono::milliseconds reply_timeout {600000};
};

using ftp_session_factory = std::function<std::unique_ptr<ftp_session>(const ftp_endpoint&)>;

// The real session over libcurl: no proxy, no signals. An endpoint text holding CR, LF or
// NUL would reach the server as a second command: login() refuses it without connecting.
std::unique_ptr<ftp_session> make_curl_ftp_session(const ftp_endpoint& endpoint, const ftp_options& options = {});

// True when the text may go into a command line: no CR, LF or NUL.
bool usable_in_command(std::string_view text);

// Follows the server's reply lines as they come and keeps the last complete reply: a
// "ddd-" line opens a multi-line reply that the line "ddd " with the same code closes; any
// other line beginning with a code (three digits, 100-599) is a reply of its own. Lines over the limits are
// cut, replies of more than `max_lines` keep their first lines and their last.
class ftp_reply_collector {
public:
    static constexpr std::size_t max_line = 4096;
    static constexpr std::size_t max_lines = 100;

    // One line, with or without its line end.
    void add_line(std::string_view line);
    // The last complete reply's lines joined by CR LF; empty before the first.
    const std::string& last_reply() const { return last_; }
    int last_code() const { return last_code_; }
    // Forgets the replies seen so far (before an exchange whose reply is wanted alone).
    void reset();

private:
    std::string current_;
    std::size_t current_lines_ = 0;
    int open_code_ = 0; // the code of an open multi-line reply
    std::string last_;
    int last_code_ = 0;
};

}
