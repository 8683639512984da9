#include "core/markup/copying_callback.h"

#include "core/markup/ascii.h"

#include <cstdint>
#include <cstring>
#include <ostream>

namespace core {

namespace {

// Copies n bytes, one to two words of them, as two word moves that may overlap. Always inlined:
// a call here costs more than the copy.
template <typename Word>
[[gnu::always_inline]] inline void copy_two_words(char* to, const char* from, std::size_t n)
{
    Word head, tail;
    std::memcpy(&head, from, sizeof head);
    std::memcpy(&tail, from + n - sizeof tail, sizeof tail);
    std::memcpy(to + n - sizeof tail, &tail, sizeof tail);
    std::memcpy(to, &head, sizeof head);
}

// Copies a short piece with a few word moves instead of a library call; inlined into the
// tag writer, where each tag has several pieces.
[[gnu::always_inline]] inline char* put(char* to, std::string_view piece)
{
    const char* from = piece.data();
    const std::size_t n = piece.size();
    if (n > 16) {
        std::memcpy(to, from, n);
    } else if (n >= 8) {
        copy_two_words<std::uint64_t>(to, from, n);
    } else if (n >= 4) {
        copy_two_words<std::uint32_t>(to, from, n);
    } else if (n > 0) {
        const char first = from[0], middle = from[n / 2], last = from[n - 1];
        to[0] = first;
        to[n / 2] = middle;
        to[n - 1] = last;
    }
    return to + n;
}

// What stood between the last attribute and ">". Without a closing slash, a last attribute
// whose name ends in "/" and has no value ("<a s/ t>" ordered as "<a t s/>") is followed by a
// blank, so that reading the copy again does not take its "/" for a closing slash.
std::string_view closing_slash_text(const markup_tag& tag)
{
    switch (tag.closing_slash) {
    case markup_tag::slash: {
        // Right behind an unquoted value, a "/" would be read back as part of the value: the
        // attributes are written in another order than they came, so the last one may have one.
        if (tag.attributes.empty())
            return "/";
        const auto& value = (tag.attributes.end() - 1)->second;
        return value.empty() || value.back() == '"' || value.back() == '\'' ? "/" : " /";
    }
    case markup_tag::spaced_slash:
        return " /";
    default:
        break;
    }
    if (tag.attributes.empty())
        return {};
    const auto& [key, value] = *(tag.attributes.end() - 1);
    return value.empty() && !key.name.empty() && key.name.back() == '/' ? " " : std::string_view();
}

// `open`, the tag as write_markup_tag writes it, and ">", appended to `out`. A tag is many short
// pieces: they are gathered on the stack and appended in one go, unless the tag is long.
void append_tag(const markup_tag& tag, std::string_view open, std::string& out)
{
    char gathered[256];
    std::size_t size = open.size() + tag.name.size() + 3;
    for (const auto& [key, value] : tag.attributes)
        size += 2 + key.name.size() + value.size();
    if (!tag.source_text.empty() || size > sizeof gathered) {
        out.append(open);
        write_markup_tag(tag, out);
        out.push_back('>');
        return;
    }
    char* to = put(gathered, open);
    to = put(to, tag.name);
    for (const auto& [key, value] : tag.attributes) {
        *to++ = ' ';
        to = put(to, key.name);
        if (!value.empty()) {
            *to++ = '=';
            to = put(to, value);
        }
    }
    to = put(to, closing_slash_text(tag));
    *to++ = '>';
    out.append(gathered, static_cast<std::size_t>(to - gathered));
}

}

}

namespace hevtools::markup {

copying_parser_callback::copying_parser_callback(std::string& output, std::string indent_unit)
    : text_(&output), indent_unit_(std::move(indent_unit))
{
}

copying_parser_callback::copying_parser_callback(std::ostream& output, std::string indent_unit)
    : stream_(&output), indent_unit_(std::move(indent_unit))
{
}

void copying_parser_callback::write(std::string_view text)
{
    if (text_)
        text_->append(text);
    else
        stream_->write(text.data(), static_cast<std::streamsize>(text.size()));
}

void copying_parser_callback::write(char c)
{
    if (text_)
        text_->push_back(c);
    else
        stream_->put(c);
}

void copying_parser_callback::write_tag(const markup_tag& tag, std::string_view open)
{
    if (text_) {
        core::append_tag(tag, open, *text_);
        return;
    }
    std::string text;
    core::append_tag(tag, open, text);
    write(text);
}

bool copying_parser_callback::on_comment(std::string& text, std::size_t)
{
    write("<!--");
    write(text);
    write("-->");
    return true;
}

bool copying_parser_callback::on_empty_tag(markup_tag& tag, std::size_t)
{
    write_tag(tag, "<");
    return true;
}

bool copying_parser_callback::on_start_tag(markup_tag& tag, std::size_t)
{
    if (!indent_unit_.empty() && is_line_breaking_element(tag))
        break_and_indent(true);
    write_tag(tag, "<");
    return true;
}

bool copying_parser_callback::on_end_tag(markup_tag& tag, std::size_t)
{
    write_tag(tag, "</");
    if (!indent_unit_.empty() && is_line_breaking_element(tag))
        break_and_indent(false);
    return true;
}

bool copying_parser_callback::on_text(std::string& text, bool, std::size_t)
{
    write(text);
    return true;
}

bool copying_parser_callback::on_error(int, std::size_t, int&)
{
    return true;
}

bool copying_parser_callback::is_line_breaking_element(const markup_tag& tag) const
{
    using html::el;
    return !(html::is(tag, el::HTML) || html::is(tag, el::HEAD) || html::is(tag, el::BODY) || html::is(tag, el::P)
        || html::is(tag, el::FONT));
}

bool copying_parser_callback::break_and_indent(bool opening)
{
    if (!opening) {
        if (!indentation_.empty())
            indentation_.resize(indentation_.size() >= indent_unit_.size() ? indentation_.size() - indent_unit_.size() : 0);
        return false;
    }
    bool wrote = false;
    if (!indentation_.empty()) {
        write('\n');
        write(indentation_);
        wrote = true;
    }
    if (indentation_.size() < 40)
        indentation_.append(indent_unit_);
    else
        indentation_.clear();
    return wrote;
}

}

namespace core {

using hevtools::markup::html::el;
using hevtools::markup::html::is;

line_breaker::line_breaker(std::string& output, bool keep_nbsp, bool paragraph_mark, std::string paragraph_prefix,
    std::string line_break)
    : copying_parser_callback(output), keep_nbsp_(keep_nbsp), paragraph_mark_(paragraph_mark),
      paragraph_prefix_(std::move(paragraph_prefix)), line_break_(std::move(line_break))
{
}

line_breaker::line_breaker(std::ostream& output, bool keep_nbsp, bool paragraph_mark, std::string paragraph_prefix,
    std::string line_break)
    : copying_parser_callback(output), keep_nbsp_(keep_nbsp), paragraph_mark_(paragraph_mark),
      paragraph_prefix_(std::move(paragraph_prefix)), line_break_(std::move(line_break))
{
}

bool line_breaker::on_empty_tag(markup_tag& tag, std::size_t position)
{
    copying_parser_callback::on_empty_tag(tag, position);
    if (is(tag, el::BR) || is(tag, el::META) || is(tag, el::PARAM))
        write(line_break_);
    return true;
}

bool line_breaker::on_start_tag(markup_tag& tag, std::size_t position)
{
    if (is(tag, el::P) && paragraph_mark_) {
        write(paragraph_prefix_);
        write(line_break_);
    } else if (is(tag, el::LI) || is(tag, el::TR) || is(tag, el::OBJECT) || is(tag, el::DIV)) {
        write(line_break_);
    }
    copying_parser_callback::on_start_tag(tag, position);
    if (is(tag, el::OBJECT))
        write(line_break_);
    return true;
}

bool line_breaker::on_text(std::string& text, bool raw, std::size_t position)
{
    if (keep_nbsp_ || text.find("&nbsp;") == std::string::npos)
        return copying_parser_callback::on_text(text, raw, position);
    // One pass, left to right; what a replacement produced is not looked at again.
    constexpr std::string_view nbsp = "&nbsp;";
    scratch_.clear();
    std::size_t at = 0;
    for (std::size_t hit; (hit = text.find(nbsp, at)) != std::string::npos; at = hit + nbsp.size()) {
        scratch_.append(text, at, hit - at);
        scratch_.push_back(' ');
    }
    scratch_.append(text, at, std::string::npos);
    return copying_parser_callback::on_text(scratch_, raw, position);
}

std::string break_html_lines(std::string_view html, bool collapse_spaces, bool paragraph_mark,
    std::string_view paragraph_prefix, std::string_view line_break)
{
    std::string out;
    out.reserve(html.size() + html.size() / 8);
    markup_parser parser(!collapse_spaces);
    line_breaker breaker(out, collapse_spaces, paragraph_mark, std::string(paragraph_prefix), std::string(line_break));
    run_markup_parser(breaker, html.data(), html.data() + html.size(), hevtools::markup::html::html_dtd(), parser);
    return out;
}

std::string& write_markup_tag(const markup_tag& tag, std::string& out)
{
    if (!tag.source_text.empty()) {
        out.append(tag.source_text);
        return out;
    }
    out.append(tag.name);
    for (const auto& [key, value] : tag.attributes) {
        out.push_back(' ');
        out.append(key.name);
        if (!value.empty()) {
            out.push_back('=');
            out.append(value);
        }
    }
    out.append(closing_slash_text(tag));
    return out;
}

std::ostream& write_markup_tag(const markup_tag& tag, std::ostream& out)
{
    std::string text;
    write_markup_tag(tag, text);
    return out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::string markup_tag_to_text(const markup_tag& tag)
{
    std::string text;
    append_tag(tag, tag.end ? "</" : "<", text);
    return text;
}

bool markup_tag_attribute_matches(const markup_tag& tag, const attribute_entry* attribute, std::string_view wanted,
    bool case_sensitive)
{
    const std::string* value = tag.attributes.find(attribute_key {std::string(attribute->name), attribute});
    if (!value)
        return false;
    if (wanted.empty())
        return true;
    if (case_sensitive)
        return *value == wanted;
    return equal_ignoring_case(*value, wanted);
}

std::string_view unquoted_attribute_value(const markup_tag& tag, hevtools::markup::html::at attribute)
{
    const auto* entry = hevtools::markup::html::attribute(attribute);
    const std::string* value = tag.attributes.find(attribute_key {std::string(entry->name), entry});
    if (!value)
        return {};
    std::string_view text(*value);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    return text;
}

}
