#include "core/url/file_url.h"

#include <cctype>
#include <filesystem>

namespace core {

namespace {

std::string replace_all(std::string text, std::string_view what, std::string_view with)
{
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

bool is_drive_path(std::string_view path)
{
    // "/C:/..." or "/C:" as written after "file://".
    return path.size() >= 3 && path[0] == '/' && std::isalpha(static_cast<unsigned char>(path[1])) && path[2] == ':'
        && (path.size() == 3 || path[3] == '/' || path[3] == '\\');
}

}

std::string DecodeUrlEscapes(std::string_view text)
{
    std::string result(text);
    result = replace_all(std::move(result), "%5B", "[");
    result = replace_all(std::move(result), "%20", " ");
    result = replace_all(std::move(result), "%5D", "]");
    result = replace_all(std::move(result), "%25", "%");
    return result;
}

std::string FileUrlToPath(std::string_view url)
{
    constexpr std::string_view scheme = "file://";
    if (!starts_with_ignoring_case(url, scheme))
        return std::string(url);
    auto path = url.substr(scheme.size());
    if (starts_with_ignoring_case(path, "localhost") && (path.size() == 9 || path[9] == '/'))
        path.remove_prefix(9);
    if (is_drive_path(path))
        path.remove_prefix(1);
    return std::string(path);
}

std::string make_file_url(std::string_view path)
{
    std::string text(path);
    for (auto& c : text) {
        if (c == '\\')
            c = '/';
    }
    if (!text.empty() && text.front() != '/' && !is_drive_path("/" + text)) {
        std::error_code ec;
        auto absolute = std::filesystem::absolute(text, ec);
        if (!ec)
            text = absolute.lexically_normal().string();
    }
    if (!text.empty() && text.front() != '/')
        text.insert(0, "/");
    return "file://" + text;
}

std::string make_encoded_file_url(std::string_view path)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path) {
        if (c == '\\')
            c = '/';
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
            || c == '_' || c == '~' || c == '/') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += digits[c >> 4];
            url += digits[c & 15];
        }
    }
    return url;
}

}
