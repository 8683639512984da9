#include "platform/inet/internet_session.h"

#include "platform/inet/inet_constants.h"
#include "platform/inet/last_error.h"

namespace platform::inet {

void throw_last_internet_error()
{
    auto error = last_error();
    auto text = last_response();
    if (text.empty())
        text = "Internet error " + std::to_string(error);
    throw internet_exception(error, text);
}

namespace {

void close_handle(internet& layer, hinternet& handle)
{
    if (handle)
        layer.close_handle(handle);
    handle = nullptr;
}

hinternet checked(hinternet handle)
{
    if (!handle)
        throw_last_internet_error();
    return handle;
}

void checked(bool ok)
{
    if (!ok)
        throw_last_internet_error();
}

}

internet_session::internet_session(std::shared_ptr<internet> layer, std::string_view agent, std::uint32_t access_type,
    std::string_view proxy, std::string_view proxy_bypass, std::uint32_t flags)
    : layer_(std::move(layer))
{
    handle_ = checked(layer_->open(agent, access_type, proxy, proxy_bypass, flags));
}

internet_session::~internet_session()
{
    close();
}

void internet_session::close()
{
    close_handle(*layer_, handle_);
}

std::unique_ptr<http_connection> internet_session::get_http_connection(std::string_view server, std::uint16_t port,
    std::string_view user, std::string_view password)
{
    if (!handle_)
        throw internet_exception(error_invalid_handle, "The session is closed");
    auto connection = checked(layer_->connect(handle_, server, port, user, password, service_http, 0));
    return std::make_unique<http_connection>(layer_, connection);
}

http_connection::http_connection(std::shared_ptr<internet> layer, hinternet handle)
    : layer_(std::move(layer)), handle_(handle)
{
}

http_connection::~http_connection()
{
    close();
}

void http_connection::close()
{
    close_handle(*layer_, handle_);
}

std::unique_ptr<http_file> http_connection::open_request(std::string_view verb, std::string_view object,
    std::string_view referrer, std::string_view version, std::uint32_t flags)
{
    if (!handle_)
        throw internet_exception(error_invalid_handle, "The connection is closed");
    auto request = checked(layer_->open_request(handle_, verb, object, version, referrer, flags));
    return std::make_unique<http_file>(layer_, request);
}

http_file::http_file(std::shared_ptr<internet> layer, hinternet handle) : layer_(std::move(layer)), handle_(handle) { }

http_file::~http_file()
{
    close();
}

void http_file::close()
{
    close_handle(*layer_, handle_);
}

void http_file::add_request_headers(std::string_view headers)
{
    checked(layer_->add_request_headers(handle_, headers));
}

void http_file::set_observer(request_observer observer)
{
    layer_->set_observer(handle_, std::move(observer));
}

void http_file::send_request(std::string_view headers, std::string_view body)
{
    checked(layer_->send_request(handle_, headers, body));
}

void http_file::send_request_file(std::string_view headers, const std::string& path)
{
    checked(layer_->send_request_file(handle_, headers, path));
}

void http_file::send_request_ex(std::uint64_t total, std::string_view headers)
{
    checked(layer_->send_request_ex(handle_, headers, total));
}

void http_file::write(const void* data, std::size_t size)
{
    std::size_t written = 0;
    checked(layer_->write_file(handle_, data, size, written));
}

void http_file::end_request()
{
    checked(layer_->end_request(handle_));
}

std::uint32_t http_file::query_info_status_code()
{
    std::string value;
    checked(layer_->query_info(handle_, query_status_code | query_flag_number, value));
    return static_cast<std::uint32_t>(std::stoul(value));
}

bool http_file::query_info(std::uint32_t level, std::string& value, std::string_view name)
{
    if (layer_->query_info(handle_, level, value, name))
        return true;
    if (last_error() != error_http_header_not_found)
        throw_last_internet_error();
    return false;
}

std::size_t http_file::read(void* buffer, std::size_t size)
{
    std::size_t read = 0;
    checked(layer_->read_file(handle_, buffer, size, read));
    return read;
}

bool http_file::read_string(std::string& line, std::size_t max_length)
{
    line.clear();
    while (line.size() + 1 < max_length) {
        char c = 0;
        if (read(&c, 1) == 0)
            break;
        line.push_back(c);
        if (c == '\n')
            break;
    }
    return !line.empty();
}

std::uint32_t http_file::error_dialog(std::uint32_t error, std::uint32_t flags)
{
    return layer_->error_dialog(handle_, error, flags);
}

}
