#include "core/util/strings.h"

#include "core/util/program_environment.h"
#include "platform/strings/string_table.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

namespace core {

std::string vformat_string(const char* format, va_list arguments)
{
    if (!format)
        return {};
    va_list measure;
    va_copy(measure, arguments);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length <= 0)
        return {};
    std::string result(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(result.data(), result.size(), format, arguments);
    result.resize(static_cast<std::size_t>(length));
    return result;
}

std::string format_string(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    auto result = vformat_string(format, arguments);
    va_end(arguments);
    return result;
}

std::string format_cstring(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    auto result = vformat_string(format, arguments);
    va_end(arguments);
    return result;
}

std::string load_string_resource(unsigned id)
{
    auto strings = current_program_environment().strings;
    return strings ? strings->text(id) : std::string();
}

std::string format_resource_cstring(unsigned format_id, ...)
{
    auto format = load_string_resource(format_id);
    va_list arguments;
    va_start(arguments, format_id);
    auto result = vformat_string(format.c_str(), arguments);
    va_end(arguments);
    return result;
}

int cstring_find(std::string_view text, std::string_view what, int start)
{
    if (start < 0 || static_cast<std::size_t>(start) >= text.size())
        return -1;
    auto at = text.find(what, static_cast<std::size_t>(start));
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

std::string GetProgramVersionString()
{
    return TALVERIN_VERSION;
}

namespace {

std::uint16_t default_port(const std::string& service)
{
    if (service == "http")
        return 80;
    if (service == "https")
        return 443;
    if (service == "ftp")
        return 21;
    if (service == "gopher")
        return 70;
    return 0;
}

}

url_parts url_parts_init(std::string_view url)
{
    url_parts parts;
    parts.url = std::string(url);
    auto text = url;
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    auto colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return parts;
    auto scheme = text.substr(0, colon);
    if (!std::all_of(scheme.begin(), scheme.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
        }))
        return parts;
    if (text.substr(colon + 1, 2) != "//")
        return parts;
    parts.service = std::string(scheme);
    std::transform(parts.service.begin(), parts.service.end(), parts.service.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });

    auto rest = text.substr(colon + 3);
    auto path_start = rest.find_first_of("/?#");
    auto authority = rest.substr(0, path_start);
    parts.object = path_start == std::string_view::npos ? "/" : std::string(rest.substr(path_start));
    if (!parts.object.empty() && parts.object.front() != '/')
        parts.object.insert(0, "/");

    auto at = authority.rfind('@');
    if (at != std::string_view::npos) {
        auto credentials = authority.substr(0, at);
        auto split = credentials.find(':');
        parts.user = std::string(credentials.substr(0, split));
        if (split != std::string_view::npos)
            parts.password = std::string(credentials.substr(split + 1));
        authority.remove_prefix(at + 1);
    }
    parts.port = default_port(parts.service);
    auto port_colon = authority.rfind(':');
    if (port_colon != std::string_view::npos && authority.find(']', port_colon) == std::string_view::npos) {
        auto digits = authority.substr(port_colon + 1);
        authority = authority.substr(0, port_colon);
        if (!digits.empty()) {
            unsigned long value = 0;
            for (char c : digits) {
                if (!std::isdigit(static_cast<unsigned char>(c)) || value > 65535)
                    return parts;
                value = value * 10 + static_cast<unsigned long>(c - '0');
            }
            if (value == 0 || value > 65535)
                return parts;
            parts.port = static_cast<std::uint16_t>(value);
        }
    }
    parts.server = std::string(authority);
    parts.parsed = !parts.server.empty() || parts.service == "file";
    return parts;
}

}
