#pragma once

#include "platform/inet/internet.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace platform::inet {

// How one transfer is made: the request, the session's proxy and TLS settings.
struct transfer_settings {
    std::string url;
    std::string verb;          // empty: a download without a method (FTP)
    bool http10 = false;
    bool follow_redirects = true;
    bool secure = false;
    std::string referrer;
    std::string agent;
    std::vector<std::string> headers;
    std::string user;          // FTP login
    std::string password;
    std::uint32_t access_type = 0;
    std::string proxy;
    std::string proxy_bypass;
    std::optional<proxy_credentials> proxy_login;
    unsigned long proxy_auth = CURLAUTH_ANY;
    std::string ca_file;
    std::string ca_path;
    std::chrono::milliseconds connect_timeout {60000};
    std::chrono::milliseconds idle_timeout {120000};
    CURLSH* share = nullptr;
    std::uint64_t max_body = 0; // the most response body bytes taken; 0: no bound
};

// One transfer: an easy handle on a multi handle of its own, driven on the calling thread
// only while a call waits for it. Failures set the thread's last error and return false.
class curl_transfer {
public:
    curl_transfer(const transfer_settings& settings, request_observer observer);
    ~curl_transfer();
    curl_transfer(const curl_transfer&) = delete;
    curl_transfer& operator=(const curl_transfer&) = delete;

    // Starting: a body in memory, a file body, a body written in pieces, or none. The first
    // three wait for the response; the streamed start waits until the connection asks for
    // the body.
    bool send_memory(std::string body);
    bool send_file(const std::string& path);
    bool send_streamed(std::uint64_t total);
    bool send_without_body();

    bool write(const void* data, std::size_t size);
    bool end_body();

    bool available(std::size_t& bytes);
    bool read(void* buffer, std::size_t size, std::size_t& read);

    bool has_response() const { return response_ready_; }
    int status() const { return status_; }
    // The final response's header block (status line, fields, empty line) as received.
    const std::string& response_headers() const { return response_headers_; }
    // The last request header block sent.
    const std::string& request_headers() const { return request_headers_; }
    // The methods named by the last Proxy-Authenticate fields, as libcurl's CURLAUTH bits.
    unsigned long proxy_auth_offered() const { return proxy_auth_offered_; }

    void set_observer(request_observer observer);

private:
    enum class body_kind { none, memory, file, streamed };

    bool start(body_kind kind);
    bool drive_until(bool (curl_transfer::*done)() const);
    bool response_seen() const { return response_ready_ || finished_; }
    bool chunk_taken() const { return chunk_left_ == 0; }
    bool body_available() const { return body_pos_ < body_.size(); }
    bool asked_for_body() const { return read_called_; }
    void finish(CURLcode code);
    void abort_with(std::uint32_t error, std::string message);
    bool report_failure() const;
    void arm_stop_wakeup();

    static size_t on_header(char* data, size_t size, size_t count, void* self);
    static size_t on_write(char* data, size_t size, size_t count, void* self);
    static size_t on_read(char* data, size_t size, size_t count, void* self);
    static int on_seek(void* self, curl_off_t offset, int origin);
    static int on_progress(void* self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal, curl_off_t ulnow);
    static int on_debug(CURL* handle, curl_infotype type, char* data, size_t size, void* self);

    CURL* easy_ = nullptr;
    CURLM* multi_ = nullptr;
    curl_slist* header_list_ = nullptr;
    bool in_multi_ = false;
    bool kind_http_ = true;
    char error_text_[CURL_ERROR_SIZE] {};
    std::chrono::milliseconds idle_timeout_;
    request_observer observer_;
    std::unique_ptr<std::stop_callback<std::function<void()>>> stop_wakeup_;

    body_kind kind_ = body_kind::none;
    std::string memory_body_;
    int file_fd_ = -1;
    std::uint64_t body_offset_ = 0; // next byte of a memory or file body
    std::uint64_t total_ = 0;
    const char* chunk_ = nullptr;
    std::size_t chunk_left_ = 0;
    std::uint64_t streamed_sent_ = 0;
    bool body_ended_ = false;
    bool read_called_ = false;

    std::string current_headers_;
    std::string response_headers_;
    std::string request_headers_;
    int status_ = 0;
    unsigned long proxy_auth_offered_ = 0;
    bool response_ready_ = false;
    bool headers_complete_ = false; // the final response's header block reached its empty line
    std::string body_;
    std::size_t body_pos_ = 0;

    bool finished_ = false;
    std::uint32_t failure_error_ = 0;
    std::string failure_message_;
    bool callback_failed_ = false;
    std::uint64_t max_body_ = 0;
    std::uint64_t body_taken_ = 0;
    bool body_too_large_ = false;
    std::chrono::steady_clock::time_point last_activity_;
    curl_off_t seen_up_ = 0;
    curl_off_t seen_down_ = 0;
};

}
