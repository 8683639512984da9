// Any bytes as a text file (the first line, up to 64 bytes, is the font face): the page read
// back by the tokenizer holds only HTML, BODY, FONT, P, BR and A tags, no comment, and each A
// has exactly one attribute, its href.
#include "conversion/text_import/text_to_html.h"
#include "core/markup/markup_parser.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using hevtools::markup::html::el;
using hevtools::markup::html::is;

class page_checker : public hevtools::markup::null_parser_callback {
public:
    bool on_comment(std::string&, std::size_t) override { std::abort(); }
    bool on_empty_tag(core::markup_tag& tag, std::size_t) override { return check(tag); }
    bool on_start_tag(core::markup_tag& tag, std::size_t) override { return check(tag); }
    bool on_end_tag(core::markup_tag& tag, std::size_t) override { return check(tag); }

private:
    static bool check(const core::markup_tag& tag)
    {
        const bool allowed = is(tag, el::HTML) || is(tag, el::BODY) || is(tag, el::FONT) || is(tag, el::P)
            || is(tag, el::BR) || is(tag, el::A);
        if (!allowed)
            std::abort();
        if (is(tag, el::A) && !tag.end) {
            if (tag.attributes.size() != 1 || tag.attributes.begin()->first.name != "href")
                std::abort();
        }
        return true;
    }
};

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto line_end = input.find('\n');
    conversion::page_style style;
    if (line_end != std::string_view::npos && line_end <= 64) {
        style.face = std::string(input.substr(0, line_end));
        input.remove_prefix(line_end + 1);
    }
    style.size = 12;
    style.sizes = conversion::default_font_sizes();
    const auto page = conversion::text_to_html(input, style);
    page_checker checker;
    core::markup_parser parser(true);
    core::run_markup_parser(checker, page.data(), page.data() + page.size(), hevtools::markup::html::html_dtd(), parser);
    return 0;
}
