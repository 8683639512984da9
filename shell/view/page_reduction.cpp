#include "shell/view/page_reduction.h"

#include "core/files/file_text.h"
#include "core/markup/ascii.h"
#include "core/markup/copying_callback.h"
#include "core/markup/html_tag.h"

namespace shell {

namespace html = hevtools::markup::html;
using html::el;

namespace {

const std::string* bgcolor_of(const core::markup_tag& tag)
{
    const auto& entry = *html::attribute(html::at::bgcolor);
    return tag.attributes.find(core::attribute_key {std::string(entry.name), &entry});
}

bool is_white_background(const std::string* colour)
{
    if (!colour || colour->empty())
        return true;
    for (std::string_view white : {"#ffffff", "\"#ffffff\"", "'#ffffff'"}) {
        if (core::equal_ignoring_case(*colour, white))
            return true;
    }
    return false;
}

bool is_blank(std::string_view text)
{
    return text.find_first_not_of("\r\t\n ") == std::string_view::npos;
}

std::string_view trim_spaces_and_tabs(std::string_view text)
{
    auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

void append_upper(std::string& out, std::string_view text)
{
    for (char c : text)
        out += core::ascii_upper(c);
}

void append_lower(std::string& out, std::string_view text)
{
    for (char c : text)
        out += core::ascii_lower(c);
}

// The end tags the editing component may leave out or add on its own.
bool is_optional_end_tag(const core::markup_tag& tag)
{
    for (el e : {el::BODY, el::COLGROUP, el::DD, el::DT, el::LI, el::OPTION, el::P, el::TBODY, el::TD, el::TFOOT,
             el::TH, el::THEAD, el::TR}) {
        if (html::is(tag, e))
            return true;
    }
    return false;
}

void run_html_parser(std::string_view text, hevtools::markup::parser_callback& callback)
{
    core::markup_parser parser(true);
    core::run_markup_parser(callback, text.data(), text.data() + text.size(), html::html_dtd(), parser);
}

}

bool is_doc_empty_callback::on_start_tag(core::markup_tag& tag, std::size_t)
{
    if (tag.element == &html::unknown_element && tag.name == "!DOCTYPE")
        return true;
    if (html::is(tag, el::BODY)) {
        still_empty_ = is_white_background(bgcolor_of(tag));
        return still_empty_;
    }
    if (html::is(tag, el::STYLE))
        inside_style_ = true;
    still_empty_ = html::is(tag, el::HTML) || html::is(tag, el::HEAD) || html::is(tag, el::FONT)
        || html::is(tag, el::STYLE);
    return still_empty_;
}

bool is_doc_empty_callback::on_empty_tag(core::markup_tag& tag, std::size_t)
{
    still_empty_ = html::is(tag, el::META);
    return still_empty_;
}

bool is_doc_empty_callback::on_end_tag(core::markup_tag& tag, std::size_t)
{
    if (html::is(tag, el::STYLE))
        inside_style_ = false;
    return true;
}

bool is_doc_empty_callback::on_text(std::string& text, bool, std::size_t)
{
    core::cstring_replace_all(text, "&nbsp;", " ");
    still_empty_ = inside_style_ || is_blank(text);
    return still_empty_;
}

bool is_doc_empty_callback::on_comment(std::string&, std::size_t) { return still_empty_; }
bool is_doc_empty_callback::on_error(int, std::size_t, int&) { return still_empty_; }

body_extractor::body_extractor(std::size_t capacity) { text_.reserve(capacity); }

void body_extractor::write_tag(const core::markup_tag& tag)
{
    text_ += tag.end ? "</" : "<";
    append_upper(text_, html::element_index(tag.element) < 0 ? std::string_view(tag.name) : tag.element->name);
    for (const auto& [key, value] : tag.attributes) {
        text_ += ' ';
        append_lower(text_, core::is_unknown_attribute(key.entry) ? std::string_view(key.name) : key.entry->name);
        if (value.empty())
            continue;
        text_ += '=';
        for (char c : value) {
            if (c != '\r' && c != '\n')
                text_ += c;
        }
    }
    text_ += '>';
}

bool body_extractor::on_start_tag(core::markup_tag& tag, std::size_t)
{
    if (html::is(tag, el::FORM)) {
        inside_ = true;
        return true;
    }
    if (html::is(tag, el::BODY)) {
        auto colour = bgcolor_of(tag);
        std::string kept = colour ? *colour : std::string();
        tag.attributes.clear();
        const auto& entry = *html::attribute(html::at::bgcolor);
        tag.attributes.set(core::attribute_key {std::string(entry.name), &entry}, std::move(kept));
        inside_ = true;
    }
    if (!inside_ || html::is(tag, el::TBODY))
        return true;
    write_tag(tag);
    return true;
}

bool body_extractor::on_end_tag(core::markup_tag& tag, std::size_t)
{
    if (html::is(tag, el::FORM) || !inside_ || is_optional_end_tag(tag))
        return true;
    write_tag(tag);
    inside_ = !html::is(tag, el::HTML);
    return true;
}

bool body_extractor::on_empty_tag(core::markup_tag& tag, std::size_t)
{
    if (inside_)
        write_tag(tag);
    return true;
}

bool body_extractor::on_text(std::string& text, bool, std::size_t)
{
    if (!inside_)
        return true;
    core::cstring_replace_all(text, "&nbsp;", " ");
    core::cstring_replace_all(text, "&reg;", "");
    text_ += trim_spaces_and_tabs(text);
    return true;
}

bool body_extractor::on_comment(std::string&, std::size_t) { return true; }
bool body_extractor::on_error(int, std::size_t, int&) { return true; }

std::string reduce_page(std::string_view page)
{
    body_extractor extractor(page.size());
    run_html_parser(page, extractor);
    return std::string(core::trim_view(extractor.text()));
}

bool page_shows_nothing(std::string_view laid_out_page)
{
    if (laid_out_page.empty())
        return true;
    is_doc_empty_callback callback;
    run_html_parser(laid_out_page, callback);
    return callback.still_empty();
}

bool is_written_page_unchanged(std::string_view written_page, std::string_view stored_page)
{
    const auto laid_out = core::break_html_lines(written_page, true, true, "", "\r\n");
    if (stored_page.empty())
        return page_shows_nothing(laid_out);
    const auto stored = reduce_page(stored_page);
    if (reduce_page(laid_out) == stored)
        return true;
    return reduce_page(written_page) == stored;
}

}
