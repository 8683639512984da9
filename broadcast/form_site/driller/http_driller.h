#pragma once

#include "broadcast/form_site/form_data.h"
#include "broadcast/form_site/response_filter.h"
#include "broadcast/wininet/sync_wininet_interface.h"
#include "broadcast/wininet/wininet_url.h"
#include "core/log/log_stream.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

namespace platform::library {
class library_table;
}
namespace platform::random {
class random_source;
}

// An engine that holds a conversation with a web site as a sequence of requests: the client
// is asked for its next request, the driller executes it over the internet binding and
// hands the client the result, until the client has nothing more to ask. Every step is
// written to call scopes of the log stream.
namespace broadcast::form_site {

class progress_source;

// Phases of a progress report.
inline constexpr int progress_begin = 0;
inline constexpr int progress_chunk = 1;
inline constexpr int progress_end = 2;

// Whoever watches a long transfer: answers true to go on.
class lengthy_procedure_manager {
public:
    virtual ~lengthy_procedure_manager() = default;
    virtual bool progress(int phase, progress_source& source) = 0;
};

// A transfer that reports its bytes: moved so far, or as a percentage of the total (0 while
// the total is unknown or nothing moved, 100 once the transfer ended).
class progress_source {
public:
    virtual ~progress_source() = default;
    void set_owner(lengthy_procedure_manager* owner) { owner_ = owner; }
    std::uint64_t amount(bool as_percent) const;

protected:
    bool report(int phase);
    std::uint64_t moved_ = 0;
    std::uint64_t total_ = 0;
    bool ended_ = false;
    lengthy_procedure_manager* owner_ = nullptr;
};

class http_driller;
class http_driller_request_action;
class http_driller_request_result;

class http_driller_client : public core::call_stack_loggable {
public:
    // The next request, or null to end the conversation; `previous` is null for the first
    // request and when the last one gave no result.
    virtual std::unique_ptr<http_driller_request_action> next_action(http_driller& driller,
        const http_driller_request_result* previous) = 0;
};

// The body of a response, filtered into a temporary ".html" file that is deleted with it.
class wininet_response_content : public progress_source {
public:
    // Downloads the body of the request (none: a note that nothing was downloaded). A failed
    // read or a page over the filter's limit leaves the content failed.
    wininet_response_content(wininet_operations& wininet, const wininet_handle* request, const std::string& folder,
        std::uint64_t announced_length, lengthy_procedure_manager* owner, core::log_stream_provider& log);
    ~wininet_response_content() override;
    wininet_response_content(const wininet_response_content&) = delete;
    wininet_response_content& operator=(const wininet_response_content&) = delete;

    bool ok() const { return ok_; }
    const std::string& file_name() const { return file_name_; }
    std::size_t line_width() const { return response_filter::default_width; }
    // The whole file's text.
    std::string text() const;

private:
    std::string file_name_;
    bool ok_ = false;
};

class http_driller_request_result : public core::call_stack_loggable {
public:
    std::string content_type;
    std::uint32_t content_length = 0;
    std::string location;
    std::uint32_t status_code = 0;
    std::string raw_headers;
    std::string raw_headers_crlf;
    std::string server;
    std::string request_method;
    std::string request_headers_crlf;
    std::string user_agent;
    std::unique_ptr<wininet_response_content> content;

    bool is_ok() const { return status_code < 300; }
    std::string page_text() const;
    std::string cookies() const { return response_cookies(raw_headers_crlf); }
    std::string content_file_name() const { return content ? content->file_name() : std::string(); }

    void write_to(core::trace_scope& scope) const override;
};

class http_driller {
public:
    explicit http_driller(core::log_stream_provider& log) : log_(log) { }
    virtual ~http_driller() = default;

    virtual void run(http_driller_client& client);
    // "file-upload" gives an upload, any other kind a plain request.
    virtual std::unique_ptr<http_driller_request_action> make_action(const std::string& kind) = 0;
    // A send failed: code 2 and the layer's text. May throw to end the conversation.
    virtual void handle_error(std::uint32_t code, const std::string& text) = 0;
    virtual int show_message(const std::string& caption, const std::string& text) = 0;
    core::log_stream_provider& trace_stream() { return log_; }

private:
    core::log_stream_provider& log_;
};

// Where the driller's files go and how its boundaries are drawn.
struct driller_environment {
    const platform::library::library_table& libraries;
    platform::random::random_source& random;
    std::string temp_folder;
};

class http_winapi_driller : public http_driller, public lengthy_procedure_manager {
public:
    http_winapi_driller(wininet_operations& wininet, driller_environment environment, std::string user_agent,
        core::log_stream_provider& log);

    void run(http_driller_client& client) override;
    std::unique_ptr<http_driller_request_action> make_action(const std::string& kind) override;
    bool progress(int phase, progress_source& source) override;

    wininet_handle open_session();
    wininet_handle open_connection(const std::string& host, std::uint16_t port);
    std::unique_ptr<http_driller_request_result> make_result(const wininet_handle& request);
    void reset(bool keep_session);

    void set_progress_receiver(lengthy_procedure_manager* receiver) { receiver_ = receiver; }
    const wininet_url& current_url() const { return current_url_; }
    void set_current_url(const wininet_url& url) { current_url_ = url; }
    wininet_operations& wininet() { return wininet_; }
    const driller_environment& environment() const { return environment_; }

private:
    wininet_operations& wininet_;
    driller_environment environment_;
    wininet_handle session_;
    wininet_handle connection_;
    std::string user_agent_;
    std::string host_;
    std::uint16_t port_ = 0;
    wininet_url current_url_;
    lengthy_procedure_manager* receiver_ = nullptr;
};

class http_driller_request_action {
public:
    http_driller_request_action(wininet_operations& wininet, const platform::library::library_table& libraries);
    virtual ~http_driller_request_action() = default;

    virtual void write_to(core::trace_scope& scope) const;
    virtual std::unique_ptr<http_driller_request_result> execute(http_winapi_driller& driller);
    // 0 GET, 1 POST (which adds the url-encoded Content-Type header).
    virtual void set_method(int method);
    virtual void set_target_url(const std::string& url);
    virtual void set_second_url(const std::string& url);
    virtual const std::string& headers() const { return headers_; }
    virtual void add_header(const std::string& header);
    virtual const std::string& form_data() const { return form_data_; }
    virtual void add_form_data(const std::string& data);
    virtual wininet_handle open(http_winapi_driller& driller);
    // 0 when sent; -1 after the second failed attempt.
    virtual int send(const wininet_handle& request, http_winapi_driller& driller);
    virtual std::uint32_t open_flags() const;

    int method() const { return method_; }
    const wininet_url& target_url() const { return target_; }

protected:
    wininet_operations& wininet_;
    int method_ = 2;
    wininet_url target_;
    wininet_url second_;
    std::string headers_;
    std::string form_data_;
};

// A multipart/form-data POST: the form fields and up to 128 files, written to a temporary
// file and streamed to the connection in chunks with progress.
class http_file_upload_action : public http_driller_request_action, public progress_source {
public:
    static constexpr std::size_t max_file_parts = 128;
    // The header template add_header recognises by identity and fills.
    static const std::string multipart_header_template;

    http_file_upload_action(wininet_operations& wininet, const platform::library::library_table& libraries,
        platform::random::random_source& random);

    void set_method(int) override { }
    void add_header(const std::string& header) override;
    void add_form_data(const std::string& data) override;
    int send(const wininet_handle& request, http_winapi_driller& driller) override;
    std::uint32_t open_flags() const override;

    // -1 when the part is refused (more than 128).
    int add_file_part(const std::string& name, const std::string& path, const std::string& content_type);
    std::uint64_t body_length();
    // -1 when the file cannot be written or a part fails (a missing file after its header).
    int write_body(const std::string& path);
    int upload(const wininet_handle& request, http_winapi_driller& driller, const std::string& file);

    const std::string& boundary() const { return boundary_; }

private:
    std::string boundary_;
    multipart_form_part form_part_;
    std::array<std::unique_ptr<multipart_file_part>, max_file_parts> file_parts_;
    std::size_t file_part_count_ = 0;
};

// Url-encoded form data with the value of every "password" field shown as "*****".
std::string masked_form_data(const std::string& data);

}
