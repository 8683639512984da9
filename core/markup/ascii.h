#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace core {

// Case folding of markup names: ASCII only, other bytes (UTF-8 included) pass unchanged.
inline char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
inline char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string ascii_lowercase(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), ascii_lower);
    return out;
}

inline bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }
inline bool is_ascii_hex_digit(char c) { return is_ascii_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
inline bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

inline bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
}

inline bool starts_with_ignoring_case(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equal_ignoring_case(text.substr(0, prefix.size()), prefix);
}

inline bool ends_with_ignoring_case(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && equal_ignoring_case(text.substr(text.size() - suffix.size()), suffix);
}

// The first `what` at or after `from`, ignoring case; npos when there is none.
inline std::size_t find_ignoring_case(std::string_view text, std::string_view what, std::size_t from = 0)
{
    if (from > text.size() || what.size() > text.size() - from)
        return std::string_view::npos;
    const auto found = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), what.begin(),
        what.end(), [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
    return found == text.end() && !what.empty() ? std::string_view::npos : static_cast<std::size_t>(found - text.begin());
}

}
