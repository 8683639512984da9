#pragma once

#include "core/markup/markup_parser.h"

#include <iosfwd>
#include <string>
#include <string_view>

namespace hevtools::markup {

// Writes every event back out as markup; rewriting receivers derive from it and change
// only what they must. Tags are re-written from the tag record (attribute names in lower
// case, in table order, the last of duplicates kept); text and comments are copied as they
// come. With a non-empty indent unit, line-breaking elements start on a new, indented line.
class copying_parser_callback : public parser_callback {
public:
    // Appends to a string: the fast sink.
    explicit copying_parser_callback(std::string& output, std::string indent_unit = {});
    explicit copying_parser_callback(std::ostream& output, std::string indent_unit = {});

    bool on_comment(std::string& text, std::size_t position) override;
    bool on_empty_tag(markup_tag& tag, std::size_t position) override;
    bool on_start_tag(markup_tag& tag, std::size_t position) override;
    bool on_end_tag(markup_tag& tag, std::size_t position) override;
    bool on_text(std::string& text, bool raw, std::size_t position) override;
    bool on_error(int code, std::size_t position, int& state) override;
    virtual bool is_line_breaking_element(const markup_tag& tag) const;
    // Opening: a line break and the indentation unless it is empty, then one unit more
    // (wrapping to none at 40 characters). Closing: one unit less. True when it wrote a break.
    virtual bool break_and_indent(bool opening);

protected:
    void write(std::string_view text);
    void write(char c);
    void write_tag(const markup_tag& tag, std::string_view open);

private:
    std::string* text_ = nullptr;
    std::ostream* stream_ = nullptr;
    std::string indent_unit_;
    std::string indentation_;
};

}

namespace core {

// Puts line breaks around block-level tags and, unless keep_nbsp, turns "&nbsp;" into spaces.
class line_breaker : public hevtools::markup::copying_parser_callback {
public:
    line_breaker(std::string& output, bool keep_nbsp, bool paragraph_mark, std::string paragraph_prefix,
        std::string line_break);
    line_breaker(std::ostream& output, bool keep_nbsp, bool paragraph_mark, std::string paragraph_prefix,
        std::string line_break);

    bool on_empty_tag(markup_tag& tag, std::size_t position) override;
    bool on_start_tag(markup_tag& tag, std::size_t position) override;
    bool on_text(std::string& text, bool raw, std::size_t position) override;

private:
    bool keep_nbsp_;
    bool paragraph_mark_;
    std::string paragraph_prefix_;
    std::string line_break_;
    std::string scratch_;
};

// HTML with line breaks put in by a line_breaker. collapse_spaces: runs of white space in text
// become one space and "&nbsp;" stays; otherwise white space stays and "&nbsp;" becomes " ".
std::string break_html_lines(std::string_view html, bool collapse_spaces, bool paragraph_mark,
    std::string_view paragraph_prefix, std::string_view line_break);

// The tag's name, attributes and closing "/" as markup, without "<" and ">"; a declaration or
// processing instruction as written.
std::string& write_markup_tag(const markup_tag& tag, std::string& out);
std::ostream& write_markup_tag(const markup_tag& tag, std::ostream& out);
// "<", or "</" for an end tag, the tag, ">".
std::string markup_tag_to_text(const markup_tag& tag);
// Whether the attribute is present and (unless `wanted` is empty) its stored value, quotes
// included, equals `wanted`.
bool markup_tag_attribute_matches(const markup_tag& tag, const attribute_entry* attribute, std::string_view wanted,
    bool case_sensitive);
// An attribute's value as written, without one pair of matching quotes around it; empty
// when the tag does not have it.
std::string_view unquoted_attribute_value(const markup_tag& tag, hevtools::markup::html::at attribute);

}
