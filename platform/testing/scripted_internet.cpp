#include "platform/testing/scripted_internet.h"

#include "platform/inet/http_headers.h"
#include "platform/inet/inet_constants.h"
#include "platform/inet/last_error.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace platform::testing {

using namespace platform::inet;

void scripted_internet::script(response reply)
{
    std::lock_guard guard(mutex_);
    script_.push_back(std::move(reply));
}

void scripted_internet::fail_next(const std::string& operation, std::uint32_t error, int times)
{
    std::lock_guard guard(mutex_);
    failures_[operation] = {error, times};
}

void scripted_internet::dialog_answers(std::vector<std::uint32_t> answers)
{
    std::lock_guard guard(mutex_);
    dialog_answers_.assign(answers.begin(), answers.end());
}

std::vector<scripted_internet::call> scripted_internet::calls() const
{
    std::lock_guard guard(mutex_);
    return calls_;
}

std::vector<scripted_internet::sent_request> scripted_internet::requests() const
{
    std::lock_guard guard(mutex_);
    return requests_;
}

std::size_t scripted_internet::open_handles() const
{
    std::lock_guard guard(mutex_);
    return objects_.size();
}

// Records the call; false (with the scripted error set) when it is to fail.
bool scripted_internet::record(const std::string& operation, const std::string& detail)
{
    calls_.push_back({operation, detail});
    auto found = failures_.find(operation);
    if (found == failures_.end() || found->second.second <= 0)
        return true;
    --found->second.second;
    return fail(found->second.first, "scripted failure of " + operation);
}

scripted_internet::object* scripted_internet::find(hinternet handle, const char* kind)
{
    auto found = objects_.find(handle);
    if (found == objects_.end()) {
        fail(error_invalid_handle, "The handle is not open");
        return nullptr;
    }
    if (found->second.kind != kind) {
        fail(error_internet_incorrect_handle_type, "The handle is of another kind");
        return nullptr;
    }
    return &found->second;
}

hinternet scripted_internet::add(object item)
{
    auto handle = reinterpret_cast<hinternet>(++last_handle_);
    objects_.emplace(handle, std::move(item));
    clear_last_error();
    return handle;
}

bool scripted_internet::answer(object& request)
{
    request.sent = true;
    request.answered = true;
    requests_.push_back({request.verb, request.url, request.headers, request.body});
    if (!script_.empty()) {
        request.reply = std::move(script_.front());
        script_.pop_front();
    }
    clear_last_error();
    return true;
}

hinternet scripted_internet::open(std::string_view agent, std::uint32_t access_type, std::string_view, std::string_view,
    std::uint32_t)
{
    std::lock_guard guard(mutex_);
    if (!record("open", std::string(agent) + " " + std::to_string(access_type)))
        return nullptr;
    return add(object("session"));
}

hinternet scripted_internet::connect(hinternet session, std::string_view server, std::uint16_t port, std::string_view,
    std::string_view, std::uint32_t, std::uint32_t)
{
    std::lock_guard guard(mutex_);
    if (!record("connect", std::string(server) + ":" + std::to_string(port)) || !find(session, "session"))
        return nullptr;
    if (server.empty()) {
        fail(error_internet_invalid_url, "The server name is empty");
        return nullptr;
    }
    object connection("connection");
    connection.host = std::string(server);
    connection.port = port;
    return add(connection);
}

hinternet scripted_internet::open_request(hinternet connection, std::string_view verb, std::string_view path,
    std::string_view version, std::string_view, std::uint32_t flags)
{
    std::lock_guard guard(mutex_);
    if (!record("open_request", std::string(verb) + " " + std::string(path) + " " + std::string(version)))
        return nullptr;
    auto* parent = find(connection, "connection");
    if (!parent)
        return nullptr;
    object request("request");
    request.verb = verb.empty() ? "GET" : std::string(verb);
    request.url = std::string((flags & flag_secure) ? "https://" : "http://") + parent->host + ":"
        + std::to_string(parent->port) + std::string(path);
    return add(request);
}

hinternet scripted_internet::open_url(hinternet session, std::string_view url, std::string_view headers, std::uint32_t)
{
    std::lock_guard guard(mutex_);
    if (!record("open_url", std::string(url)) || !find(session, "session"))
        return nullptr;
    object request("request");
    request.verb = "GET";
    request.url = std::string(url);
    request.headers = std::string(headers);
    answer(request);
    return add(request);
}

hinternet scripted_internet::open_url_limited(hinternet session, std::string_view url, std::string_view headers,
    std::uint32_t flags, const platform::inet::url_fetch_limits& limits)
{
    if (limits.stop.stop_requested()) {
        platform::inet::fail(platform::inet::error_internet_operation_cancelled, "The operation was cancelled");
        return nullptr;
    }
    return open_url(session, url, headers, flags);
}

bool scripted_internet::add_request_headers(hinternet handle, std::string_view headers)
{
    std::lock_guard guard(mutex_);
    auto* request = find(handle, "request");
    if (!record("add_request_headers", std::string(headers)) || !request)
        return false;
    request->headers += headers;
    clear_last_error();
    return true;
}

bool scripted_internet::send_request(hinternet handle, std::string_view headers, std::string_view body)
{
    std::lock_guard guard(mutex_);
    if (!record("send_request", std::string(headers)))
        return false;
    auto* request = find(handle, "request");
    if (!request)
        return false;
    request->headers += headers;
    request->body = std::string(body);
    return answer(*request);
}

bool scripted_internet::send_request_file(hinternet handle, std::string_view headers, const std::string& path)
{
    std::lock_guard guard(mutex_);
    if (!record("send_request_file", path))
        return false;
    auto* request = find(handle, "request");
    if (!request)
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail(error_invalid_parameter, "The request body cannot be read: " + path);
    request->headers += headers;
    request->body.assign(std::istreambuf_iterator<char>(in), {});
    return answer(*request);
}

bool scripted_internet::send_request_ex(hinternet handle, std::string_view headers, std::uint64_t total)
{
    std::lock_guard guard(mutex_);
    if (!record("send_request_ex", std::to_string(total)))
        return false;
    auto* request = find(handle, "request");
    if (!request)
        return false;
    request->headers += headers;
    request->total = total;
    request->sent = true;
    clear_last_error();
    return true;
}

bool scripted_internet::write_file(hinternet handle, const void* data, std::size_t size, std::size_t& written)
{
    std::lock_guard guard(mutex_);
    written = 0;
    if (!record("write_file", std::to_string(size)))
        return false;
    auto* request = find(handle, "request");
    if (!request)
        return false;
    if (!request->sent || request->answered || request->body.size() + size > request->total)
        return fail(error_invalid_parameter, "The body does not take these bytes");
    request->body.append(static_cast<const char*>(data), size);
    written = size;
    clear_last_error();
    return true;
}

bool scripted_internet::end_request(hinternet handle)
{
    std::lock_guard guard(mutex_);
    if (!record("end_request", {}))
        return false;
    auto* request = find(handle, "request");
    if (!request)
        return false;
    if (request->body.size() != request->total)
        return fail(error_internet_incorrect_handle_state, "The body is shorter than announced");
    return answer(*request);
}

bool scripted_internet::query_info(hinternet handle, std::uint32_t level, std::string& value, std::string_view name)
{
    std::lock_guard guard(mutex_);
    value.clear();
    if (!record("query_info", std::to_string(level)))
        return false;
    auto* request = find(handle, "request");
    if (!request)
        return false;
    if (!request->answered)
        return fail(error_internet_incorrect_handle_state, "The response has not arrived");
    std::string block = "HTTP/1.1 " + std::to_string(request->reply.status) + " Scripted\r\n" + request->reply.headers
        + "Content-Length: " + std::to_string(request->reply.body.size()) + "\r\n\r\n";
    std::vector<std::string> values;
    switch (level & ~query_modifier_mask) {
    case query_status_code:
        value = std::to_string(request->reply.status);
        break;
    case query_raw_headers_crlf:
        value = block;
        break;
    case query_content_length:
        value = std::to_string(request->reply.body.size());
        break;
    case query_custom:
        values = field_values(block, name);
        if (values.empty())
            return fail(error_http_header_not_found, "The header was not found");
        value = values.front();
        break;
    default:
        return fail(error_http_header_not_found, "The scripted response has no such field");
    }
    clear_last_error();
    return true;
}

bool scripted_internet::query_data_available(hinternet handle, std::size_t& available)
{
    std::lock_guard guard(mutex_);
    available = 0;
    if (!record("query_data_available", {}))
        return false;
    auto* request = find(handle, "request");
    if (!request)
        return false;
    available = request->reply.body.size() - request->read_at;
    clear_last_error();
    return true;
}

bool scripted_internet::read_file(hinternet handle, void* buffer, std::size_t size, std::size_t& read)
{
    std::lock_guard guard(mutex_);
    read = 0;
    if (!record("read_file", std::to_string(size)))
        return false;
    auto* request = find(handle, "request");
    if (!request)
        return false;
    read = std::min(size, request->reply.body.size() - request->read_at);
    std::memcpy(buffer, request->reply.body.data() + request->read_at, read);
    request->read_at += read;
    clear_last_error();
    return true;
}

bool scripted_internet::get_ftp_file(hinternet connection, std::string_view remote, const std::string& local, bool,
    std::uint32_t)
{
    std::lock_guard guard(mutex_);
    if (!record("get_ftp_file", std::string(remote) + " " + local) || !find(connection, "connection"))
        return false;
    std::string body;
    if (!script_.empty()) {
        body = script_.front().body;
        script_.pop_front();
    }
    std::ofstream(local, std::ios::binary) << body;
    clear_last_error();
    return true;
}

std::uint32_t scripted_internet::error_dialog(hinternet handle, std::uint32_t error, std::uint32_t)
{
    std::lock_guard guard(mutex_);
    record("error_dialog", std::to_string(error));
    if (!find(handle, "request"))
        return error_invalid_handle;
    if (dialog_answers_.empty())
        return error_cancelled;
    auto answer = dialog_answers_.front();
    dialog_answers_.pop_front();
    return answer;
}

void scripted_internet::set_observer(hinternet, request_observer)
{
    std::lock_guard guard(mutex_);
    record("set_observer", {});
}

bool scripted_internet::close_handle(hinternet handle)
{
    std::lock_guard guard(mutex_);
    if (!record("close_handle", {}))
        return false;
    if (objects_.erase(handle) == 0)
        return fail(error_invalid_handle, "The handle is not open");
    clear_last_error();
    return true;
}

}
