#include "conversion/view_text/find_text.h"

#include "core/markup/ascii.h"

#include <cstring>

namespace conversion {

bool text_at(std::string_view text, std::size_t at, std::string_view what)
{
    if (what.empty() || at > text.size() || what.size() > text.size() - at || text[at] != what[0])
        return false;
    return core::equal_ignoring_case(text.substr(at + 1, what.size() - 1), what.substr(1));
}

std::size_t find_text(std::string_view text, std::string_view what, std::size_t from)
{
    if (what.empty())
        return std::string_view::npos;
    while (from < text.size()) {
        const void* hit = std::memchr(text.data() + from, what[0], text.size() - from);
        if (!hit)
            return std::string_view::npos;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
        if (text_at(text, at, what))
            return at;
        from = at + 1;
    }
    return std::string_view::npos;
}

std::string replace_text(std::string_view text, std::string_view what, std::string_view with)
{
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = find_text(text, what); at != std::string_view::npos; at = find_text(text, what, from)) {
        out.append(text, from, at - from);
        out += with;
        from = at + what.size();
    }
    out.append(text, from);
    return out;
}

std::string_view trim_blanks(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}
