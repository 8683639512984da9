#include "core/markup/ascii.h"
#include "core/markup/copying_callback.h"
#include "core/tests/markup/recording_receiver.h"

#include <gtest/gtest.h>
#include <span>
#include <sstream>

using markup_testing::copy_of;
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
    {"x < y", R"(T"x < y")", R"(T"x < y")"},
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
    {"a\xff" "b<\xff>", "T\"a\xff" "b<\xff>\"", "T\"a\xff" "b<\xff>\""},
    {"a\r\nb", R"(T"a b")", "T\"a\r\nb\""},
    {"<>x", R"(T"<>x")", R"(T"<>x")"},
    {"<=x", R"(T"<=x")", R"(T"<=x")"},
    {"a>b=c'd\"", "T\"a>b=c'd\"\"", "T\"a>b=c'd\"\""},
    {"<P CLASS=x>Hi</P>", R"(S<P class=x> | T"Hi" | X</P>)", R"(S<P class=x> | T"Hi" | X</P>)"},
    {"<a b=>", "!2 | S<a b>", "!2 | S<a b>"},
    {"<a \"b\">", "!3 | !3 | S<a b>", "!3 | !3 | S<a b>"},
    {"<a =b>", "!4 | S<a b>", "!4 | S<a b>"},
    // What a "<" interrupts is kept, also before an attribute read whole.
    {"<a x y<z=w>", "!0 | S<a x y z=w>", "!0 | S<a x y z=w>"},
    {"<a b=c<d=f e>", "!0 | S<a b=c d=f e>", "!0 | S<a b=c d=f e>"},
    {"<!--a>", "!1 | S<-->", "!1 | S<-->"},
    {"<!DOCTYPE html>", "S<!DOCTYPE html>", "S<!DOCTYPE html>"},
    {"<!-- x", R"(C" x")", R"(C" x")"},
    {"<textarea>a&amp;b</textarea>", R"(S<textarea> | T"a&amp;b" | X</textarea>)",
        R"(S<textarea> | T"a&amp;b" | X</textarea>)"},
};

// Markup from real pages that was once lost or invented: the events in both modes, and the
// copy (white space kept).
struct reading_case {
    std::string input;
    std::string collapsed;
    std::string kept;
    std::string copy;
};

// "=" inside an unquoted value is part of it.
const reading_case equals_in_unquoted_values[] = {
    {"<a href=page.php?id=5>", "S<a href=page.php?id=5>", "S<a href=page.php?id=5>", "<a href=page.php?id=5>"},
    {"<a href=x?a=b&c=d>", "S<a href=x?a=b&c=d>", "S<a href=x?a=b&c=d>", "<a href=x?a=b&c=d>"},
    {"<a href=a?b=c=d>", "S<a href=a?b=c=d>", "S<a href=a?b=c=d>", "<a href=a?b=c=d>"},
    {"<a x==y>", "S<a x==y>", "S<a x==y>", "<a x==y>"},
    {"<a b=c= >", "S<a b=c=>", "S<a b=c=>", "<a b=c=>"},
    {"<a b='c=d'>", "S<a b='c=d'>", "S<a b='c=d'>", "<a b='c=d'>"},
};

// "<" inside a tag keeps the attribute it interrupts.
const reading_case lt_inside_tags[] = {
    {"<a b<c>", "!0 | S<a b c>", "!0 | S<a b c>", "<a b c>"},
    {"x<fo<nt color=red>y", R"(T"x" | !0 | S<fo color=red nt> | T"y")", R"(T"x" | !0 | S<fo color=red nt> | T"y")",
        "x<fo color=red nt>y"},
    {"<a b=1<c>", "!0 | S<a b=1 c>", "!0 | S<a b=1 c>", "<a b=1 c>"},
    {"<a b<c d=2>", "!0 | S<a b c d=2>", "!0 | S<a b c d=2>", "<a b c d=2>"},
    {"<a b =<c>", "!0 | S<a b c>", "!0 | S<a b c>", "<a b c>"},
    // An "=" in the tag name keeps the tag too.
    {"x<a=b>y", R"(T"x" | !4 | S<a b> | T"y")", R"(T"x" | !4 | S<a b> | T"y")", "x<a b>y"},
    {"<a b='x<y'>", "S<a b='x<y'>", "S<a b='x<y'>", "<a b='x<y'>"},
};

// "<" opens a tag only before a letter, "/", "!" or "?", and "</" only before a letter (or the
// editor's "</!>"); any other "<" is text, joined to the text around it.
const reading_case lt_opening_no_tag[] = {
    {"<td>M-<, HOME</td>", R"(S<td> | T"M-<, HOME" | X</td>)", R"(S<td> | T"M-<, HOME" | X</td>)",
        "<td>M-<, HOME</td>"},
    {"<b>a<, </b>c", R"(S<b> | T"a<, " | X</b> | T"c")", R"(S<b> | T"a<, " | X</b> | T"c")", "<b>a<, </b>c"},
    {"a  <  b", R"(T"a < b")", R"(T"a  <  b")", "a  <  b"},
    {"a<1", R"(T"a<1")", R"(T"a<1")", "a<1"},
    {"a<=b", R"(T"a<=b")", R"(T"a<=b")", "a<=b"},
    {"<-- not a comment", R"(T"<-- not a comment")", R"(T"<-- not a comment")", "<-- not a comment"},
    {"<<b>x</b>", R"(T"<" | S<b> | T"x" | X</b>)", R"(T"<" | S<b> | T"x" | X</b>)", "<<b>x</b>"},
    {"x</<b>", R"(T"x</" | S<b>)", R"(T"x</" | S<b>)", "x</<b>"},
    {"</ b>", R"(T"</ b>")", R"(T"</ b>")", "</ b>"},
    {"</1>x", R"(T"</1>x")", R"(T"</1>x")", "</1>x"},
    {"</>", R"(T"</>")", R"(T"</>")", "</>"},
    {"a<\"b\">", R"(T"a<"b">")", R"(T"a<"b">")", "a<\"b\">"},
    {"a</!>b", R"(T"a" | X</!> | T"b")", R"(T"a" | X</!> | T"b")", "a</!>b"},
    {"<, </td>", R"(T"<, " | X</td>)", R"(T"<, " | X</td>)", "<, </td>"},
    {"a<", R"(T"a<")", R"(T"a<")", "a<"},
    {"a</", R"(T"a</")", R"(T"a</")", "a</"},
};

// A "/" before ">" stays last; "<?...?>" is copied as written.
const reading_case closing_slashes_and_instructions[] = {
    {"<path d=\"M0 0\"/>", R"(S<path d="M0 0"/>)", R"(S<path d="M0 0"/>)", "<path d=\"M0 0\"/>"},
    {"<path d=\"M0 0\" />", R"(S<path d="M0 0" />)", R"(S<path d="M0 0" />)", "<path d=\"M0 0\" />"},
    {"<br/>x", R"(E<br/> | T"x")", R"(E<br/> | T"x")", "<br/>x"},
    {"<br />", "E<br />", "E<br />", "<br />"},
    {"<input checked/>", "E<input checked/>", "E<input checked/>", "<input checked/>"},
    {"<a href=x/>", "S<a href=x/>", "S<a href=x/>", "<a href=x/>"},
    // A name ending in "/" ordered last is no closing slash, in the copy and in its copy.
    {"<a t/ s>", "S<a s t/ >", "S<a s t/ >", "<a s t/ >"},
    {"<a s t/ >", "S<a s t/ >", "S<a s t/ >", "<a s t/ >"},
    // A closing slash written behind an unquoted value is set apart, or it would join the value.
    {"<script x=v r/>a", R"(S<script r x=v /> | T"a")", R"(S<script r x=v /> | T"a")", "<script r x=v />a"},
    // Self-closed, a raw-text element holds nothing.
    {"<script/>a<b>", R"(S<script/> | T"a" | S<b>)", R"(S<script/> | T"a" | S<b>)", "<script/>a<b>"},
    {"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<p>",
        "S<?xml version=\"1.0\" encoding=\"utf-8\"?> | T\" \" | S<p>",
        "S<?xml version=\"1.0\" encoding=\"utf-8\"?> | T\"\r\n\" | S<p>",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<p>"},
    {"<?php echo 1 ?>", "S<?php echo 1 ?>", "S<?php echo 1 ?>", "<?php echo 1 ?>"},
};

// The events of the input, fed whole and byte by byte, in both modes.
void expect_transcripts(const std::string& input, const std::string& collapsed, const std::string& kept)
{
    EXPECT_EQ(transcript_of(input, false), collapsed) << input;
    EXPECT_EQ(transcript_of(input, true), kept) << input;
    EXPECT_EQ(stepped_transcript_of(input, false), collapsed) << input;
    EXPECT_EQ(stepped_transcript_of(input, true), kept) << input;
}

void expect_read_as_written(const std::span<const reading_case> cases)
{
    for (const auto& c : cases) {
        expect_transcripts(c.input, c.collapsed, c.kept);
        EXPECT_EQ(copy_of(c.input), c.copy) << c.input;
        EXPECT_EQ(copy_of(c.copy), c.copy) << c.input;
    }
}

}

TEST(MarkupTokenizer, TranscriptsInBothModes)
{
    for (const auto& c : transcript_cases)
        expect_transcripts(c.input, c.collapsed, c.kept);
}

TEST(MarkupTokenizer, EqualsSignInAnUnquotedValueStaysInTheValue)
{
    expect_read_as_written(equals_in_unquoted_values);
}

TEST(MarkupTokenizer, LtInsideATagKeepsTheAttributeItInterrupts)
{
    expect_read_as_written(lt_inside_tags);
}

TEST(MarkupTokenizer, LtThatCannotOpenATagIsText)
{
    expect_read_as_written(lt_opening_no_tag);
}

TEST(MarkupTokenizer, ClosingSlashStaysLastAndInstructionsAreCopiedAsWritten)
{
    expect_read_as_written(closing_slashes_and_instructions);
}

TEST(MarkupTokenizer, ValueStartsEmptyAfterAReceiverSetsStateEight)
{
    // A value left in V by a name-less attribute ("2\"" below) must not be taken into the
    // quoted value read after the receiver moved the tokenizer to state 8.
    const std::string input = "<a b=1 \"2\" x\"\"3\">";
    recording_receiver whole;
    whole.set_state_on_errors = 8;
    core::markup_parser parser(true);
    core::run_markup_parser(whole, input.data(), input.data() + input.size(), hevtools::markup::html::html_dtd(), parser);
    EXPECT_EQ(whole.transcript, R"(!3 | !3 | S<a b=1 x="3">)");

    recording_receiver stepped;
    stepped.set_state_on_errors = 8;
    core::markup_parser stepping(true);
    core::markup_parse_context context {&stepped, &hevtools::markup::html::html_dtd(), 0, 0};
    for (char c : input) {
        ASSERT_TRUE(stepping.step(static_cast<unsigned char>(c), context));
        ++context.position;
    }
    EXPECT_EQ(stepped.transcript, whole.transcript);
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
    recording_receiver receiver;
    receiver.set_state_on_errors = 0;
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
