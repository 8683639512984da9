#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace platform::inet {

// An opaque handle of the internet layer: a session, a connection or a request. Null is
// never a valid handle.
struct internet_object;
using hinternet = internet_object*;

struct proxy_credentials {
    std::string user;
    std::string password;
};

// Asks for the proxy's user and password (the error dialog for a 407 answer); no value
// means the user cancelled. May be called from a worker thread.
using proxy_credentials_prompt = std::function<std::optional<proxy_credentials>(const std::string& proxy)>;

// What the caller of a request watches: a stop request aborts the transfer (12017), and
// progress reports the body bytes taken so far and the announced total (0 when unknown).
struct request_observer {
    std::stop_token stop;
    std::function<void(std::uint64_t sent, std::uint64_t total)> upload_progress;
};

// Bounds of one URL fetch: the caller's stop request aborts it (12017), and a body longer
// than max_body bytes (0: no bound), announced or received, fails it (8).
struct url_fetch_limits {
    std::stop_token stop;
    std::uint64_t max_body = 0;
};

// The operations of the internet layer, with the parameters of the platform's functions.
// Failures return a null handle or false and set the calling thread's last error
// (platform/inet/last_error.h); nothing throws.
class internet {
public:
    virtual ~internet() = default;

    virtual hinternet open(std::string_view agent, std::uint32_t access_type, std::string_view proxy,
        std::string_view proxy_bypass, std::uint32_t flags) = 0;
    virtual hinternet connect(hinternet session, std::string_view server, std::uint16_t port,
        std::string_view user, std::string_view password, std::uint32_t service, std::uint32_t flags) = 0;
    virtual hinternet open_request(hinternet connection, std::string_view verb, std::string_view object,
        std::string_view version, std::string_view referrer, std::uint32_t flags) = 0;
    // Opens and sends a GET for a whole URL.
    virtual hinternet open_url(hinternet session, std::string_view url, std::string_view headers,
        std::uint32_t flags) = 0;
    // open_url within limits, for http, https and ftp addresses; redirects lead to http or
    // https only (https to https only), at most 10 of them.
    virtual hinternet open_url_limited(hinternet session, std::string_view url, std::string_view headers,
        std::uint32_t flags, const url_fetch_limits& limits) = 0;

    // Adds header lines (CR LF or LF separated) to those the request will send.
    virtual bool add_request_headers(hinternet request, std::string_view headers) = 0;
    // Sends the request with the extra headers and a body held in memory.
    virtual bool send_request(hinternet request, std::string_view headers, std::string_view body) = 0;
    // Sends the request with a body streamed from a file (rewound when the exchange needs it).
    virtual bool send_request_file(hinternet request, std::string_view headers, const std::string& path) = 0;
    // Starts a request whose body of `total` bytes follows through write_file.
    virtual bool send_request_ex(hinternet request, std::string_view headers, std::uint64_t total) = 0;
    // Returns once the bytes were taken by the connection.
    virtual bool write_file(hinternet request, const void* data, std::size_t size, std::size_t& written) = 0;
    // Ends the body and waits for the response.
    virtual bool end_request(hinternet request) = 0;

    // A response field (or, with query_flag_request_headers, a field of the request sent) as
    // text; numbers are given in decimal. Fails with 12150 when the field is absent. For
    // query_custom the name is the header's name.
    virtual bool query_info(hinternet request, std::uint32_t level, std::string& value,
        std::string_view name = {}) = 0;
    // Bytes readable without waiting for more; 0 at the end of the body.
    virtual bool query_data_available(hinternet request, std::size_t& available) = 0;
    // Reads up to size bytes, waiting until some arrive; 0 at the end of the body.
    virtual bool read_file(hinternet request, void* buffer, std::size_t size, std::size_t& read) = 0;

    virtual bool get_ftp_file(hinternet connection, std::string_view remote, const std::string& local,
        bool fail_if_exists, std::uint32_t flags) = 0;
    // The error dialog: for 12014 after a 407 it asks for the proxy's credentials and keeps
    // them on the session (answering 12032), or answers 1223 when cancelled.
    virtual std::uint32_t error_dialog(hinternet request, std::uint32_t error, std::uint32_t flags) = 0;

    virtual void set_observer(hinternet request, request_observer observer) = 0;
    virtual bool close_handle(hinternet handle) = 0;
};

// Settings of the real layer.
struct internet_options {
    std::chrono::milliseconds connect_timeout {60000};
    // Without a byte either way for this long a transfer fails with 12002.
    std::chrono::milliseconds idle_timeout {120000};
    // A CA bundle verifying servers; empty: SSL_CERT_FILE / SSL_CERT_DIR, else libcurl's own.
    std::string ca_file;
    proxy_credentials_prompt prompt;
};

}
