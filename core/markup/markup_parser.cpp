#include "core/markup/markup_parser.h"

#include "core/markup/ascii.h"

#include <array>
#include <cstring>
#include <istream>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace hevtools::markup {

bool null_parser_callback::on_comment(std::string& text, std::size_t position)
{
    return next_ ? next_->on_comment(text, position) : true;
}

bool null_parser_callback::on_empty_tag(markup_tag& tag, std::size_t position)
{
    return next_ ? next_->on_empty_tag(tag, position) : true;
}

bool null_parser_callback::on_start_tag(markup_tag& tag, std::size_t position)
{
    return next_ ? next_->on_start_tag(tag, position) : true;
}

bool null_parser_callback::on_end_tag(markup_tag& tag, std::size_t position)
{
    return next_ ? next_->on_end_tag(tag, position) : true;
}

bool null_parser_callback::on_text(std::string& text, bool raw, std::size_t position)
{
    return next_ ? next_->on_text(text, raw, position) : true;
}

bool null_parser_callback::on_error(int code, std::size_t position, int& state)
{
    return next_ ? next_->on_error(code, position, state) : go_on_after_errors_;
}

}

namespace core {

namespace {

enum char_class : unsigned char { other_class, space_class, quote_class, lt_class, equals_class, gt_class };

constexpr std::array<unsigned char, 256> char_classes = [] {
    std::array<unsigned char, 256> classes {};
    classes['\t'] = classes['\n'] = classes['\r'] = classes[' '] = space_class;
    classes['"'] = classes['\''] = quote_class;
    classes['<'] = lt_class;
    classes['='] = equals_class;
    classes['>'] = gt_class;
    return classes;
}();

char_class class_of(char c) { return static_cast<char_class>(char_classes[static_cast<unsigned char>(c)]); }

bool is_whole_tag_delimiter(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '<'; }

bool ends_with(const std::string& text, std::string_view tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Whether `second` closes what `first` opened.
bool tags_match(const markup_tag& first, const markup_tag& second)
{
    return second.end && first.element == second.element && !first.name.empty() && !second.name.empty()
        && equal_ignoring_case(first.name, second.name);
}

// Length of the run at `p` made of characters of one class.
std::size_t run_of(const char* p, const char* end, char_class wanted)
{
    const char* q = p;
    while (q < end && class_of(*q) == wanted)
        ++q;
    return static_cast<std::size_t>(q - p);
}

// Length of the run at `p` up to the first `stop`. Text and values between tags are mostly
// short: sixteen bytes are compared at once inline, where a library search would cost a call and
// its setup for each run.
std::size_t run_until(const char* p, const char* end, char stop)
{
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(stop);
    const char* q = p;
    for (; end - q >= 16; q += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        if (const int hits = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted)))
            return static_cast<std::size_t>(q - p) + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
    }
    while (q < end && *q != stop)
        ++q;
    return static_cast<std::size_t>(q - p);
#else
    const void* hit = std::memchr(p, stop, static_cast<std::size_t>(end - p));
    return static_cast<std::size_t>((hit ? static_cast<const char*>(hit) : end) - p);
#endif
}

// An unquoted attribute value: everything up to white space, a quote, "<" or ">".
std::size_t run_of_unquoted_value(const char* p, const char* end)
{
    const char* q = p;
    while (q < end && (class_of(*q) == other_class || class_of(*q) == equals_class))
        ++q;
    return static_cast<std::size_t>(q - p);
}

bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Whether `c` goes on with a tag after "<" (after_slash false) or after "</": a tag opens only
// with a name, "/", "!" or "?" after "<", an end tag only with a name after "</", or with "!"
// for the editor's "</!>" marker. Names begin with a letter, or what the document type allows.
bool goes_on_with_tag(bool after_slash, char c, const hevtools::markup::DTD& dtd)
{
    return is_ascii_letter(c) || c == '!' || (!after_slash && (c == '/' || c == '?')) || dtd.tag_name_may_start_with(c);
}

// Text that is neither white space nor "<": what a collapsing text run takes in one go.
std::size_t run_of_collapsed_text(const char* p, const char* end)
{
    const char* q = p;
    while (q < end) {
        const char_class c = class_of(*q);
        if (c == space_class || c == lt_class)
            break;
        ++q;
    }
    return static_cast<std::size_t>(q - p);
}

}

markup_parser::markup_parser(bool keep_whitespace) : keep_whitespace_(keep_whitespace)
{
    tag_.name.clear();
    raw_start_tag_.name.clear();
}

bool markup_parser::step(int character, markup_parse_context& context)
{
    chunk_pos_ = nullptr;
    return step_char(character, context);
}

bool markup_parser::step_char(int character, markup_parse_context& context)
{
    if (character < 0)
        return on_end_of_input(context);
    const char c = static_cast<char>(static_cast<unsigned char>(character));
    if (!chunk_pos_ && state_ >= 4 && state_ <= 10)
        source_.push_back(c);
    if (state_ == 4 && deciding_tag()) {
        if (!goes_on_with_tag(!text_.empty(), c, *context.dtd))
            return on_stray_lt(c, context);
        // The tag is sure at the byte after "<", or at the letter after "</".
        if (!held_text_.empty() && (!text_.empty() || c != '/') && !emit_held_text(context))
            return false;
    }
    switch (class_of(c)) {
    case space_class:
        return on_whitespace(c, context);
    case quote_class:
        return on_quote(c, context);
    case lt_class:
        return on_lt(context);
    case equals_class:
        return on_equals(context);
    case gt_class:
        return on_gt(context);
    case other_class:
        break;
    }
    return on_other(c, context);
}

std::size_t markup_parser::feed(const char* begin, const char* end, markup_parse_context& context, bool& stopped)
{
    stopped = false;
    const char* p = begin;
    // Inside one call the position moves with p.
    const std::size_t base = context.position;
    const auto at = [&](const char* q) { return base + static_cast<std::size_t>(q - begin); };
    pending_begin_ = state_ >= 4 && state_ <= 10 ? begin : nullptr;
    const auto finish = [&] {
        if (pending_begin_ && state_ >= 4 && state_ <= 10)
            source_.append(pending_begin_, p);
        pending_begin_ = nullptr;
        chunk_pos_ = nullptr;
        context.position = at(p);
        return static_cast<std::size_t>(p - begin);
    };
    // The step for the byte at p, which it consumes unless a receiver stops the run. "<" and a
    // ">" known to be one go straight to their handlers.
    const auto step_here = [&](auto handle) {
        context.position = at(p);
        chunk_pos_ = p;
        if (!handle()) {
            stopped = true;
            return false;
        }
        ++p;
        return true;
    };
    const auto step_byte = [&] { return *p == '<' ? on_lt(context) : step_char(static_cast<unsigned char>(*p), context); };
    // A text run that ends at "<": the step for that "<", taken here; it raises no event.
    const auto hold_text_at_lt = [&] {
        context.position = at(p);
        chunk_pos_ = p;
        hold_text_for_tag(context.position);
        ++p;
    };
    const auto step_gt = [&] { return on_gt(context); };
    const auto step_complete = [&] { return complete_tag(context); };
    while (p < end) {
        switch (state_) {
        case 0:
            // Between tokens: "<" opens a tag; any byte that starts text starts a run of it.
            if (*p == '<') {
                text_.clear();
                state_ = 4;
                chunk_pos_ = p;
                begin_tag(at(p));
                ++p;
                continue;
            }
            if (keep_whitespace_ || class_of(*p) != space_class) {
                const std::size_t run = keep_whitespace_ ? run_until(p, end, '<') : run_of_collapsed_text(p, end);
                if (p + run != end && p[run] == '<') {
                    // Text that ends at "<" is held at once, without passing through T.
                    held_text_.assign(p, run);
                    p += run;
                    context.position = at(p);
                    chunk_pos_ = p;
                    begin_tag_after_text(context.position);
                    ++p;
                    continue;
                }
                text_.assign(p, run);
                state_ = 2;
                p += run;
                if (p != end && *p == '<') {
                    hold_text_at_lt();
                    continue;
                }
            }
            break;
        case 1: {
            // A ">" that does not follow "--" is comment text, which the step would only append:
            // the bytes up to the ">" that closes go into the text in one append.
            const char* q = p;
            while ((q += run_until(q, end, '>')) != end) {
                const bool after_dashes = q - p >= 2 ? q[-1] == '-' && q[-2] == '-'
                    : q - p == 1                     ? q[-1] == '-' && ends_with(text_, "-")
                                                     : ends_with(text_, "--");
                if (after_dashes)
                    break;
                ++q;
            }
            text_.append(p, q);
            p = q;
            break;
        }
        case 11: {
            const std::size_t run = run_until(p, end, '>');
            text_.append(p, run);
            p += run;
            break;
        }
        case 2: {
            const std::size_t run = keep_whitespace_ ? run_until(p, end, '<') : run_of_collapsed_text(p, end);
            text_.append(p, run);
            p += run;
            if (p != end && *p == '<') {
                hold_text_at_lt();
                continue;
            }
            break;
        }
        case 3:
            p += run_of(p, end, space_class);
            break;
        case 4: {
            if (deciding_tag()) {
                // The byte after "<", or the letter after "</", shows whether a tag opens; where
                // it does not, or lies beyond this chunk, the step takes the byte.
                const bool after_slash = !text_.empty() || *p == '/';
                const char* decider = text_.empty() && *p == '/' ? p + 1 : p;
                if (decider == end || !goes_on_with_tag(after_slash, *decider, *context.dtd))
                    break;
                if (!held_text_.empty() && !emit_held_text(context)) {
                    // Stopped at the decider, as the step stops: a "/" before it is taken.
                    if (decider != p) {
                        text_.push_back('/');
                        p = decider;
                    }
                    stopped = true;
                    return finish();
                }
            }
            // The usual tag is taken here in one go: its name, the white space after it, its
            // attributes and its ">", each still through the step for its state and class.
            const std::size_t name = run_of(p, end, other_class);
            const char* after = p + name;
            // "<br/>": the "/" before ">" closes the tag and is no part of its name.
            const bool slashed = after != end && *after == '>' && name > 1 && after[-1] == '/' && *p != '?';
            // A whole name in this chunk, followed by ">" or white space, makes the tag straight
            // from the input.
            const bool made = text_.empty() && name > 0 && after != end && *p != '!'
                && (*after == '>' || class_of(*after) == space_class)
                && make_current_tag_from(std::string_view(p, name - (slashed ? 1 : 0)), context);
            if (made) {
                if (slashed)
                    tag_.closing_slash = markup_tag::slash;
                p = after;
                if (*p == '>') {
                    if (!step_here(step_complete))
                        return finish();
                    continue;
                }
            } else {
                text_.append(p, name);
                p = after;
                if (p == end || text_.empty())
                    break;
                if (*p == '>') {
                    if (!step_here(step_gt))
                        return finish();
                    continue;
                }
                if (class_of(*p) != space_class)
                    break;
                make_current_tag(context);
            }
            begin_attributes(*p++, context);
            if (state_ == 5)
                p += take_tag_interior(p, end, context);
            if (p < end && *p == '>' && state_ >= 5 && state_ <= 10 && !step_here(step_gt))
                return finish();
            continue;
        }
        case 5:
        case 6:
        case 7:
        case 8:
        case 9:
        case 10:
            p += take_tag_interior(p, end, context);
            break;
        default:
            break;
        }
        if (p == end)
            break;
        if (!step_here(step_byte))
            return finish();
    }
    return finish();
}

std::size_t markup_parser::take_tag_interior(const char* begin, const char* end, markup_parse_context& context)
{
    // Each transition is the step's for that state and character class, taken a run at a time;
    // anything else (">", "<", a misplaced "=" or quote) is left to the step.
    const char* p = begin;
    const auto taken = [&] { return static_cast<std::size_t>(p - begin); };
    while (p < end) {
        const char_class c = class_of(*p);
        switch (state_) {
        case 5:
        case 10:
            if (c == space_class) {
                p += run_of(p, end, space_class);
            } else if (c == other_class) {
                if (const std::size_t whole = take_whole_attribute(p, end, context)) {
                    p += whole;
                    continue;
                }
                const std::size_t name = run_of(p, end, other_class);
                name_.assign(p, name);
                state_ = 6;
                p += name;
            } else {
                return taken();
            }
            break;
        case 6:
            if (c == other_class) {
                const std::size_t name = run_of(p, end, other_class);
                name_.append(p, name);
                p += name;
            } else if (c == equals_class) {
                value_.clear();
                state_ = 8;
                ++p;
            } else if (c == space_class) {
                state_ = 7;
                ++p;
            } else {
                return taken();
            }
            break;
        case 7:
            if (c == space_class) {
                ++p;
            } else if (c == equals_class) {
                value_.clear();
                state_ = 8;
                ++p;
            } else if (c == other_class) {
                add_attribute(context);
                const std::size_t name = run_of(p, end, other_class);
                name_.assign(p, name);
                state_ = 6;
                p += name;
            } else {
                return taken();
            }
            break;
        case 8:
            if (c == space_class) {
                ++p;
            } else if (c == other_class || c == equals_class) {
                const std::size_t value = run_of_unquoted_value(p, end);
                value_.assign(p, value);
                quote_ = -1;
                state_ = 9;
                p += value;
            } else if (c == quote_class) {
                quote_ = static_cast<unsigned char>(*p);
                value_.clear();
                state_ = 9;
                ++p;
                p += take_quoted_value(p, end, true, context);
            } else {
                return taken();
            }
            break;
        case 9:
            if (quote_ != -1) {
                p += take_quoted_value(p, end, false, context);
            } else if (c == other_class || c == equals_class) {
                const std::size_t value = run_of_unquoted_value(p, end);
                value_.append(p, value);
                p += value;
            } else if (c == space_class) {
                state_ = 10;
                add_attribute(context);
                quote_ = -1;
                ++p;
            } else {
                return taken();
            }
            break;
        default:
            return taken();
        }
    }
    return taken();
}

std::size_t markup_parser::take_whole_attribute(const char* begin, const char* end, markup_parse_context& context)
{
    // name=value, name='value' or name="value", with its end in this chunk: read straight from
    // the input into the attribute's slot, as the steps through states 6, 8 and 9 would.
    const char* p = begin + run_of(begin, end, other_class);
    if (end - p < 3 || *p != '=')
        return 0;
    const std::string_view name(begin, static_cast<std::size_t>(p - begin));
    const char* value = ++p;
    switch (class_of(*value)) {
    case other_class:
    case equals_class: {
        p += run_of_unquoted_value(p, end);
        if (p == end)
            return 0;
        const char_class after = class_of(*p);
        if (after != space_class && after != gt_class)
            return 0;
        attribute_slot(name, context).second.assign(value, p);
        // White space after the value is consumed with it; ">" is left to the step.
        if (after == space_class)
            ++p;
        break;
    }
    case quote_class: {
        const char* close = value + 1 + run_until(value + 1, end, *value);
        if (close == end)
            return 0;
        std::string& stored = attribute_slot(name, context).second;
        // An empty quoted value is stored empty, as add_attribute stores it.
        if (close == value + 1)
            stored.clear();
        else
            stored.assign(value, close + 1);
        p = close + 1;
        break;
    }
    default:
        return 0;
    }
    attribute_stored();
    return static_cast<std::size_t>(p - begin);
}

void markup_parser::attribute_stored()
{
    // As add_attribute leaves them: a name or value left from an interrupted attribute is gone.
    name_.clear();
    value_.clear();
    state_ = 10;
    quote_ = -1;
}

std::size_t markup_parser::take_quoted_value(const char* p, const char* end, bool opened_here, markup_parse_context& context)
{
    const std::size_t run = run_until(p, end, static_cast<char>(quote_));
    if (opened_here && p + run != end && run > 0 && !name_.empty()) {
        // The whole value, quotes included, is in this chunk: stored as written in one copy.
        attribute_slot(name_, context).second.assign(p - 1, run + 2);
        attribute_stored();
        return run + 1;
    }
    value_.append(p, run);
    if (p + run == end)
        return run;
    state_ = 10;
    add_attribute(context);
    quote_ = -1;
    return run + 1;
}

bool markup_parser::on_stray_lt(char c, markup_parse_context& context)
{
    if (c == '<')
        return on_lt(context);
    held_text_.push_back('<');
    held_text_.append(text_);
    text_.swap(held_text_);
    held_text_.clear();
    if (class_of(c) == space_class && !keep_whitespace_) {
        text_.push_back(' ');
        state_ = 3;
    } else {
        text_.push_back(c);
        state_ = 2;
    }
    return true;
}

bool markup_parser::emit_held_text(markup_parse_context& context)
{
    // It ended at the "<".
    const bool answer = context.callback->on_text(held_text_, false, tag_start_);
    held_text_.clear();
    return answer;
}

void markup_parser::take_closing_slash()
{
    name_.pop_back();
    bool spaced = false;
    if (name_.empty()) {
        // A "/" of its own: the byte before it tells "<a b=1 />" from "<a b='1'/>".
        const std::string source = tag_source();
        spaced = source.size() >= 3 && class_of(source[source.size() - 3]) == space_class;
    }
    tag_.closing_slash = spaced ? markup_tag::spaced_slash : markup_tag::slash;
}

bool markup_parser::error(int code, markup_parse_context& context)
{
    return context.callback->on_error(code, context.position, state_);
}

void markup_parser::hold_text_for_tag(std::size_t position)
{
    // The text waits until the next byte shows whether this "<" opens a tag.
    held_text_.swap(text_);
    begin_tag_after_text(position);
}

void markup_parser::begin_tag_after_text(std::size_t position)
{
    text_.clear();
    state_ = 4;
    begin_tag(position);
}

void markup_parser::begin_tag(std::size_t position)
{
    if (chunk_pos_) {
        source_.clear();
        pending_begin_ = chunk_pos_;
    } else {
        source_.assign(1, '<');
        pending_begin_ = nullptr;
    }
    tag_start_ = position;
}

std::string markup_parser::tag_source() const
{
    std::string source = source_;
    if (pending_begin_ && chunk_pos_)
        source.append(pending_begin_, chunk_pos_ + 1);
    return source;
}

void markup_parser::take_tag(markup_tag&& made)
{
    tag_.name.swap(made.name);
    tag_.element = made.element;
    tag_.end = made.end;
    tag_.kind = made.kind;
    tag_.closing_slash = markup_tag::no_slash;
    tag_.attributes.clear();
    tag_.source_text.clear();
}

void markup_parser::make_current_tag(markup_parse_context& context)
{
    context.dtd->make_tag_into(text_, true, &context.content_model, tag_);
    clear_current_tag_body();
}

bool markup_parser::make_current_tag_from(std::string_view name, markup_parse_context& context)
{
    if (!context.dtd->make_tag_from_name(name, &context.content_model, tag_))
        return false;
    clear_current_tag_body();
    return true;
}

void markup_parser::clear_current_tag_body()
{
    tag_.kind = markup_tag::start_tag;
    tag_.closing_slash = markup_tag::no_slash;
    tag_.attributes.clear();
    tag_.source_text.clear();
}

void markup_parser::begin_attributes(char c, markup_parse_context& context)
{
    if (context.content_model == hevtools::markup::comment_content) {
        text_.push_back(c);
        state_ = 1;
    } else {
        state_ = 5;
    }
}

bool markup_parser::on_whitespace(char c, markup_parse_context& context)
{
    switch (state_) {
    case 0:
        if (keep_whitespace_) {
            text_.assign(1, c);
            state_ = 2;
        } else {
            text_.assign(1, ' ');
            state_ = 3;
        }
        break;
    case 1:
    case 11:
        text_.push_back(c);
        break;
    case 2:
        if (keep_whitespace_) {
            text_.push_back(c);
        } else {
            text_.push_back(' ');
            state_ = 3;
        }
        break;
    case 4:
        make_current_tag(context);
        begin_attributes(c, context);
        break;
    case 6:
        state_ = 7;
        break;
    case 9:
        if (quote_ != -1) {
            value_.push_back(c);
        } else {
            state_ = 10;
            add_attribute(context);
            quote_ = -1;
        }
        break;
    default:
        break;
    }
    return true;
}

bool markup_parser::on_lt(markup_parse_context& context)
{
    switch (state_) {
    case 0:
        text_.clear();
        state_ = 4;
        begin_tag(context.position);
        return true;
    case 1:
    case 11:
        text_.push_back('<');
        return true;
    case 2:
    case 3:
        hold_text_for_tag(context.position);
        return true;
    case 4:
        if (deciding_tag()) {
            // "<<" or "</<": what came so far is text; the new "<" may open a tag.
            held_text_.push_back('<');
            held_text_.append(text_);
            text_.clear();
            begin_tag(context.position);
            return true;
        }
        make_current_tag(context);
        if (context.content_model == hevtools::markup::comment_content) {
            text_.push_back('<');
            state_ = 1;
            return true;
        }
        // "<b<i>": the tag named so far goes on, and what follows is read as its attributes.
        state_ = 5;
        return error(hevtools::markup::error_lt_in_tag, context);
    case 9:
        if (quote_ != -1) {
            value_.push_back('<');
            return true;
        }
        // The value read so far stays the attribute's.
        add_attribute(context);
        quote_ = -1;
        state_ = 10;
        return error(hevtools::markup::error_lt_in_tag, context);
    default: // 5, 6, 7, 8, 10
        // A pending name (states 6 to 8) is kept, with no value.
        add_attribute(context);
        state_ = 5;
        return error(hevtools::markup::error_lt_in_tag, context);
    }
}

bool markup_parser::on_gt(markup_parse_context& context)
{
    switch (state_) {
    case 0:
        text_.assign(1, '>');
        state_ = 2;
        return true;
    case 1:
        // Only a text ending in "--" closes a comment: test the tail, never copy the text.
        if (ends_with(text_, "--")) {
            text_.resize(text_.size() - 2);
            context.content_model = hevtools::markup::comment_content;
            const bool answer = context.callback->on_comment(text_, context.position);
            text_.clear();
            state_ = 0;
            return answer;
        }
        text_.push_back('>');
        return true;
    case 2:
        text_.push_back('>');
        return true;
    case 3:
        text_.push_back('>');
        state_ = 2;
        return true;
    case 4: {
        // "<br/>": the "/" before ">" closes the tag and is no part of its name.
        const bool slashed = text_.size() > 1 && text_.back() == '/' && text_[0] != '!' && text_[0] != '?';
        if (slashed)
            text_.pop_back();
        make_current_tag(context);
        if (slashed)
            tag_.closing_slash = markup_tag::slash;
        if (text_.empty())
            return complete_tag(context);
        // A comment opened with no white space after "!--".
        const markup_tag second = context.dtd->make_tag(text_, false, &context.content_model);
        if (!tags_match(tag_, second) && !error(hevtools::markup::error_unclosed_comment_tag, context))
            return false;
        if (context.content_model == hevtools::markup::comment_content) {
            const bool answer = context.callback->on_comment(text_, context.position);
            text_.clear();
            state_ = 0;
            return answer;
        }
        text_.clear();
        const bool answer = complete_tag(context);
        state_ = 0;
        return answer;
    }
    case 5:
        return complete_tag(context);
    case 6:
        if (!name_.empty() && name_.back() == '/')
            take_closing_slash();
        add_attribute(context);
        return complete_tag(context);
    case 7:
    case 10:
        add_attribute(context);
        return complete_tag(context);
    case 8:
        if (!error(hevtools::markup::error_gt_after_equals, context))
            return false;
        add_attribute(context);
        return complete_tag(context);
    case 9:
        if (quote_ != -1) {
            value_.push_back('>');
            return true;
        }
        add_attribute(context);
        return complete_tag(context);
    case 11:
        return close_raw_text(context);
    default:
        return true;
    }
}

bool markup_parser::on_equals(markup_parse_context& context)
{
    switch (state_) {
    case 0:
        text_.assign(1, '=');
        state_ = 2;
        return true;
    case 1:
    case 2:
    case 11:
        text_.push_back('=');
        return true;
    case 3:
        text_.push_back('=');
        state_ = 2;
        return true;
    case 4:
        make_current_tag(context);
        if (context.content_model == hevtools::markup::comment_content) {
            state_ = 1;
            return true;
        }
        // "<a=b>": the tag named so far goes on; the "=" stands where no attribute name does.
        state_ = 5;
        return error(hevtools::markup::error_misplaced_equals, context);
    case 6:
    case 7:
        value_.clear();
        state_ = 8;
        return true;
    case 8:
        // "x==y": the value is "=y", as browsers read it.
        value_.assign(1, '=');
        quote_ = -1;
        state_ = 9;
        return true;
    case 9:
        // Quoted or not, "=" is part of the value ("href=page?id=5").
        value_.push_back('=');
        return true;
    default: // 5, 10
        return error(hevtools::markup::error_misplaced_equals, context);
    }
}

bool markup_parser::on_quote(char c, markup_parse_context& context)
{
    switch (state_) {
    case 0:
        text_.assign(1, c);
        state_ = 2;
        return true;
    case 1:
    case 2:
    case 11:
        text_.push_back(c);
        return true;
    case 3:
        text_.push_back(c);
        state_ = 2;
        return true;
    case 8:
        quote_ = static_cast<unsigned char>(c);
        value_.clear();
        state_ = 9;
        return true;
    case 9:
        if (quote_ == static_cast<unsigned char>(c)) {
            state_ = 10;
            add_attribute(context);
            quote_ = -1;
        } else {
            value_.push_back(c);
        }
        return true;
    default: // 4, 5, 6, 7, 10
        return error(hevtools::markup::error_misplaced_quote, context);
    }
}

bool markup_parser::on_other(char c, markup_parse_context& context)
{
    switch (state_) {
    case 0:
        text_.assign(1, c);
        state_ = 2;
        break;
    case 1:
    case 2:
    case 4:
    case 11:
        text_.push_back(c);
        break;
    case 3:
        text_.push_back(c);
        state_ = 2;
        break;
    case 5:
    case 10:
        name_.assign(1, c);
        state_ = 6;
        break;
    case 6:
        name_.push_back(c);
        break;
    case 7:
        add_attribute(context);
        name_.assign(1, c);
        state_ = 6;
        break;
    case 8:
        value_.assign(1, c);
        quote_ = -1;
        state_ = 9;
        break;
    case 9:
        value_.push_back(c);
        break;
    default:
        break;
    }
    return true;
}

bool markup_parser::on_end_of_input(markup_parse_context& context)
{
    switch (state_) {
    case 1:
        if (!text_.empty())
            context.callback->on_comment(text_, context.position);
        break;
    case 2:
    case 3:
    case 11:
        if (!text_.empty())
            context.callback->on_text(text_, state_ == 11, context.position);
        break;
    case 4:
        held_text_.push_back('<');
        held_text_.append(text_);
        context.callback->on_text(held_text_, false, context.position);
        break;
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
        // The receiver that goes on gets the unfinished tag back as text, so nothing is lost.
        if (error(hevtools::markup::error_end_inside_tag, context))
            context.callback->on_text(source_, false, context.position);
        break;
    default:
        break;
    }
    return false;
}

attribute_map::value_type& markup_parser::attribute_slot(std::string_view name, markup_parse_context& context)
{
    // The key is looked up straight into a new slot, whose buffers are kept from earlier tags.
    attribute_map& attributes = tag_.attributes;
    auto& slot = attributes.append_unordered();
    context.dtd->find_attribute_into(name, slot.first);
    // A repeat of the attribute just read replaces it at once (the last one wins anyway).
    if (auto* previous = attributes.before_last_unordered(); previous && previous->first == slot.first) {
        attributes.drop_last_unordered();
        return *previous;
    }
    return slot;
}

void markup_parser::add_attribute(markup_parse_context& context)
{
    if (name_.empty())
        return;
    auto& slot = attribute_slot(name_, context);
    if (!value_.empty() && quote_ != -1) {
        slot.second.assign(1, static_cast<char>(quote_));
        slot.second.append(value_);
        slot.second.push_back(static_cast<char>(quote_));
    } else {
        slot.second.swap(value_);
    }
    name_.clear();
    value_.clear();
}

bool markup_parser::complete_tag(markup_parse_context& context)
{
    tag_.attributes.finish();
    tag_.start = tag_start_;
    const bool declaration = !tag_.end && !tag_.name.empty() && (tag_.name[0] == '!' || tag_.name[0] == '?');
    if (declaration) {
        const std::string source = tag_source();
        const std::size_t length = source.size() >= 2 ? source.size() - 2 : 0;
        tag_.source_text.assign(source, source.empty() ? 0 : 1, length);
    } else {
        tag_.source_text.clear();
    }
    // "<script/>" holds nothing: what follows is markup again.
    const int model = context.content_model == hevtools::markup::raw_text_content && tag_.closing_slash != markup_tag::no_slash
        ? hevtools::markup::ordinary_content
        : context.content_model;
    parser_callback& callback = *context.callback;
    bool answer;
    bool started = false;
    if (context.dtd->is_empty_element(tag_)) {
        tag_.kind = markup_tag::empty_tag;
        answer = callback.on_empty_tag(tag_, context.position);
    } else if (tag_.end) {
        tag_.kind = markup_tag::end_tag;
        answer = callback.on_end_tag(tag_, context.position);
    } else {
        tag_.kind = markup_tag::start_tag;
        answer = callback.on_start_tag(tag_, context.position);
        started = true;
        if (model == hevtools::markup::raw_text_content)
            raw_start_tag_ = tag_;
    }
    text_.clear();
    name_.clear();
    value_.clear();
    tag_.attributes.clear();
    if (started && model == hevtools::markup::comment_content)
        state_ = 1;
    else if (started && model == hevtools::markup::raw_text_content)
        state_ = 11;
    else
        state_ = 0;
    return answer;
}

bool markup_parser::close_raw_text(markup_parse_context& context)
{
    // Only the tail of the text can close it: "--", or "/" and the start tag's name after
    // white space, "<" or the start of the text. Test that tail instead of copying the text.
    const std::string& name = raw_start_tag_.name;
    const std::size_t size = text_.size();
    std::size_t tail = 0;
    std::size_t name_at = 0;
    if (ends_with(text_, "--")) {
        tail = 2;
        name_at = size - 2;
    } else {
        const std::size_t m = name.size() + 1;
        if (size >= m && text_[size - m] == '/'
            && equal_ignoring_case(std::string_view(text_).substr(size - m + 1), name)
            && (size == m || is_whole_tag_delimiter(text_[size - m - 1]))) {
            tail = size == m ? m : m + 1;
            name_at = size - m;
        }
    }
    if (tail == 0) {
        text_.push_back('>');
        return true;
    }
    std::string rest = text_.substr(size - tail);
    markup_tag second = context.dtd->make_tag(rest, false, &context.content_model);
    if (!tags_match(raw_start_tag_, second)) {
        text_.push_back('>');
        return true;
    }
    const std::size_t text_start = context.position - size;
    const bool after_lt = tail > 0 && size - tail < name_at && text_[size - tail] == '<';
    text_.resize(size - tail);
    text_.append(rest);
    (void)context.callback->on_text(text_, true, context.position);
    text_.clear();
    take_tag(std::move(second));
    tag_start_ = text_start + name_at - (after_lt ? 1 : 0);
    source_.clear();
    pending_begin_ = nullptr;
    const bool answer = complete_tag(context);
    state_ = 0;
    return answer;
}

std::size_t markup_parser::run_markup_parser_on_cstring(const char* text, const hevtools::markup::DTD& dtd, parser_callback& callback)
{
    if (!text)
        return 0;
    return run_markup_parser(callback, text, text + std::strlen(text), dtd, *this);
}

std::size_t markup_parser::run_markup_parser_on_stream(std::istream& stream, const hevtools::markup::DTD& dtd, parser_callback& callback)
{
    markup_parse_context context {&callback, &dtd, 0, 0};
    const auto offset = stream.tellg();
    if (offset != std::istream::pos_type(-1))
        context.position = static_cast<std::size_t>(offset);
    std::array<char, 65536> buffer;
    while (stream) {
        stream.read(buffer.data(), buffer.size());
        const auto got = static_cast<std::size_t>(stream.gcount());
        if (got == 0)
            break;
        bool stopped = false;
        feed(buffer.data(), buffer.data() + got, context, stopped);
        if (stopped)
            return context.position;
    }
    step(-1, context);
    return context.position;
}

std::size_t run_markup_parser(parser_callback& callback, const char* begin, const char* end,
    const hevtools::markup::DTD& dtd, markup_parser& parser)
{
    markup_parse_context context {&callback, &dtd, 0, 0};
    bool stopped = false;
    const std::size_t consumed = parser.feed(begin, end, context, stopped);
    if (!stopped)
        parser.step(-1, context);
    return consumed;
}

std::size_t parse_html_stream(std::istream& stream, parser_callback& callback, bool keep_whitespace)
{
    markup_parser parser(keep_whitespace);
    return parser.run_markup_parser_on_stream(stream, hevtools::markup::html::html_dtd(), callback);
}

}
