#include "conversion/view_text/find_text.h"
#include "conversion/view_text/text_rewriters.h"

#include <array>
#include <utility>

namespace conversion {

namespace {

using replacement = std::pair<std::string_view, std::string_view>;

// Replaces, at each byte, the first pair whose text stands there; `exact` compares the whole
// text with case, else by the text search.
template <std::size_t N>
std::string replace_each(std::string_view text, const std::array<replacement, N>& pairs, bool exact)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const char lead = text[i];
        bool replaced = false;
        for (const auto& [what, with] : pairs) {
            if (lead != what[0])
                continue;
            if (exact ? text.substr(i, what.size()) == what : text_at(text, i, what)) {
                out += with;
                i += what.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

constexpr std::array<replacement, 4> entities {{{"&nbsp;", " "}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}};
constexpr std::array<replacement, 4> emphasis {
    {{"<strong>", "<b>"}, {"</strong>", "</b>"}, {"<em>", "<i>"}, {"</em>", "</i>"}}};

}

void decode_inline_markup(std::string& text)
{
    // Two scans: a "<" decoded from "&lt;" may begin a STRONG or EM tag of the second.
    text = replace_each(replace_each(text, entities, true), emphasis, false);
}

void remove_tags_named(std::string& text, std::string_view name)
{
    const std::string opening = "<" + std::string(name);
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = find_text(text, opening); at != std::string::npos; at = find_text(text, opening, from)) {
        const std::size_t close = text.find('>', at);
        if (close == std::string::npos)
            break;
        out.append(text, from, at - from);
        from = close + 1;
    }
    out.append(text, from);
    text = std::move(out);
}

}
