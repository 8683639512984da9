#include "conversion/text_import/linkifier.h"

#include "core/markup/ascii.h"
#include "core/markup/escape.h"
#include "core/util/strings.h"

#include <array>
#include <istream>
#include <string_view>

namespace conversion {

namespace {

constexpr std::array<std::string_view, 6> link_prefixes {"ftp://", "gopher://", "http://", "https://", "mailto:", "www."};
constexpr std::string_view mailto_prefix = "mailto:";

bool has_link_prefix(std::string_view word)
{
    for (auto prefix : link_prefixes) {
        if (core::starts_with_ignoring_case(word, prefix))
            return true;
    }
    return false;
}

// Whether the address names where it leads: a server for the "//" forms, one "@" with text
// on both sides for a mail address.
bool can_be_split(std::string_view url)
{
    if (core::starts_with_ignoring_case(url, mailto_prefix)) {
        const auto address = url.substr(mailto_prefix.size());
        const auto at = address.find('@');
        return at != std::string_view::npos && at > 0 && at + 1 < address.size()
            && address.find('@', at + 1) == std::string_view::npos;
    }
    return core::url_parts_init(url).parsed;
}

}

bool link_word_target(std::string& word)
{
    if (word.size() < 5)
        return false;
    const bool parenthesised = word.front() == '(';
    const std::string_view inner = parenthesised ? std::string_view(word).substr(1) : std::string_view(word);
    if (word.find('@') != std::string::npos && !has_link_prefix(inner)) {
        word = (parenthesised ? "(" : "") + std::string(mailto_prefix) + std::string(inner);
        return true;
    }
    if (std::string_view("fghhmw").find(word.front()) == std::string_view::npos)
        return false;
    if (!has_link_prefix(word))
        return false;
    if (core::starts_with_ignoring_case(word, "www."))
        word.insert(0, "http://");
    return true;
}

std::string linkify_word(std::istream& words)
{
    std::string word;
    if (!(words >> word))
        return word;
    // The words as read: a joined "mailto:" keeps its blank when it makes no link.
    std::string as_read = word;
    if (core::equal_ignoring_case(word, mailto_prefix)) {
        std::string address;
        if (words >> address) {
            word += address;
            as_read += ' ' + address;
        }
    }
    std::string url = word;
    if (!link_word_target(url))
        return as_read;

    const bool opening = url.front() == '(';
    const bool closing = url.back() == ')';
    std::string shown = word;
    if (closing) {
        url.pop_back();
        if (!shown.empty() && shown.back() == ')')
            shown.pop_back();
    }
    if (opening) {
        url.erase(0, 1);
        if (!shown.empty() && shown.front() == '(')
            shown.erase(0, 1);
    }
    if (!can_be_split(url))
        return as_read;
    return std::string(opening ? "(" : "") + "<a href=\"" + core::escape_attribute_value(url) + "\">" + shown + "</a>"
        + (closing ? ")" : "");
}

}
