#include "core/markup/ascii.h"
#include "core/markup/copying_callback.h"
#include "core/tests/markup/recording_receiver.h"

#include <gtest/gtest.h>
#include <sstream>

using markup_testing::recording_receiver;
using markup_testing::stepped_transcript_of;
using markup_testing::transcript_of;

namespace {

struct transcript_case {
    std::string input;
    std::string collapsed; // keep_whitespace false
    std::string kept;      // keep_whitespace true
};

const transcript_case transcript_cases[] = {
    {"a  b", R"(T"a b")", R"(T"a  b")"},
    {"<b>  x", R"(S<b> | T" x")", R"(S<b> | T"  x")"},
    {"x < y", R"(T"x " | T"< y")", R"(T"x " | T"< y")"},
    {"<<b>", R"(T"<" | S<b>)", R"(T"<" | S<b>)"},
    {"<!-- a -->", R"(C" a ")", R"(C" a ")"},
    {"<!--a-->", R"(C"a")", R"(C"a")"},
    {"<!-->x-->y", R"(S<--> | C"x" | T"y")", R"(S<--> | C"x" | T"y")"},
    {"<img src=a.gif>", "E<img src=a.gif>", "E<img src=a.gif>"},
    {"</br>", "E</br>", "E</br>"},
    {"<a b='x\"y'>", R"(S<a b='x"y'>)", R"(S<a b='x"y'>)"},
    {"<a b=c d>", "S<a b=c d>", "S<a b=c d>"},
    {"<script>if (a<b) x();</script>", R"(S<script> | R"if (a<b) x();" | X</script>)",
        R"(S<script> | R"if (a<b) x();" | X</script>)"},
    {"<script>x</SCRIPT >y", R"(S<script> | R"x</SCRIPT >y")", R"(S<script> | R"x</SCRIPT >y")"},
    {"<pre>a  b</PRE>c", R"(S<pre> | R"a  b" | X</PRE> | T"c")", R"(S<pre> | R"a  b" | X</PRE> | T"c")"},
    {"<style>a<b>c</style>", "S<style> | T\"a\" | S<b> | T\"c\" | X</style>",
        "S<style> | T\"a\" | S<b> | T\"c\" | X</style>"},
    {"</pre><b>x", R"(X</pre> | S<b> | T"x")", R"(X</pre> | S<b> | T"x")"},
    {"<a href=", "!6 | T\"<a href=\"", "!6 | T\"<a href=\""},
    {"x<a href='y", "T\"x\" | !6 | T\"<a href='y\"", "T\"x\" | !6 | T\"<a href='y\""},
    {"<ab", R"(T"<ab")", R"(T"<ab")"},
    {"a\xff" "b<\xff>", "T\"a\xff" "b\" | S<\xff>", "T\"a\xff" "b\" | S<\xff>"},
    {"a\r\nb", R"(T"a b")", "T\"a\r\nb\""},
    {"<>x", R"(T"<>x")", R"(T"<>x")"},
    {"<=x", R"(T"<=x")", R"(T"<=x")"},
    {"a>b=c'd\"", "T\"a>b=c'd\"\"", "T\"a>b=c'd\"\""},
    {"<P CLASS=x>Hi</P>", R"(S<P class=x> | T"Hi" | X</P>)", R"(S<P class=x> | T"Hi" | X</P>)"},
    {"<a b=>", "!2 | S<a b>", "!2 | S<a b>"},
    {"<a \"b\">", "!3 | !3 | S<a b>", "!3 | !3 | S<a b>"},
    {"<a =b>", "!4 | S<a b>", "!4 | S<a b>"},
    {"<a b<c>", "!0 | S<a c>", "!0 | S<a c>"},
    // What a "<" interrupts is dropped, also before an attribute read whole.
    {"<a x y<z=w>", "!0 | S<a x z=w>", "!0 | S<a x z=w>"},
    {"<a b=c<d=f e>", "!0 | S<a d=f e>", "!0 | S<a d=f e>"},
    {"<!--a>", "!1 | S<-->", "!1 | S<-->"},
    {"<!DOCTYPE html>", "S<!DOCTYPE html>", "S<!DOCTYPE html>"},
    {"<!-- x", R"(C" x")", R"(C" x")"},
    {"<textarea>a&amp;b</textarea>", R"(S<textarea> | T"a&amp;b" | X</textarea>)",
        R"(S<textarea> | T"a&amp;b" | X</textarea>)"},
};

}

TEST(MarkupTokenizer, TranscriptsInBothModes)
{
    for (const auto& c : transcript_cases) {
        EXPECT_EQ(transcript_of(c.input, false), c.collapsed) << c.input;
        EXPECT_EQ(transcript_of(c.input, true), c.kept) << c.input;
        EXPECT_EQ(stepped_transcript_of(c.input, false), c.collapsed) << c.input;
        EXPECT_EQ(stepped_transcript_of(c.input, true), c.kept) << c.input;
    }
}

TEST(MarkupTokenizer, FalseAnswerEndsTheRunWithoutEndOfInput)
{
    struct stop_at_start : recording_receiver {
        bool on_start_tag(core::markup_tag& tag, std::size_t position) override
        {
            recording_receiver::on_start_tag(tag, position);
            return false;
        }
    } receiver;
    const std::string input = "ab<b>cd";
    core::markup_parser parser(true);
    const auto consumed = core::run_markup_parser(receiver, input.data(), input.data() + input.size(),
        hevtools::markup::html::html_dtd(), parser);
    EXPECT_EQ(consumed, 4u);
    EXPECT_EQ(receiver.transcript, R"(T"ab" | S<b>)");
}

TEST(MarkupTokenizer, FalseAnswerToAnErrorStopsAtOnce)
{
    recording_receiver receiver;
    receiver.answer_errors = false;
    const std::string input = "<a b=>rest";
    core::markup_parser parser(true);
    const auto consumed = core::run_markup_parser(receiver, input.data(), input.data() + input.size(),
        hevtools::markup::html::html_dtd(), parser);
    EXPECT_EQ(consumed, 5u);
    EXPECT_EQ(receiver.transcript, "!2");
}

TEST(MarkupTokenizer, StateSetInOnErrorIsObeyed)
{
    struct back_to_text : recording_receiver {
        bool on_error(int code, std::size_t position, int& state) override
        {
            recording_receiver::on_error(code, position, state);
            state = 0;
            return true;
        }
    } receiver;
    const std::string input = "<a 'x>y";
    core::markup_parser parser(true);
    core::run_markup_parser(receiver, input.data(), input.data() + input.size(), hevtools::markup::html::html_dtd(), parser);
    EXPECT_EQ(receiver.transcript, R"(!3 | T"x>y")");
}

TEST(MarkupTokenizer, TagStartAndEventPositionHitTheAngleBrackets)
{
    const std::string inputs[] = {
        "ab<a  x=\"\"  href=1 href=2>t</a >",
        "<img src='a'   alt><br/>",
        "x<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\"><p>",
        "<pre>a</pre>",
    };
    for (const auto& input : inputs) {
        recording_receiver receiver;
        core::markup_parser parser(true);
        core::run_markup_parser(receiver, input.data(), input.data() + input.size(),
            hevtools::markup::html::html_dtd(), parser);
        ASSERT_FALSE(receiver.tags.empty()) << input;
        for (const auto& tag : receiver.tags) {
            ASSERT_LT(tag.start, input.size()) << input;
            EXPECT_EQ(input[tag.start], '<') << input << " tag " << tag.name;
        }
    }
    // The event position is the offset of ">".
    recording_receiver receiver;
    const std::string input = "ab<a  x=\"\"  href=1 href=2>";
    core::markup_parser parser(true);
    core::run_markup_parser(receiver, input.data(), input.data() + input.size(), hevtools::markup::html::html_dtd(), parser);
    ASSERT_EQ(receiver.tags.size(), 1u);
    EXPECT_EQ(receiver.positions.back(), input.size() - 1);
    EXPECT_EQ(receiver.tags[0].start, 2u);
    EXPECT_EQ(core::markup_tag_to_text(receiver.tags[0]), "<a href=2 x>");
}

TEST(MarkupTokenizer, StreamFeederStartsAtTheReadOffset)
{
    std::istringstream stream("skip<b>x");
    stream.seekg(4);
    recording_receiver receiver;
    const auto reached = core::parse_html_stream(stream, receiver, true);
    EXPECT_EQ(receiver.transcript, R"(S<b> | T"x")");
    EXPECT_EQ(reached, 8u);
    EXPECT_EQ(receiver.positions.front(), 6u);
}

TEST(MarkupTokenizer, CStringFeederAcceptsNull)
{
    recording_receiver receiver;
    core::markup_parser parser(true);
    EXPECT_EQ(parser.run_markup_parser_on_cstring(nullptr, hevtools::markup::html::html_dtd(), receiver), 0u);
    EXPECT_EQ(receiver.transcript, "");
    core::markup_parser second(true);
    EXPECT_EQ(second.run_markup_parser_on_cstring("<b>x", hevtools::markup::html::html_dtd(), receiver), 4u);
    EXPECT_EQ(receiver.transcript, R"(S<b> | T"x")");
}

TEST(MarkupTokenizer, NullCallbackForwardsOrAnswersItsErrorSetting)
{
    recording_receiver next;
    hevtools::markup::null_parser_callback forwarding(&next);
    core::markup_parser parser(true);
    const std::string input = "<a b=>x";
    core::run_markup_parser(forwarding, input.data(), input.data() + input.size(), hevtools::markup::html::html_dtd(), parser);
    EXPECT_EQ(next.transcript, R"(!2 | S<a b> | T"x")");

    hevtools::markup::null_parser_callback stopping(nullptr, false);
    core::markup_parser second(true);
    EXPECT_EQ(core::run_markup_parser(stopping, input.data(), input.data() + input.size(),
                  hevtools::markup::html::html_dtd(), second),
        5u);
}

TEST(MarkupTokenizer, DocumentTypesThatOnlyMakeTagsWorkToo)
{
    // Overrides the abstract operations only; the tokenizer reaches them through the defaults.
    struct shouting_dtd : hevtools::markup::DTD {
        bool is_empty_element(const core::markup_tag& tag) const override { return tag.name.empty(); }
        core::markup_tag make_tag(std::string& text, bool tag_name_mode, int* model) const override
        {
            core::markup_tag tag = hevtools::markup::html::html_dtd().make_tag(text, tag_name_mode, model);
            for (char& c : tag.name)
                c = core::ascii_upper(c);
            return tag;
        }
        core::attribute_key find_attribute(std::string_view name) const override
        {
            return {"a-" + std::string(name), &hevtools::markup::html::unknown_attribute};
        }
    } dtd;
    recording_receiver receiver;
    core::markup_parser parser(true);
    const std::string input = "<b x=1>t</b><br>";
    core::run_markup_parser(receiver, input.data(), input.data() + input.size(), dtd, parser);
    EXPECT_EQ(receiver.transcript, R"(S<B a-x=1> | T"t" | X</B> | S<BR>)");
}
