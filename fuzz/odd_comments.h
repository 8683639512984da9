#pragma once

#include "core/markup/markup_parser.h"

#include <string_view>

// Whether a page holds a comment opener the tokenizer's own rules read as a tag "--" ("<!-->",
// or "<!--a>" closed at a bare ">"): such a tag is written back as text, so a copy of the page
// reads otherwise than the page. Fuzz targets that check a copy reads as itself leave these out.
inline bool has_odd_comment(std::string_view page)
{
    class finder : public hevtools::markup::null_parser_callback {
    public:
        bool found = false;
        bool on_empty_tag(core::markup_tag& tag, std::size_t) override { return note(tag); }
        bool on_start_tag(core::markup_tag& tag, std::size_t) override { return note(tag); }
        bool on_end_tag(core::markup_tag& tag, std::size_t) override { return note(tag); }
        bool on_error(int code, std::size_t, int&) override
        {
            found = found || code == hevtools::markup::error_unclosed_comment_tag;
            return true;
        }

    private:
        bool note(const core::markup_tag& tag)
        {
            found = found || tag.name == "--";
            return true;
        }
    } receiver;
    core::markup_parser parser(true);
    core::run_markup_parser(receiver, page.data(), page.data() + page.size(), hevtools::markup::html::html_dtd(), parser);
    return receiver.found;
}
