#include "core/url/url_text.h"

#include "core/files/file_text.h"
#include "core/util/strings.h"
#include "platform/text/quoted_text.h"

#include <vector>

namespace core {

namespace {

// Decodes %XX escapes (never into a zero byte) and writes blanks as %20.
std::string canonical_escapes(std::string_view text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%' && i + 2 < text.size() && platform::text::hex_digit(text[i + 1]) >= 0 && platform::text::hex_digit(text[i + 2]) >= 0) {
            char decoded = static_cast<char>(platform::text::hex_digit(text[i + 1]) * 16 + platform::text::hex_digit(text[i + 2]));
            if (decoded != '\0') {
                c = decoded;
                i += 2;
            }
        }
        if (c == ' ')
            result += "%20";
        else
            result += c;
    }
    return result;
}

std::string fold_dots(std::string_view path)
{
    std::vector<std::string_view> parts;
    std::size_t start = 1;
    while (start <= path.size()) {
        auto end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        auto part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            if (end == path.size())
                parts.push_back("");
        } else if (part == ".") {
            if (end == path.size())
                parts.push_back("");
        } else {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (auto part : parts) {
        result += '/';
        result += part;
    }
    return result.empty() ? "/" : result;
}

}

std::string DecodeEntitiesAndEscapes(std::string_view text)
{
    std::string result(text);
    static constexpr std::pair<std::string_view, std::string_view> replacements[] = {{"&nbsp;", " "},
        {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}, {"%25", "%"}, {"%26", "&"}, {"%3D", "="}, {"%3d", "="}};
    for (const auto& [what, with] : replacements)
        cstring_replace_all(result, what, with);
    return result;
}

std::string StripQueryString(std::string_view url)
{
    return std::string(url.substr(0, url.find('?')));
}

std::string SplitQueryString(std::string_view url, std::string& query)
{
    auto at = url.find('?');
    if (at != std::string_view::npos)
        query = std::string(url.substr(at + 1));
    return std::string(url.substr(0, at));
}

bool GetUrlPath(std::string_view url, std::string& path)
{
    if (url.empty())
        return false;
    auto parts = url_parts_init(url);
    if (!parts.parsed || parts.server.empty())
        return false;
    auto tail_at = parts.object.find_first_of("?#");
    auto head = parts.object.substr(0, tail_at);
    auto tail = tail_at == std::string::npos ? std::string() : parts.object.substr(tail_at);
    path = fold_dots(canonical_escapes(head)) + tail;
    return true;
}

}
