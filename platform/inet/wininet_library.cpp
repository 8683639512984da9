#include "platform/inet/wininet_library.h"

#include "platform/inet/inet_constants.h"
#include "platform/inet/last_error.h"
#include "platform/inet/url.h"
#include "platform/library/library_table.h"

#include <algorithm>
#include <cstring>

namespace platform::inet::wininet {

namespace {

std::string_view text_or_empty(const char* text)
{
    return text ? std::string_view(text) : std::string_view {};
}

// A text of the given length, or up to its NUL when the length is all ones.
std::string_view counted_text(const char* text, DWORD length)
{
    if (!text)
        return {};
    return length == static_cast<DWORD>(-1) ? std::string_view(text) : std::string_view(text, length);
}

// Copies a text with its NUL into a caller's buffer of *length bytes; when it does not fit,
// *length becomes the size needed and the call fails with 122.
BOOL copy_out(const std::string& value, char* buffer, DWORD* length)
{
    if (!length)
        return fail(error_invalid_parameter, "No length given");
    if (!buffer || *length < value.size() + 1) {
        *length = static_cast<DWORD>(value.size() + 1);
        return fail(error_insufficient_buffer, "The buffer is too small");
    }
    std::memcpy(buffer, value.data(), value.size());
    buffer[value.size()] = '\0';
    *length = static_cast<DWORD>(value.size());
    return true;
}

BOOL copy_component(const std::string& value, char* buffer, DWORD* length)
{
    if (!buffer)
        return true;
    if (*length < value.size())
        return fail(error_insufficient_buffer, "A component does not fit its buffer");
    std::memcpy(buffer, value.data(), value.size());
    buffer[value.size()] = '\0';
    *length = static_cast<DWORD>(value.size());
    return true;
}

}

void register_wininet(platform::library::library_table& table, std::shared_ptr<internet> layer)
{
    auto library = std::make_shared<platform::library::module>();
    library->add<InternetCloseHandle>("InternetCloseHandle", [layer](hinternet handle) -> BOOL {
        return layer->close_handle(handle);
    });
    library->add<InternetGetLastResponseInfoA>("InternetGetLastResponseInfoA",
        [](DWORD* error, char* buffer, DWORD* length) -> BOOL {
            if (error)
                *error = last_error();
            std::string text = last_response();
            return copy_out(text, buffer, length);
        });
    library->add<InternetErrorDlg>("InternetErrorDlg",
        [layer](void*, hinternet request, DWORD error, DWORD flags, void**) -> DWORD {
            return layer->error_dialog(request, error, flags);
        });
    library->add<FtpGetFileA>("FtpGetFileA",
        [layer](hinternet connection, const char* remote, const char* local, BOOL fail_if_exists, DWORD, DWORD flags,
            context_type) -> BOOL {
            if (!remote || !local)
                return fail(error_invalid_parameter, "No file name given");
            return layer->get_ftp_file(connection, remote, local, fail_if_exists != 0, flags);
        });
    library->add<InternetQueryDataAvailable>("InternetQueryDataAvailable",
        [layer](hinternet file, DWORD* available, DWORD, context_type) -> BOOL {
            std::size_t bytes = 0;
            bool ok = layer->query_data_available(file, bytes);
            if (available)
                *available = static_cast<DWORD>(std::min<std::size_t>(bytes, 0xFFFFFFFFu));
            return ok;
        });
    library->add<InternetReadFile>("InternetReadFile",
        [layer](hinternet file, void* buffer, DWORD to_read, DWORD* read) -> BOOL {
            std::size_t got = 0;
            bool ok = layer->read_file(file, buffer, to_read, got);
            if (read)
                *read = static_cast<DWORD>(got);
            return ok;
        });
    library->add<HttpQueryInfoA>("HttpQueryInfoA",
        [layer](hinternet request, DWORD level, void* buffer, DWORD* length, DWORD*) -> BOOL {
            if (!length)
                return fail(error_invalid_parameter, "No length given");
            std::string value;
            std::string name;
            if ((level & ~query_modifier_mask) == query_custom && buffer)
                name = std::string(static_cast<const char*>(buffer), strnlen(static_cast<const char*>(buffer), *length));
            if (!layer->query_info(request, level, value, name))
                return false;
            if (level & query_flag_number) {
                if (!buffer || *length < sizeof(DWORD)) {
                    *length = sizeof(DWORD);
                    return fail(error_insufficient_buffer, "The buffer is too small");
                }
                DWORD number = static_cast<DWORD>(std::stoul(value));
                std::memcpy(buffer, &number, sizeof number);
                *length = sizeof number;
                return true;
            }
            return copy_out(value, static_cast<char*>(buffer), length);
        });
    library->add<HttpEndRequestA>("HttpEndRequestA", [layer](hinternet request, internet_buffers*, DWORD, context_type) -> BOOL {
        return layer->end_request(request);
    });
    library->add<InternetWriteFile>("InternetWriteFile",
        [layer](hinternet file, const void* buffer, DWORD to_write, DWORD* written) -> BOOL {
            std::size_t taken = 0;
            bool ok = layer->write_file(file, buffer, to_write, taken);
            if (written)
                *written = static_cast<DWORD>(taken);
            return ok;
        });
    library->add<HttpSendRequestExA>("HttpSendRequestExA",
        [layer](hinternet request, internet_buffers* in, internet_buffers*, DWORD, context_type) -> BOOL {
            if (!in)
                return fail(error_invalid_parameter, "No request buffers given");
            return layer->send_request_ex(request, counted_text(in->header, in->headers_length), in->buffer_total);
        });
    library->add<HttpSendRequestA>("HttpSendRequestA",
        [layer](hinternet request, const char* headers, DWORD headers_length, const void* optional,
            DWORD optional_length) -> BOOL {
            std::string_view body;
            if (optional)
                body = std::string_view(static_cast<const char*>(optional), optional_length);
            return layer->send_request(request, counted_text(headers, headers_length), body);
        });
    library->add<HttpOpenRequestA>("HttpOpenRequestA",
        [layer](hinternet connection, const char* verb, const char* object, const char* version, const char* referrer,
            const char**, DWORD flags, context_type) -> hinternet {
            return layer->open_request(connection, text_or_empty(verb), text_or_empty(object), text_or_empty(version),
                text_or_empty(referrer), flags);
        });
    library->add<InternetConnectA>("InternetConnectA",
        [layer](hinternet session, const char* server, std::uint16_t port, const char* user, const char* password,
            DWORD service, DWORD flags, context_type) -> hinternet {
            return layer->connect(session, text_or_empty(server), port, text_or_empty(user), text_or_empty(password),
                service, flags);
        });
    library->add<InternetOpenA>("InternetOpenA",
        [layer](const char* agent, DWORD access_type, const char* proxy, const char* bypass, DWORD flags) -> hinternet {
            return layer->open(text_or_empty(agent), access_type, text_or_empty(proxy), text_or_empty(bypass), flags);
        });
    library->add<InternetOpenUrlA>("InternetOpenUrlA",
        [layer](hinternet session, const char* url, const char* headers, DWORD headers_length, DWORD flags,
            context_type) -> hinternet {
            return layer->open_url(session, text_or_empty(url), counted_text(headers, headers_length), flags);
        });
    library->add<InternetCanonicalizeUrlA>("InternetCanonicalizeUrlA",
        [](const char* url, char* buffer, DWORD* length, DWORD) -> BOOL {
            auto canonical = canonicalize_url(text_or_empty(url));
            if (!canonical)
                return fail(error_internet_invalid_url, "The URL is invalid");
            return copy_out(*canonical, buffer, length);
        });
    library->add<InternetCrackUrlA>("InternetCrackUrlA",
        [](const char* url, DWORD url_length, DWORD, url_components* components) -> BOOL {
            if (!components)
                return fail(error_invalid_parameter, "No components given");
            auto parts = crack_url(url_length ? counted_text(url, url_length) : text_or_empty(url));
            if (!parts)
                return fail(error_internet_invalid_url, "The URL is invalid");
            components->scheme = parts->scheme;
            components->port = parts->port;
            return copy_component(parts->host, components->host_name, &components->host_name_length)
                && copy_component(parts->path, components->url_path, &components->url_path_length);
        });
    table.add("WININET", std::move(library));
}

}
