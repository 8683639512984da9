#include "platform/inet/curl_transfer.h"

#include "platform/inet/curl_failure.h"
#include "platform/inet/http_headers.h"
#include "platform/inet/inet_constants.h"
#include "platform/inet/last_error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::inet {

namespace {

using clock_type = std::chrono::steady_clock;

constexpr long upload_block_size = 1L << 20;

// The proxy bypass list as libcurl reads it: names separated by commas.
std::string curl_bypass_list(std::string text)
{
    std::replace(text.begin(), text.end(), ';', ',');
    std::replace(text.begin(), text.end(), ' ', ',');
    return text;
}

unsigned long auth_bits(const std::string& headers)
{
    unsigned long bits = 0;
    for (const auto& value : field_values(headers, "Proxy-Authenticate")) {
        auto scheme = value.substr(0, value.find(' '));
        std::transform(scheme.begin(), scheme.end(), scheme.begin(),
            [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (scheme == "basic")
            bits |= CURLAUTH_BASIC;
        else if (scheme == "digest")
            bits |= CURLAUTH_DIGEST;
        else if (scheme == "ntlm")
            bits |= CURLAUTH_NTLM;
        else if (scheme == "negotiate")
            bits |= CURLAUTH_NEGOTIATE;
    }
    return bits;
}

// A browser's redirects: a POST answered by 301, 302 or 303 continues as a GET without its body.
void follow_redirects_as_browsers_do(CURL* easy)
{
    curl_easy_setopt(easy, CURLOPT_POSTREDIR, 0L);
}

bool is_line_end(const char* data, size_t size)
{
    return (size == 2 && data[0] == '\r' && data[1] == '\n') || (size == 1 && data[0] == '\n');
}

}

curl_transfer::curl_transfer(const transfer_settings& settings, request_observer observer)
    : idle_timeout_(settings.idle_timeout), observer_(std::move(observer)), max_body_(settings.max_body)
{
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
    if (!easy_ || !multi_)
        return;
    curl_easy_setopt(easy_, CURLOPT_URL, settings.url.c_str());
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, error_text_);
    curl_easy_setopt(easy_, CURLOPT_PRIVATE, this);
    bool ftp = settings.url.compare(0, 6, "ftp://") == 0;
    kind_http_ = !ftp;
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, ftp ? "ftp" : "http,https");
    if (settings.share)
        curl_easy_setopt(easy_, CURLOPT_SHARE, settings.share);
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings.connect_timeout.count()));
    if (max_body_ != 0)
        curl_easy_setopt(easy_, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(max_body_));

    // Servers are always verified; a CA file or folder only says whom to trust.
    curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!settings.ca_file.empty())
        curl_easy_setopt(easy_, CURLOPT_CAINFO, settings.ca_file.c_str());
    if (!settings.ca_path.empty())
        curl_easy_setopt(easy_, CURLOPT_CAPATH, settings.ca_path.c_str());

    if (settings.access_type == open_type_direct) {
        curl_easy_setopt(easy_, CURLOPT_PROXY, "");
    } else if (settings.access_type == open_type_proxy) {
        curl_easy_setopt(easy_, CURLOPT_PROXY, settings.proxy.c_str());
        curl_easy_setopt(easy_, CURLOPT_NOPROXY, curl_bypass_list(settings.proxy_bypass).c_str());
    }
    if (settings.proxy_login) {
        curl_easy_setopt(easy_, CURLOPT_PROXYUSERNAME, settings.proxy_login->user.c_str());
        curl_easy_setopt(easy_, CURLOPT_PROXYPASSWORD, settings.proxy_login->password.c_str());
        curl_easy_setopt(easy_, CURLOPT_PROXYAUTH, settings.proxy_auth);
    }

    if (ftp) {
        curl_easy_setopt(easy_, CURLOPT_USERNAME, settings.user.c_str());
        curl_easy_setopt(easy_, CURLOPT_PASSWORD, settings.password.c_str());
    } else {
        curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION,
            settings.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
        curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, settings.follow_redirects ? 1L : 0L);
        curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, 10L);
        follow_redirects_as_browsers_do(easy_);
        // A secure request never continues in the clear.
        curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, settings.secure ? "https" : "http,https");
        curl_easy_setopt(easy_, CURLOPT_COOKIEFILE, "");
        curl_easy_setopt(easy_, CURLOPT_USERAGENT, settings.agent.c_str());
        if (!settings.referrer.empty())
            curl_easy_setopt(easy_, CURLOPT_REFERER, settings.referrer.c_str());
        for (const auto& line : settings.headers)
            header_list_ = curl_slist_append(header_list_, line.c_str());
        header_list_ = curl_slist_append(header_list_, "Expect:");
        curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, header_list_);
        if (settings.verb == "GET" || settings.verb.empty()) {
            curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L);
        } else if (settings.verb == "HEAD") {
            curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
        } else {
            curl_easy_setopt(easy_, CURLOPT_POST, 1L);
            if (settings.verb != "POST")
                curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, settings.verb.c_str());
        }
    }

    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &curl_transfer::on_header);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &curl_transfer::on_write);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_READFUNCTION, &curl_transfer::on_read);
    curl_easy_setopt(easy_, CURLOPT_READDATA, this);
    // Bodies of many megabytes go out in large blocks: fewer turns of the transfer loop.
    curl_easy_setopt(easy_, CURLOPT_UPLOAD_BUFFERSIZE, upload_block_size);
    curl_easy_setopt(easy_, CURLOPT_SEEKFUNCTION, &curl_transfer::on_seek);
    curl_easy_setopt(easy_, CURLOPT_SEEKDATA, this);
    curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &curl_transfer::on_progress);
    curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy_, CURLOPT_DEBUGFUNCTION, &curl_transfer::on_debug);
    curl_easy_setopt(easy_, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(easy_, CURLOPT_VERBOSE, 1L);
    arm_stop_wakeup();
}

curl_transfer::~curl_transfer()
{
    stop_wakeup_.reset();
    if (in_multi_)
        curl_multi_remove_handle(multi_, easy_);
    if (easy_)
        curl_easy_cleanup(easy_);
    if (multi_)
        curl_multi_cleanup(multi_);
    curl_slist_free_all(header_list_);
    if (file_fd_ >= 0)
        ::close(file_fd_);
}

void curl_transfer::arm_stop_wakeup()
{
    stop_wakeup_.reset();
    if (multi_ && observer_.stop.stop_possible()) {
        CURLM* multi = multi_;
        stop_wakeup_ = std::make_unique<std::stop_callback<std::function<void()>>>(
            observer_.stop, std::function<void()>([multi] { curl_multi_wakeup(multi); }));
    }
}

void curl_transfer::set_observer(request_observer observer)
{
    stop_wakeup_.reset();
    observer_ = std::move(observer);
    arm_stop_wakeup();
}

bool curl_transfer::send_memory(std::string body)
{
    memory_body_ = std::move(body);
    total_ = memory_body_.size();
    return start(body_kind::memory) && drive_until(&curl_transfer::response_seen);
}

bool curl_transfer::send_file(const std::string& path)
{
    file_fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (file_fd_ < 0 || ::fstat(file_fd_, &info) != 0)
        return fail(error_invalid_parameter, "The request body cannot be read: " + path + ": " + std::strerror(errno));
    total_ = static_cast<std::uint64_t>(info.st_size);
    return start(body_kind::file) && drive_until(&curl_transfer::response_seen);
}

bool curl_transfer::send_streamed(std::uint64_t total)
{
    total_ = total;
    return start(body_kind::streamed) && drive_until(&curl_transfer::asked_for_body) && report_failure();
}

bool curl_transfer::send_without_body()
{
    return start(body_kind::none) && drive_until(&curl_transfer::response_seen);
}

bool curl_transfer::start(body_kind kind)
{
    if (!easy_ || !multi_)
        return fail(error_not_enough_memory, "The transfer could not be set up");
    if (in_multi_ || finished_)
        return fail(error_internet_incorrect_handle_state, "The request was sent already");
    kind_ = kind;
    if (kind != body_kind::none)
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(total_));
    else
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(0));
    if (curl_multi_add_handle(multi_, easy_) != CURLM_OK)
        return fail(error_internet_internal_error, "The transfer could not be started");
    in_multi_ = true;
    return true;
}

bool curl_transfer::write(const void* data, std::size_t size)
{
    if (kind_ != body_kind::streamed || body_ended_)
        return fail(error_internet_incorrect_handle_state, "The request takes no body written in pieces now");
    if (finished_)
        return report_failure() && fail(error_internet_connection_aborted, "The server ended the exchange early");
    if (size > total_ - streamed_sent_)
        return fail(error_invalid_parameter, "The body is longer than announced");
    chunk_ = static_cast<const char*>(data);
    chunk_left_ = size;
    curl_easy_pause(easy_, CURLPAUSE_CONT);
    drive_until(&curl_transfer::chunk_taken);
    bool taken = chunk_left_ == 0;
    chunk_ = nullptr;
    chunk_left_ = 0;
    if (!taken)
        return report_failure() && fail(error_internet_connection_aborted, "The server ended the exchange early");
    if (observer_.upload_progress)
        observer_.upload_progress(streamed_sent_, total_);
    return true;
}

bool curl_transfer::end_body()
{
    if (kind_ != body_kind::streamed || body_ended_)
        return fail(error_internet_incorrect_handle_state, "The request has no open body");
    body_ended_ = true;
    if (streamed_sent_ != total_ && !finished_) {
        abort_with(error_internet_incorrect_handle_state, "The body is shorter than announced");
        return report_failure();
    }
    curl_easy_pause(easy_, CURLPAUSE_CONT);
    return drive_until(&curl_transfer::response_seen);
}

bool curl_transfer::available(std::size_t& bytes)
{
    bytes = 0;
    if (!in_multi_ && !finished_)
        return fail(error_internet_incorrect_handle_state, "The request was not sent");
    if (!drive_until(&curl_transfer::body_available) && !body_available())
        return false;
    bytes = body_.size() - body_pos_;
    return true;
}

bool curl_transfer::read(void* buffer, std::size_t size, std::size_t& read)
{
    read = 0;
    std::size_t ready = 0;
    if (!available(ready))
        return false;
    read = std::min(size, ready);
    std::memcpy(buffer, body_.data() + body_pos_, read);
    body_pos_ += read;
    if (body_pos_ == body_.size()) {
        body_.clear();
        body_pos_ = 0;
    }
    return true;
}

// Runs the transfer until the condition holds or it ends; false (with the last error set)
// when it failed. Buffered response bytes stay readable after a failure.
bool curl_transfer::drive_until(bool (curl_transfer::*done)() const)
{
    last_activity_ = clock_type::now();
    auto poll_ms = static_cast<int>(std::clamp<long long>(idle_timeout_.count() / 4, 10, 100));
    while (!finished_ && !(this->*done)()) {
        if (observer_.stop.stop_requested()) {
            abort_with(error_internet_operation_cancelled, "The operation was cancelled");
            break;
        }
        int running = 0;
        if (curl_multi_perform(multi_, &running) != CURLM_OK) {
            abort_with(error_internet_internal_error, "The transfer failed inside libcurl");
            break;
        }
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
            if (message->msg == CURLMSG_DONE)
                finish(message->data.result);
        }
        if (finished_ || (this->*done)())
            break;
        if (clock_type::now() - last_activity_ > idle_timeout_) {
            abort_with(error_internet_timeout, "The operation timed out: no data moved for "
                    + std::to_string(idle_timeout_.count()) + " ms");
            break;
        }
        curl_multi_poll(multi_, nullptr, 0, poll_ms, nullptr);
    }
    return report_failure();
}

void curl_transfer::finish(CURLcode code)
{
    finished_ = true;
    response_ready_ = true;
    if (in_multi_) {
        curl_multi_remove_handle(multi_, easy_);
        in_multi_ = false;
    }
    if (response_headers_.empty())
        response_headers_ = current_headers_;
    long response = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &response);
    if (code == CURLE_OK && kind_http_ && !headers_complete_) {
        // The connection closed inside the response's header block.
        failure_error_ = error_internet_connection_aborted;
        failure_message_ = "The connection with the server was terminated abnormally: the reply's headers were cut";
    } else if (code == CURLE_OK) {
        status_ = static_cast<int>(response);
    } else {
        long connect_code = 0;
        curl_easy_getinfo(easy_, CURLINFO_HTTP_CONNECTCODE, &connect_code);
        if (connect_code == 407) {
            // The proxy refused the tunnel: the caller sees its answer as the response.
            response_headers_ = current_headers_;
            status_ = 407;
        } else if (body_too_large_ || code == CURLE_FILESIZE_EXCEEDED) {
            failure_error_ = error_not_enough_memory;
            failure_message_ = "The reply is longer than the " + std::to_string(max_body_) + " bytes allowed";
        } else if (callback_failed_) {
            failure_error_ = error_not_enough_memory;
            failure_message_ = "The transfer failed while handling data";
        } else if (code == CURLE_ABORTED_BY_CALLBACK && observer_.stop.stop_requested()) {
            failure_error_ = error_internet_operation_cancelled;
            failure_message_ = "The operation was cancelled";
        } else {
            long verify = 0;
            long os_errno = 0;
            curl_easy_getinfo(easy_, CURLINFO_SSL_VERIFYRESULT, &verify);
            curl_easy_getinfo(easy_, CURLINFO_OS_ERRNO, &os_errno);
            auto failure = describe_curl_failure(code, verify, os_errno, error_text_);
            if (code == CURLE_UNSUPPORTED_PROTOCOL && response >= 300 && response < 400)
                failure.error = error_http_redirect_failed; // a redirect to a scheme not allowed
            failure_error_ = failure.error;
            failure_message_ = failure.message;
        }
    }
    if (status_ == 407)
        proxy_auth_offered_ = auth_bits(response_headers_);
}

void curl_transfer::abort_with(std::uint32_t error, std::string message)
{
    if (in_multi_) {
        curl_multi_remove_handle(multi_, easy_);
        in_multi_ = false;
    }
    finished_ = true;
    response_ready_ = true;
    failure_error_ = error;
    failure_message_ = std::move(message);
}

bool curl_transfer::report_failure() const
{
    if (failure_error_ == 0)
        return true;
    return fail(failure_error_, failure_message_);
}

size_t curl_transfer::on_header(char* data, size_t size, size_t count, void* self)
{
    auto* transfer = static_cast<curl_transfer*>(self);
    size_t bytes = size * count;
    try {
        if (bytes >= 5 && std::memcmp(data, "HTTP/", 5) == 0) {
            transfer->current_headers_.assign(data, bytes);
            transfer->headers_complete_ = false;
        }
        else
            transfer->current_headers_.append(data, bytes);
        if (is_line_end(data, bytes)) {
            int status = status_code_of(transfer->current_headers_);
            if (status >= 200) {
                transfer->response_headers_ = transfer->current_headers_;
                transfer->status_ = status;
                transfer->headers_complete_ = true;
            }
        }
        return bytes;
    } catch (...) {
        transfer->callback_failed_ = true;
        return 0;
    }
}

size_t curl_transfer::on_write(char* data, size_t size, size_t count, void* self)
{
    auto* transfer = static_cast<curl_transfer*>(self);
    size_t bytes = size * count;
    transfer->body_taken_ += bytes;
    if (transfer->max_body_ != 0 && transfer->body_taken_ > transfer->max_body_) {
        transfer->body_too_large_ = true;
        return 0;
    }
    try {
        transfer->body_.append(data, bytes);
        transfer->response_ready_ = true;
        return bytes;
    } catch (...) {
        transfer->callback_failed_ = true;
        return 0;
    }
}

size_t curl_transfer::on_read(char* data, size_t size, size_t count, void* self)
{
    auto* transfer = static_cast<curl_transfer*>(self);
    size_t room = size * count;
    transfer->read_called_ = true;
    switch (transfer->kind_) {
    case body_kind::memory: {
        auto left = transfer->memory_body_.size() - transfer->body_offset_;
        auto n = std::min<std::uint64_t>(room, left);
        std::memcpy(data, transfer->memory_body_.data() + transfer->body_offset_, n);
        transfer->body_offset_ += n;
        return n;
    }
    case body_kind::file: {
        auto n = ::pread(transfer->file_fd_, data, room, static_cast<off_t>(transfer->body_offset_));
        if (n < 0)
            return CURL_READFUNC_ABORT;
        transfer->body_offset_ += static_cast<std::uint64_t>(n);
        return static_cast<size_t>(n);
    }
    case body_kind::streamed: {
        if (transfer->chunk_left_ == 0)
            return transfer->body_ended_ ? 0 : CURL_READFUNC_PAUSE;
        auto n = std::min(room, transfer->chunk_left_);
        std::memcpy(data, transfer->chunk_, n);
        transfer->chunk_ += n;
        transfer->chunk_left_ -= n;
        transfer->streamed_sent_ += n;
        return n;
    }
    case body_kind::none:
        return 0;
    }
    return CURL_READFUNC_ABORT;
}

int curl_transfer::on_seek(void* self, curl_off_t offset, int origin)
{
    auto* transfer = static_cast<curl_transfer*>(self);
    if (origin != SEEK_SET || offset < 0 || static_cast<std::uint64_t>(offset) > transfer->total_)
        return CURL_SEEKFUNC_FAIL;
    if (transfer->kind_ == body_kind::memory || transfer->kind_ == body_kind::file) {
        transfer->body_offset_ = static_cast<std::uint64_t>(offset);
        return CURL_SEEKFUNC_OK;
    }
    // Pieces already written are gone.
    return offset == 0 && transfer->streamed_sent_ == 0 ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_CANTSEEK;
}

int curl_transfer::on_progress(void* self, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow)
{
    auto* transfer = static_cast<curl_transfer*>(self);
    if (ulnow != transfer->seen_up_ || dlnow != transfer->seen_down_) {
        transfer->seen_up_ = ulnow;
        transfer->seen_down_ = dlnow;
        transfer->last_activity_ = clock_type::now();
        if (transfer->kind_ != body_kind::streamed && transfer->kind_ != body_kind::none
            && transfer->observer_.upload_progress) {
            try {
                transfer->observer_.upload_progress(static_cast<std::uint64_t>(ulnow), transfer->total_);
            } catch (...) {
                transfer->callback_failed_ = true;
                return 1;
            }
        }
    }
    return transfer->observer_.stop.stop_requested() ? 1 : 0;
}

int curl_transfer::on_debug(CURL*, curl_infotype type, char* data, size_t size, void* self)
{
    if (type != CURLINFO_HEADER_OUT)
        return 0;
    auto* transfer = static_cast<curl_transfer*>(self);
    try {
        transfer->request_headers_.assign(data, size);
    } catch (...) {
        transfer->callback_failed_ = true;
    }
    return 0;
}

}
