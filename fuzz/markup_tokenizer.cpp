// The markup tokenizer on any bytes. The first byte picks the mode:
// bit 0 keeps white space; bit 1 builds a canonical document from the rest instead of using
// the bytes as they are.
// Raw bytes: the run reaches the end, every tag's start offset points at its "<" (except an
// end tag that closes raw text after white space, whose "<" is not written), and a copy of the
// copy equals the copy, unless a comment's text does not begin with white space and holds "=",
// ">" or a quote before its first white space: written back as "<!--" text "-->", such a text is
// read the way "<!--a=b-->" is, which keeps the tokenizer's own rules for it. Every tag has a
// name. Canonical documents: the copy equals the input byte for byte.
// Raw bytes are also fed in chunks (of 1 + the first byte's top five bits, bytes each) and stepped
// one byte at a time, with a receiver that records every event and, when bit 2 is set, sets the
// state on errors and sometimes stops the run: both give the same events.
#include "core/markup/copying_callback.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

class checking_copy : public hevtools::markup::copying_parser_callback {
public:
    checking_copy(std::string& out, std::string_view input) : copying_parser_callback(out), input_(input) { }

    bool unstable_form = false;

    bool on_comment(std::string& text, std::size_t position) override
    {
        for (char c : text) {
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
                break;
            if (c == '=' || c == '>' || c == '"' || c == '\'')
                unstable_form = true;
        }
        return copying_parser_callback::on_comment(text, position);
    }
    bool on_empty_tag(core::markup_tag& tag, std::size_t position) override
    {
        check(tag, position);
        return copying_parser_callback::on_empty_tag(tag, position);
    }
    bool on_start_tag(core::markup_tag& tag, std::size_t position) override
    {
        check(tag, position);
        return copying_parser_callback::on_start_tag(tag, position);
    }
    bool on_end_tag(core::markup_tag& tag, std::size_t position) override
    {
        check(tag, position);
        return copying_parser_callback::on_end_tag(tag, position);
    }

private:
    void check(const core::markup_tag& tag, std::size_t position)
    {
        if (tag.name.empty())
            std::abort();
        if (position >= input_.size() || input_[position] != '>' || tag.start > position)
            std::abort();
        const bool closes_raw_text_after_space = tag.end && input_[tag.start] != '<' && tag.start > 0;
        if (input_[tag.start] != '<' && !closes_raw_text_after_space)
            std::abort();
    }

    std::string_view input_;
};

std::string copy_checked(std::string_view input, bool keep_whitespace, bool* stable = nullptr)
{
    std::string out;
    checking_copy copy(out, input);
    core::markup_parser parser(keep_whitespace);
    const std::size_t consumed = core::run_markup_parser(copy, input.data(), input.data() + input.size(),
        hevtools::markup::html::html_dtd(), parser);
    if (consumed != input.size())
        std::abort();
    if (stable)
        *stable = !copy.unstable_form;
    return out;
}

// Every event and its arguments as text; with `steer`, an error may set the state or stop the run.
class transcript : public hevtools::markup::parser_callback {
public:
    explicit transcript(bool steer) : steer_(steer) { }

    std::string events;

    bool on_comment(std::string& text, std::size_t position) override { return note("C", text, position); }
    bool on_empty_tag(core::markup_tag& tag, std::size_t position) override { return note("E", tag, position); }
    bool on_start_tag(core::markup_tag& tag, std::size_t position) override { return note("S", tag, position); }
    bool on_end_tag(core::markup_tag& tag, std::size_t position) override { return note("/", tag, position); }
    bool on_text(std::string& text, bool raw, std::size_t position) override { return note(raw ? "R" : "T", text, position); }
    bool on_error(int code, std::size_t position, int& state) override
    {
        events += "!" + std::to_string(code) + " " + std::to_string(state);
        note("", std::string_view(), position);
        if (!steer_)
            return true;
        const std::size_t h = position * 2654435761u + static_cast<std::size_t>(code) * 97;
        if (h % 3 == 0)
            state = static_cast<int>((h >> 8) % 12);
        return h % 17 != 0;
    }

private:
    bool note(const char* kind, std::string_view text, std::size_t position)
    {
        events += kind;
        events += '[';
        events += text;
        events += "]@" + std::to_string(position) + "\n";
        return true;
    }
    bool note(const char* kind, const core::markup_tag& tag, std::size_t position)
    {
        std::string text = tag.name + "|" + (tag.element ? std::string(tag.element->name) : "-") + "|"
            + std::to_string(tag.kind) + (tag.end ? "/" : "") + "|" + std::to_string(tag.start) + "|" + tag.source_text;
        for (const auto& [key, value] : tag.attributes)
            text += " " + key.name + ":" + (key.entry ? std::to_string(key.entry->index) : "-") + "=" + value;
        return note(kind, text, position);
    }

    bool steer_;
};

std::string fed_in_chunks(std::string_view input, bool keep_whitespace, bool steer, std::size_t chunk)
{
    transcript events(steer);
    core::markup_parser parser(keep_whitespace);
    core::markup_parse_context context {&events, &hevtools::markup::html::html_dtd(), 0, 0};
    std::size_t at = 0;
    bool stopped = false;
    while (at < input.size() && !stopped) {
        const std::size_t n = std::min(chunk, input.size() - at);
        at += parser.feed(input.data() + at, input.data() + at + n, context, stopped);
    }
    if (!stopped)
        parser.step(-1, context);
    return events.events + "end " + std::to_string(at) + " " + std::to_string(parser.state());
}

std::string stepped(std::string_view input, bool keep_whitespace, bool steer)
{
    transcript events(steer);
    core::markup_parser parser(keep_whitespace);
    core::markup_parse_context context {&events, &hevtools::markup::html::html_dtd(), 0, 0};
    std::size_t at = 0;
    bool stopped = false;
    for (; at < input.size(); ++at, ++context.position) {
        if (!parser.step(static_cast<unsigned char>(input[at]), context)) {
            stopped = true;
            break;
        }
    }
    if (!stopped)
        parser.step(-1, context);
    return events.events + "end " + std::to_string(at) + " " + std::to_string(parser.state());
}

// Builds a document whose copy must be itself, choosing each token with the next byte.
class canonical_builder {
public:
    canonical_builder(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) { }

    std::string build()
    {
        std::string out;
        while (at_ < size_) {
            switch (next() % 8) {
            case 0:
                text(out, " \t\r\nabcXYZ019.,;&>='\"");
                break;
            case 1:
                tag(out);
                break;
            case 2:
                out += "<!--";
                out += ' ';
                text(out, " \r\nab-!<=\"'");
                out += "-->";
                break;
            case 3: {
                static constexpr std::string_view declarations[] = {"<!DOCTYPE html>",
                    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">", "<![if !supportLists]>",
                    "<![endif]>", "<?xml version=\"1.0\" encoding=\"utf-8\"?>", "<?php echo 1 ?>"};
                out += declarations[next() % std::size(declarations)];
                break;
            }
            case 4:
                raw(out, next() % 2 ? "script" : "PRE");
                break;
            case 5:
                out += "</";
                out += container_name();
                out += '>';
                break;
            case 6: {
                // A "<" that opens no tag: text, as the bytes after it show.
                static constexpr std::string_view strays[] = {"< ", "<, ", "<1", "<=", "<-- ", "<\"", "</ ", "</1",
                    "</>"};
                out += strays[next() % std::size(strays)];
                break;
            }
            default:
                text(out, "Hello world &amp; &nbsp;");
                break;
            }
        }
        return out;
    }

private:
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }

    void text(std::string& out, std::string_view alphabet)
    {
        const std::size_t length = 1 + next() % 12;
        for (std::size_t i = 0; i < length; ++i)
            out += alphabet[next() % alphabet.size()];
    }

    std::string_view container_name()
    {
        static constexpr std::string_view names[] = {"a", "B", "div", "TABLE", "td", "font", "Span", "p", "style", "xyz"};
        return names[next() % std::size(names)];
    }

    void tag(std::string& out)
    {
        static constexpr std::string_view empty_names[] = {"br", "IMG", "hr", "meta", "input"};
        out += '<';
        out += next() % 3 == 0 ? empty_names[next() % std::size(empty_names)] : container_name();
        const auto& table = hevtools::markup::html::attribute_table;
        std::size_t index = next() % 8;
        while (index < table.size() && next() % 4 != 0) {
            const auto key = hevtools::markup::html::html_dtd().find_attribute(
                index == 1 ? "accept-charset" : index == 48 ? "http-equiv" : table[index].name);
            out += ' ';
            out += key.name;
            value(out);
            index += 1 + next() % 20;
        }
        if (next() % 3 == 0) {
            out += " quorbis_id";
            value(out);
        }
        static constexpr std::string_view closings[] = {">", ">", "/>", " />"};
        out += closings[next() % std::size(closings)];
    }

    void value(std::string& out)
    {
        switch (next() % 4) {
        case 0:
            return;
        case 1:
            out += '=';
            text(out, "abc019#%-_./?=&");
            return;
        case 2:
            out += "=\"";
            text(out, "a b<>='/");
            out += '"';
            return;
        default:
            out += "='";
            text(out, "x y\"<>=");
            out += '\'';
            return;
        }
    }

    void raw(std::string& out, std::string_view name)
    {
        out += '<';
        out += name;
        out += '>';
        text(out, " \nif(a<b)x=\"<p>\";-->");
        out += "</";
        out += name;
        out += '>';
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool keep_whitespace = data[0] & 1;
    const bool canonical = data[0] & 2;
    if (canonical) {
        const std::string document = canonical_builder(data + 1, size - 1).build();
        if (copy_checked(document, true) != document)
            std::abort();
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    const bool steer = data[0] & 4;
    if (fed_in_chunks(input, keep_whitespace, steer, 1 + (data[0] >> 3u)) != stepped(input, keep_whitespace, steer))
        std::abort();
    bool stable = true;
    const std::string copy = copy_checked(input, keep_whitespace, &stable);
    if (copy_checked(copy, keep_whitespace) != copy && stable)
        std::abort();
    return 0;
}
