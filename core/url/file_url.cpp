#include "core/url/file_url.h"

#include <algorithm>
#include <cctype>

namespace core {

namespace {

void replace_every(std::string& text, std::string_view from, std::string_view to)
{
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    for (std::size_t hit; (hit = text.find(from, at)) != std::string::npos; at = hit + from.size()) {
        out.append(text, at, hit - at);
        out.append(to);
    }
    out.append(text, at, std::string::npos);
    text.swap(out);
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size()
        && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

bool is_drive_form(std::string_view path)
{
    return path.size() >= 3 && path[0] == '/' && std::isalpha(static_cast<unsigned char>(path[1])) && path[2] == ':';
}

}

std::string DecodeUrlEscapes(std::string_view text)
{
    std::string result(text);
    replace_every(result, "%5B", "[");
    replace_every(result, "%20", " ");
    replace_every(result, "%5D", "]");
    replace_every(result, "%25", "%");
    return result;
}

std::string FileUrlToPath(std::string_view url)
{
    constexpr std::string_view scheme = "file://";
    if (!starts_with_ignoring_case(url, scheme))
        return std::string(url);
    std::string_view path = url.substr(scheme.size());
    if (starts_with_ignoring_case(path, "localhost"))
        path.remove_prefix(std::string_view("localhost").size());
    if (is_drive_form(path))
        path.remove_prefix(1);
    return std::string(path);
}

std::string make_file_url(std::string_view path)
{
    std::string result = "file://";
    result.append(path);
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

}
