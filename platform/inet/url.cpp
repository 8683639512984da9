#include "platform/inet/url.h"

#include "platform/inet/inet_constants.h"
#include "platform/text/quoted_text.h"

#include <curl/curl.h>

#include <cctype>
#include <memory>

namespace platform::inet {

namespace {

bool decodes_safely(int byte)
{
    return byte > 0x20 && byte < 0x7F && byte != '%' && byte != '?' && byte != '#' && byte != '/';
}

// Whether a decoded hex digit would join a lone "%" written before it ("%c%41" -> "%cA"), so
// that the canonical text would decode differently when canonicalised again.
bool completes_an_escape(std::string_view text, int byte)
{
    if (platform::text::hex_digit(static_cast<char>(byte)) < 0)
        return false;
    const std::size_t n = text.size();
    return (n >= 1 && text[n - 1] == '%')
        || (n >= 2 && text[n - 2] == '%' && platform::text::hex_digit(text[n - 1]) >= 0);
}

bool valid_scheme(std::string_view scheme)
{
    if (scheme.empty() || !std::isalpha(static_cast<unsigned char>(scheme.front())))
        return false;
    for (char c : scheme) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

struct url_handle_deleter {
    void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};

std::optional<std::string> url_part(CURLU* handle, CURLUPart part, unsigned flags = 0)
{
    char* text = nullptr;
    if (curl_url_get(handle, part, &text, flags) != CURLUE_OK)
        return std::nullopt;
    std::string value(text);
    curl_free(text);
    return value;
}

std::int32_t scheme_number(const std::string& scheme)
{
    if (scheme == "ftp")
        return scheme_ftp;
    if (scheme == "gopher")
        return scheme_gopher;
    if (scheme == "http")
        return scheme_http;
    if (scheme == "https")
        return scheme_https;
    return scheme_unknown;
}

std::uint16_t default_port(std::int32_t scheme)
{
    switch (scheme) {
    case scheme_ftp:
        return default_ftp_port;
    case scheme_gopher:
        return 70;
    case scheme_http:
        return default_http_port;
    case scheme_https:
        return default_https_port;
    default:
        return 0;
    }
}

}

std::optional<std::string> canonicalize_url(std::string_view url)
{
    auto separator = url.find("://");
    if (separator == std::string_view::npos || !valid_scheme(url.substr(0, separator)))
        return std::nullopt;
    auto rest = url.find_first_of("?#");
    if (rest == std::string_view::npos)
        rest = url.size();
    std::string text;
    text.reserve(url.size());
    for (std::size_t i = 0; i < rest; ++i) {
        char c = url[i];
        if (c == '%' && i + 2 < rest) {
            int high = platform::text::hex_digit(url[i + 1]);
            int low = platform::text::hex_digit(url[i + 2]);
            if (high >= 0 && low >= 0) {
                int byte = high * 16 + low;
                if (decodes_safely(byte) && !completes_an_escape(text, byte)) {
                    text.push_back(static_cast<char>(byte));
                } else {
                    text.push_back('%');
                    text.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(url[i + 1]))));
                    text.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(url[i + 2]))));
                }
                i += 2;
                continue;
            }
        }
        if (c == ' ')
            text += "%20";
        else
            text.push_back(c);
    }
    text.append(url.substr(rest));
    return text;
}

std::optional<url_components> crack_url(std::string_view url)
{
    std::unique_ptr<CURLU, url_handle_deleter> handle(curl_url());
    if (!handle)
        return std::nullopt;
    std::string text(url);
    if (text.find('\0') != std::string::npos)
        return std::nullopt;
    if (curl_url_set(handle.get(), CURLUPART_URL, text.c_str(),
            CURLU_NON_SUPPORT_SCHEME | CURLU_PATH_AS_IS | CURLU_ALLOW_SPACE) != CURLUE_OK)
        return std::nullopt;
    url_components parts;
    auto scheme = url_part(handle.get(), CURLUPART_SCHEME);
    auto host = url_part(handle.get(), CURLUPART_HOST);
    if (!scheme || !host || host->empty())
        return std::nullopt;
    parts.scheme_name = *scheme;
    parts.scheme = scheme_number(*scheme);
    parts.host = *host;
    if (parts.host.size() >= 2 && parts.host.front() == '[' && parts.host.back() == ']')
        parts.host = parts.host.substr(1, parts.host.size() - 2);
    auto port = url_part(handle.get(), CURLUPART_PORT);
    if (port) {
        auto number = std::stoul(*port);
        if (number == 0 || number > 65535)
            return std::nullopt;
        parts.port = static_cast<std::uint16_t>(number);
    } else {
        parts.port = default_port(parts.scheme);
    }
    parts.user = url_part(handle.get(), CURLUPART_USER).value_or("");
    parts.password = url_part(handle.get(), CURLUPART_PASSWORD).value_or("");
    parts.path = url_part(handle.get(), CURLUPART_PATH).value_or("/");
    if (auto query = url_part(handle.get(), CURLUPART_QUERY))
        parts.path += "?" + *query;
    return parts;
}

}
