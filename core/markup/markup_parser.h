#pragma once

#include "core/markup/dtd.h"

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

namespace hevtools::markup {

// Receives the tokenizer's events. Every event answers true to go on, false to stop the run.
class parser_callback {
public:
    virtual ~parser_callback() = default;
    virtual bool on_comment(std::string& text, std::size_t position) = 0;
    virtual bool on_empty_tag(markup_tag& tag, std::size_t position) = 0;
    virtual bool on_start_tag(markup_tag& tag, std::size_t position) = 0;
    virtual bool on_end_tag(markup_tag& tag, std::size_t position) = 0;
    // raw: the content of a raw-text element. The text is the tokenizer's buffer, which it
    // discards after the call, so a receiver may change it.
    virtual bool on_text(std::string& text, bool raw, std::size_t position) = 0;
    // `state` may be changed to steer the tokenizer.
    virtual bool on_error(int code, std::size_t position, int& state) = 0;
};

// Passes every event to the next receiver; with none it answers true, and errors with
// `go_on_after_errors`.
class null_parser_callback : public parser_callback {
public:
    explicit null_parser_callback(parser_callback* next = nullptr, bool go_on_after_errors = true)
        : next_(next), go_on_after_errors_(go_on_after_errors) { }

    bool on_comment(std::string& text, std::size_t position) override;
    bool on_empty_tag(markup_tag& tag, std::size_t position) override;
    bool on_start_tag(markup_tag& tag, std::size_t position) override;
    bool on_end_tag(markup_tag& tag, std::size_t position) override;
    bool on_text(std::string& text, bool raw, std::size_t position) override;
    bool on_error(int code, std::size_t position, int& state) override;

private:
    parser_callback* next_;
    bool go_on_after_errors_;
};

// Error codes reported to on_error.
enum markup_error {
    error_lt_in_tag = 0,
    error_unclosed_comment_tag = 1,
    error_gt_after_equals = 2,
    error_misplaced_quote = 3,
    error_misplaced_equals = 4,
    error_end_inside_tag = 6,
};

}

namespace core {

using hevtools::markup::parser_callback;

// What one run hands every step: the receiver, the document type, the count of characters
// consumed before the current one, and the content model the document type reported last.
struct markup_parse_context {
    parser_callback* callback = nullptr;
    const hevtools::markup::DTD* dtd = nullptr;
    std::size_t position = 0;
    int content_model = 0;
};

// The push tokenizer: one object per run, fed one character (or one run of characters that
// cannot change its state) at a time.
class markup_parser {
public:
    explicit markup_parser(bool keep_whitespace);

    // One character: 0..255, or -1 for the end of input. False stops the run.
    bool step(int character, markup_parse_context& context);
    // Steps every byte of [begin, end) but hands runs that cannot change the state over in
    // one go; the events are those of stepping byte by byte. Returns how many bytes were
    // consumed; stops at the first false answer (that byte is not counted).
    std::size_t feed(const char* begin, const char* end, markup_parse_context& context, bool& stopped);

    // A zero-terminated buffer: no events and 0 for a null pointer.
    std::size_t run_markup_parser_on_cstring(const char* text, const hevtools::markup::DTD& dtd, parser_callback& callback);
    // Reads the stream to its end, or until a receiver stops the run; returns the position reached,
    // counted from the stream's read offset at the start.
    std::size_t run_markup_parser_on_stream(std::istream& stream, const hevtools::markup::DTD& dtd, parser_callback& callback);

    int state() const { return state_; }
    bool keep_whitespace() const { return keep_whitespace_; }

private:
    bool on_whitespace(char c, markup_parse_context& context);
    bool on_lt(markup_parse_context& context);
    bool on_gt(markup_parse_context& context);
    bool on_equals(markup_parse_context& context);
    bool on_quote(char c, markup_parse_context& context);
    bool on_other(char c, markup_parse_context& context);
    bool on_end_of_input(markup_parse_context& context);
    // State 4 while the byte after "<", or the letter after "</", has not yet shown that a tag
    // opens.
    bool deciding_tag() const { return text_.empty() || (text_.size() == 1 && text_[0] == '/'); }
    // A "<" (or "</") followed by `c`, which opens no tag: both are text, joined to the text
    // before them.
    bool on_stray_lt(char c, markup_parse_context& context);
    // Hands on the text that stood before the "<" of a tag now sure to open.
    bool emit_held_text(markup_parse_context& context);
    // At ">" in state 6 with a name ending in "/": the "/" closes the tag instead.
    void take_closing_slash();

    bool error(int code, markup_parse_context& context);
    void add_attribute(markup_parse_context& context);
    // The slot for the attribute `name`, found or appended; its value is left to the caller.
    attribute_map::value_type& attribute_slot(std::string_view name, markup_parse_context& context);
    bool complete_tag(markup_parse_context& context);
    void take_tag(markup_tag&& made);
    void make_current_tag(markup_parse_context& context);
    // make_current_tag for a text that would be just `name`, read from the input; false, with
    // nothing done, where the document type does not offer it.
    bool make_current_tag_from(std::string_view name, markup_parse_context& context);
    // A new tag's kind, attributes and declaration text, once its name is set.
    void clear_current_tag_body();
    // State 4, at white space after the name of the tag just made: its attributes come next, or
    // a comment goes on.
    void begin_attributes(char c, markup_parse_context& context);
    // In states 5 to 10: takes what the step would take without an event or an error, and
    // stops before the first byte it leaves to the step. Returns the bytes taken.
    std::size_t take_tag_interior(const char* p, const char* end, markup_parse_context& context);
    // In state 5 or 10 at a name: takes a whole attribute with a value when its end is in
    // [p, end), and returns the bytes taken; 0 leaves everything to the caller.
    std::size_t take_whole_attribute(const char* p, const char* end, markup_parse_context& context);
    // After an attribute was stored straight into its slot: state 10, nothing of it left in N or V.
    void attribute_stored();
    // In state 9 with a quote: takes the value up to the matching quote and, when it is there,
    // closes the attribute as the step would. Returns the bytes taken. opened_here: the
    // opening quote is the byte before p, and V is empty.
    std::size_t take_quoted_value(const char* p, const char* end, bool opened_here, markup_parse_context& context);
    // At "<" after text (states 2 and 3): the text is held and a tag may open.
    void hold_text_for_tag(std::size_t position);
    // At "<" once the text before it is held: T empties and a tag may open.
    void begin_tag_after_text(std::size_t position);
    void begin_tag(std::size_t position);
    bool close_raw_text(markup_parse_context& context);

    bool keep_whitespace_;
    int state_ = 0;
    markup_tag tag_;
    std::string text_;        // T
    std::string name_;        // N
    std::string value_;       // V
    // Text that stood before a "<" while the next byte decides whether a tag opens; handed on
    // when one does, continued when none does.
    std::string held_text_;
    int quote_ = -1;
    markup_tag raw_start_tag_;
    // The tag being read, from its "<": source_, then (inside feed) the bytes from
    // pending_begin_ up to the current one, which are copied into source_ only when the chunk
    // ends inside the tag.
    std::string source_;
    const char* pending_begin_ = nullptr;
    const char* chunk_pos_ = nullptr;
    std::size_t tag_start_ = 0;
    std::string tag_source() const;
    bool step_char(int character, markup_parse_context& context);
};

inline markup_parser construct_markup_parser(bool keep_whitespace) { return markup_parser(keep_whitespace); }
inline bool markup_parser_step(markup_parser& parser, int character, markup_parse_context& context)
{
    return parser.step(character, context);
}

// Steps every byte of [begin, end), then the end of input unless a receiver stopped the run.
// Returns the number of bytes consumed.
std::size_t run_markup_parser(parser_callback& callback, const char* begin, const char* end,
    const hevtools::markup::DTD& dtd, markup_parser& parser);

// The tokenizer over a stream with the HTML document type.
std::size_t parse_html_stream(std::istream& stream, parser_callback& callback, bool keep_whitespace);

}
