#pragma once

#include "platform/inet/internet.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform::inet {

// A failed call of the session classes: the error number and its text (our phrase and
// libcurl's, or the server's last response).
class internet_exception : public std::runtime_error {
public:
    internet_exception(std::uint32_t error, const std::string& message) : std::runtime_error(message), error_(error) { }
    std::uint32_t error() const { return error_; }

private:
    std::uint32_t error_;
};

// Throws internet_exception with the calling thread's last error.
[[noreturn]] void throw_last_internet_error();

class http_connection;
class http_file;

// A session of the application's internet classes: user agent, access type and proxy,
// shared connections and cookies. Closes its handle when destroyed.
class internet_session {
public:
    internet_session(std::shared_ptr<internet> layer, std::string_view agent, std::uint32_t access_type,
        std::string_view proxy = {}, std::string_view proxy_bypass = {}, std::uint32_t flags = 0);
    virtual ~internet_session();
    internet_session(const internet_session&) = delete;
    internet_session& operator=(const internet_session&) = delete;

    // A connection to an HTTP server (no traffic yet); throws internet_exception.
    std::unique_ptr<http_connection> get_http_connection(std::string_view server, std::uint16_t port = invalid_port_number,
        std::string_view user = {}, std::string_view password = {});
    void close();

    internet& layer() const { return *layer_; }
    hinternet handle() const { return handle_; }

    static constexpr std::uint16_t invalid_port_number = 0;

private:
    std::shared_ptr<internet> layer_;
    hinternet handle_ = nullptr;
};

class http_connection {
public:
    http_connection(std::shared_ptr<internet> layer, hinternet handle);
    ~http_connection();
    http_connection(const http_connection&) = delete;
    http_connection& operator=(const http_connection&) = delete;

    // A request for the object (path and query); throws internet_exception.
    std::unique_ptr<http_file> open_request(std::string_view verb, std::string_view object,
        std::string_view referrer = {}, std::string_view version = "HTTP/1.1", std::uint32_t flags = 0);
    void close();

private:
    std::shared_ptr<internet> layer_;
    hinternet handle_ = nullptr;
};

// One HTTP request and its response. The send calls throw internet_exception on failure;
// so do the reads when the transfer breaks.
class http_file {
public:
    http_file(std::shared_ptr<internet> layer, hinternet handle);
    ~http_file();
    http_file(const http_file&) = delete;
    http_file& operator=(const http_file&) = delete;

    void add_request_headers(std::string_view headers);
    // A stop request aborts the transfer; progress reports the body bytes sent.
    void set_observer(request_observer observer);

    void send_request(std::string_view headers = {}, std::string_view body = {});
    // The body streamed from a file, never held whole in memory.
    void send_request_file(std::string_view headers, const std::string& path);
    // A body of `total` bytes given through write, then end_request.
    void send_request_ex(std::uint64_t total, std::string_view headers = {});
    void write(const void* data, std::size_t size);
    void end_request();

    std::uint32_t query_info_status_code();
    // A response field as text; false when absent.
    bool query_info(std::uint32_t level, std::string& value, std::string_view name = {});

    // Up to size bytes; 0 at the end of the body.
    std::size_t read(void* buffer, std::size_t size);
    // One line of at most max_length - 1 bytes, its LF kept; false at the end of the body.
    bool read_string(std::string& line, std::size_t max_length);

    // The error dialog for the request (12014 after a 407: the proxy credentials prompt).
    std::uint32_t error_dialog(std::uint32_t error, std::uint32_t flags);
    void close();

    hinternet handle() const { return handle_; }

private:
    std::shared_ptr<internet> layer_;
    hinternet handle_ = nullptr;
};

}
