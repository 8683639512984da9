// The tag model on any bytes: the parse functions, started at every offset, move forward and
// stay inside the text; a value set with SetValue reads back from GetText unchanged (with
// "&quot;" decoded where the writer had to use it).
#include "core/markup/html_tag.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool only_spaces_from(std::string_view text, std::size_t at)
{
    for (; at < text.size(); ++at)
        if (!(text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r' || text[at] == '\v' || text[at] == '\f'))
            return false;
    return true;
}

void check_progress(std::size_t from, std::size_t reached, std::string_view text, bool may_stay)
{
    if (reached > text.size() || reached < from)
        std::abort();
    if (reached == from && !may_stay && !only_spaces_from(text, from))
        std::abort();
}

std::string decode_quot(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, 6, "&quot;") == 0) {
            out += '"';
            i += 6;
        } else {
            out += text[i++];
        }
    }
    return out;
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (std::size_t from = 0; from <= text.size(); ++from) {
        core::CHTMLTag tag;
        check_progress(from, tag.Parse(text, from), text, from == text.size());
        (void)tag.GetText();
        core::CSGMLTag declaration;
        check_progress(from, declaration.Parse(text.data(), from, text.size()), text, from == text.size());
        (void)declaration.GetParameterEntityText();
        core::CTagAttributes attributes;
        // An attribute list may be empty: at ">" the parse consumes it, at the end it stays.
        check_progress(from, attributes.Parse(text, from, false), text, true);
        core::CTagAttributes comment;
        check_progress(from, comment.Parse(text, from, true), text, true);
        std::size_t position = from;
        core::SkipToNextTag(text, position, text.size() ? text.size() - 1 : 0);
        if (position < from)
            std::abort();
        position = from;
        (void)core::GetTextToNextTag(text, position);
        if (position < from || position > std::max(from, text.size()))
            std::abort();
    }

    core::CHTMLTag tag;
    tag.Parse("<A href=x>", 0);
    tag.GetAttributes().SetValue("title", text);
    std::string stored;
    tag.GetAttributes().GetValue("title", stored);
    core::CHTMLTag back;
    back.Parse(tag.GetText(), 0);
    std::string read;
    back.GetAttributes().GetValue("title", read);
    const bool both_quotes = stored.find('"') != std::string::npos && stored.find('\'') != std::string::npos;
    if (both_quotes)
        read = decode_quot(read);
    const bool ambiguous = both_quotes && stored.find("&quot;") != std::string::npos;
    if (!ambiguous && read != stored)
        std::abort();
    return 0;
}
