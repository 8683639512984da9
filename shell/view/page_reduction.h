#pragma once

// Whether an edited page still matches the page stored for its document. Both pages are
// reduced to the comparable core of their body, so that what the editing component rewrites
// on its own (spacing at the ends of texts, letter case, optional end tags, the form wrapper,
// body attributes but the background colour) never counts as a change.

#include "core/markup/markup_parser.h"

#include <string>
#include <string_view>

namespace shell {

// Stops the parse at the first thing the page shows: true as long as the page has shown
// nothing (a white or absent background, the head, a style block, blank text).
class is_doc_empty_callback final : public hevtools::markup::parser_callback {
public:
    bool on_comment(std::string& text, std::size_t position) override;
    bool on_empty_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_start_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_end_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_text(std::string& text, bool raw, std::size_t position) override;
    bool on_error(int code, std::size_t position, int& state) override;

    bool still_empty() const { return still_empty_; }

private:
    bool still_empty_ = true;
    bool inside_style_ = false;
};

// Writes the body of a page in a canonical form: tags upper case with lower-case attribute
// names, the form and TBODY tags and optional end tags left out, texts trimmed of spaces
// and tabs, "&nbsp;" as a space and "&reg;" removed.
class body_extractor final : public hevtools::markup::parser_callback {
public:
    explicit body_extractor(std::size_t capacity);

    bool on_comment(std::string& text, std::size_t position) override;
    bool on_empty_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_start_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_end_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_text(std::string& text, bool raw, std::size_t position) override;
    bool on_error(int code, std::size_t position, int& state) override;

    std::string& text() { return text_; }

private:
    void write_tag(const core::markup_tag& tag);

    std::string text_;
    bool inside_ = false;
};

// The body core of a page (a body_extractor's output), trimmed of white space at both ends.
std::string reduce_page(std::string_view page);

// Whether a page, laid out in lines, shows nothing at all.
bool page_shows_nothing(std::string_view laid_out_page);

// The unchanged test of the HTML message: `written_page` is the page as the view writes it
// for the test, `stored_page` the document's stored page text (empty for a new message).
bool is_written_page_unchanged(std::string_view written_page, std::string_view stored_page);

}
