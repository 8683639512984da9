#pragma once

#include "core/markup/copying_callback.h"

#include <string>
#include <vector>

namespace markup_testing {

// Turns the tokenizer's events into one line, so a test compares a whole run at once:
// S<tag> start, E<tag> empty, X<tag> end, T"text", R"raw text", C"comment", !code error.
class recording_receiver : public hevtools::markup::parser_callback {
public:
    std::string transcript;
    std::vector<core::markup_tag> tags;
    std::vector<std::size_t> positions;
    bool answer_errors = true;
    int set_state_on_errors = -1;  // the state an error moves the tokenizer to; -1 leaves it

    bool on_comment(std::string& text, std::size_t position) override { return add("C\"" + text + "\"", position); }
    bool on_empty_tag(core::markup_tag& tag, std::size_t position) override { return add_tag("E", tag, position); }
    bool on_start_tag(core::markup_tag& tag, std::size_t position) override { return add_tag("S", tag, position); }
    bool on_end_tag(core::markup_tag& tag, std::size_t position) override { return add_tag("X", tag, position); }
    bool on_text(std::string& text, bool raw, std::size_t position) override
    {
        return add((raw ? "R\"" : "T\"") + text + "\"", position);
    }
    bool on_error(int code, std::size_t position, int& state) override
    {
        add("!" + std::to_string(code), position);
        if (set_state_on_errors >= 0)
            state = set_state_on_errors;
        return answer_errors;
    }

private:
    bool add_tag(const char* kind, const core::markup_tag& tag, std::size_t position)
    {
        tags.push_back(tag);
        return add(kind + core::markup_tag_to_text(tag), position);
    }
    bool add(const std::string& event, std::size_t position)
    {
        if (!transcript.empty())
            transcript += " | ";
        transcript += event;
        positions.push_back(position);
        return true;
    }
};

inline std::string transcript_of(std::string_view input, bool keep_whitespace)
{
    recording_receiver receiver;
    core::markup_parser parser(keep_whitespace);
    core::run_markup_parser(receiver, input.data(), input.data() + input.size(), hevtools::markup::html::html_dtd(), parser);
    return receiver.transcript;
}

// The input as the copying receiver writes it back.
inline std::string copy_of(std::string_view input, std::string indent_unit = {}, bool keep_whitespace = true)
{
    std::string out;
    hevtools::markup::copying_parser_callback copy(out, std::move(indent_unit));
    core::markup_parser parser(keep_whitespace);
    core::run_markup_parser(copy, input.data(), input.data() + input.size(), hevtools::markup::html::html_dtd(), parser);
    return out;
}

// The same run fed one byte at a time, which must give the same events as the fast feeder.
inline std::string stepped_transcript_of(std::string_view input, bool keep_whitespace)
{
    recording_receiver receiver;
    core::markup_parser parser(keep_whitespace);
    core::markup_parse_context context {&receiver, &hevtools::markup::html::html_dtd(), 0, 0};
    for (char c : input) {
        if (!parser.step(static_cast<unsigned char>(c), context))
            return receiver.transcript;
        ++context.position;
    }
    parser.step(-1, context);
    return receiver.transcript;
}

}
