#pragma once

#include "platform/inet/internet.h"

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace platform::testing {

// The internet layer's twin: calls are recorded, responses come from a script, and any
// operation can be made to fail with a chosen error.
class scripted_internet final : public platform::inet::internet {
public:
    struct response {
        int status = 200;
        std::string headers; // further header lines, CR LF ended
        std::string body;
    };
    struct call {
        std::string operation; // "open", "connect", "open_request", "send_request", ...
        std::string detail;    // the arguments that matter, as text
    };
    // What one request sent.
    struct sent_request {
        std::string verb;
        std::string url;
        std::string headers;
        std::string body;
    };

    // Each sent request takes the next scripted response; an empty script answers 200.
    void script(response reply);
    // The next `times` calls of the operation fail with the error.
    void fail_next(const std::string& operation, std::uint32_t error, int times = 1);
    // The error dialog's answers, in order; none left answers 1223 (cancelled).
    void dialog_answers(std::vector<std::uint32_t> answers);

    std::vector<call> calls() const;
    std::vector<sent_request> requests() const;
    std::size_t open_handles() const;

    platform::inet::hinternet open(std::string_view agent, std::uint32_t access_type, std::string_view proxy,
        std::string_view proxy_bypass, std::uint32_t flags) override;
    platform::inet::hinternet connect(platform::inet::hinternet session, std::string_view server, std::uint16_t port,
        std::string_view user, std::string_view password, std::uint32_t service, std::uint32_t flags) override;
    platform::inet::hinternet open_request(platform::inet::hinternet connection, std::string_view verb,
        std::string_view object, std::string_view version, std::string_view referrer, std::uint32_t flags) override;
    platform::inet::hinternet open_url(platform::inet::hinternet session, std::string_view url,
        std::string_view headers, std::uint32_t flags) override;
    // As open_url, recorded as "open_url"; a stop already requested fails it with 12017.
    platform::inet::hinternet open_url_limited(platform::inet::hinternet session, std::string_view url,
        std::string_view headers, std::uint32_t flags, const platform::inet::url_fetch_limits& limits) override;
    bool add_request_headers(platform::inet::hinternet request, std::string_view headers) override;
    bool send_request(platform::inet::hinternet request, std::string_view headers, std::string_view body) override;
    bool send_request_file(platform::inet::hinternet request, std::string_view headers, const std::string& path) override;
    bool send_request_ex(platform::inet::hinternet request, std::string_view headers, std::uint64_t total) override;
    bool write_file(platform::inet::hinternet request, const void* data, std::size_t size, std::size_t& written) override;
    bool end_request(platform::inet::hinternet request) override;
    bool query_info(platform::inet::hinternet request, std::uint32_t level, std::string& value,
        std::string_view name) override;
    bool query_data_available(platform::inet::hinternet request, std::size_t& available) override;
    bool read_file(platform::inet::hinternet request, void* buffer, std::size_t size, std::size_t& read) override;
    bool get_ftp_file(platform::inet::hinternet connection, std::string_view remote, const std::string& local,
        bool fail_if_exists, std::uint32_t flags) override;
    std::uint32_t error_dialog(platform::inet::hinternet request, std::uint32_t error, std::uint32_t flags) override;
    void set_observer(platform::inet::hinternet request, platform::inet::request_observer observer) override;
    bool close_handle(platform::inet::hinternet handle) override;

private:
    struct object {
        explicit object(std::string kind_name) : kind(std::move(kind_name)) { }
        std::string kind; // session, connection, request
        std::string host;
        std::uint16_t port = 0;
        std::string url;
        std::string verb;
        std::string headers;
        std::string body;
        std::uint64_t total = 0;
        bool sent = false;
        bool answered = false;
        response reply;
        std::size_t read_at = 0;
    };

    bool record(const std::string& operation, const std::string& detail);
    object* find(platform::inet::hinternet handle, const char* kind);
    platform::inet::hinternet add(object item);
    bool answer(object& request);

    mutable std::mutex mutex_;
    std::vector<call> calls_;
    std::vector<sent_request> requests_;
    std::deque<response> script_;
    std::map<std::string, std::pair<std::uint32_t, int>> failures_;
    std::deque<std::uint32_t> dialog_answers_;
    std::map<platform::inet::hinternet, object> objects_;
    std::uintptr_t last_handle_ = 0;
};

}
