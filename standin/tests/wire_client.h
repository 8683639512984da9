#pragma once

// Clients of the tests: libcurl and plain sockets, never the program's own layers, so that the
// stand-in is checked against a peer that shares none of its code or ours.

#include <cstdint>
#include <string>
#include <vector>

namespace standin::testing {

struct http_result {
    int curl_code = 0;      // CURLcode
    long status = 0;
    std::string headers;    // the reply's header block(s) as received
    std::string body;
    std::string error;
};

struct http_request {
    std::string url;
    std::string method = "POST";            // POST or GET
    std::string body;
    std::vector<std::string> headers;       // "Name: value"
    bool http10 = true;
    std::string ca_file;                    // empty: the system's certificate authorities
    std::string proxy;                      // "http://127.0.0.1:P"
    std::string proxy_credentials;          // "user:password"
    bool tunnel = false;                    // CONNECT through the proxy
};

http_result http_send(const http_request& request);

// The gateway's request as the program writes it: headers and the body in one.
http_request gateway_request(const std::string& url, const std::string& body);

struct dialogue_result {
    int curl_code = 0;
    std::vector<std::string> replies;  // every reply line the server sent, in order
    std::string last_reply() const { return replies.empty() ? "" : replies.back(); }
};

struct fetch_result {
    int curl_code = 0;
    std::string data;
};

fetch_result ftp_fetch(std::uint16_t port, const std::string& user, const std::string& password, const std::string& name);

dialogue_result ftp_upload(std::uint16_t port, const std::string& user, const std::string& password,
    const std::string& name, const std::string& data);
dialogue_result smtp_send(std::uint16_t port, const std::string& from, const std::string& to, const std::string& mail);

// A plain TCP connection to 127.0.0.1.
class plain_connection {
public:
    explicit plain_connection(std::uint16_t port);
    ~plain_connection();
    plain_connection(const plain_connection&) = delete;
    plain_connection& operator=(const plain_connection&) = delete;

    bool connected() const { return fd_ >= 0; }
    int error() const { return error_; }
    void send(const std::string& bytes);
    // Reads until the peer closes (or resets) or the time-out passes; reset() tells an RST.
    std::string read_all(int timeout_ms = 10000);
    // Reads one line ending in CR LF (bounded by the time-out).
    std::string read_line(int timeout_ms = 10000);
    bool reset() const { return reset_; }
    bool closed() const { return closed_; }

private:
    int fd_ = -1;
    int error_ = 0;
    bool reset_ = false;
    bool closed_ = false;
    std::string pending_;
};

}
