#include "core/markup/copying_callback.h"
#include "core/tests/markup/recording_receiver.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>

using markup_testing::copy_of;

namespace {

// A message body as the editor writes it: canonical tags, so a copy gives it back byte for byte.
constexpr std::string_view message_fixture =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"
    "<HTML><HEAD>\r\n<META content=\"text/html; charset=iso-8859-1\" http-equiv=Content-Type>\r\n"
    "<STYLE>p { margin: 0 }</STYLE>\r\n"
    "<SCRIPT language=JavaScript>if (a < b && c > d) { go(\"<b>\"); }</SCRIPT>\r\n</HEAD>\r\n"
    "<BODY bgcolor=#ffffff>\r\n<!--[if gte mso 9]><xml>x</xml><![endif]-->\r\n"
    "<![if !supportLists]><span>1.</span><![endif]>\r\n"
    "<P align=center><FONT color=#ff0000 face=\"Arial, Helvetica\" size=2>Dear&nbsp;customer,</FONT></P>\r\n"
    "<TABLE border=0 cellpadding=0 cellspacing=0 width=\"100%\"><TBODY><TR><TD valign=top>\r\n"
    "<A href=\"http://example.com/a?b=1&amp;c=2\" target=_blank quorbis_id=hyperlink3>Visit</A><BR>\r\n"
    "<IMG alt='the \"logo\"' border=0 height=40 src=\"pictures/logo.gif\" width=120></TD></TR></TBODY></TABLE>\r\n"
    "<PRE>  keep   this  <b>as is</b> </PRE>\r\n"
    "<FORM action=http://example.com/f method=post><INPUT name=email type=text><INPUT checked name=a type=checkbox></FORM>\r\n"
    "Caf\xc3\xa9 \xff 5 > 3 = true\r\n</BODY></HTML>\r\n";

}

TEST(CopyingCallback, CopiesAsTheWritingRulesSay)
{
    const std::pair<std::string, std::string> rows[] = {
        {"<P class=x>Hi</P>", "<P class=x>Hi</P>"},
        {"<IMG SRC=\"a.gif\" Alt=pic>", "<IMG alt=pic src=\"a.gif\">"},
        {"</BR>", "<BR>"},
        {"<a href=1 HREF=2 Href='3'>x</a>", "<a href='3'>x</a>"},
        {"<a title=\"\" name=''>x</a>", "<a name title>x</a>"},
        {"<a b=c d>", "<a b=c d>"},
        {"<a zz=1 quorbis_id=x href=y>", "<a href=y quorbis_id=x zz=1>"},
        {"<!-- a --><!--b-->", "<!-- a --><!--b-->"},
        {"<script>if (a<b) x();</script>", "<script>if (a<b) x();</script>"},
    };
    for (const auto& [input, expected] : rows)
        EXPECT_EQ(copy_of(input), expected) << input;
}

TEST(CopyingCallback, KeepsDeclarationsAndUnfinishedTagsVerbatim)
{
    const std::string rows[] = {
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" \"http://www.w3.org/TR/html4/loose.dtd\">",
        "<!doctype html>",
        "a<![if x]>b<![endif]>c",
        "text<a href=\"y",
        "text<a href=",
        "text<img src=a.gif alt",
        "<ab",
    };
    for (const auto& input : rows)
        EXPECT_EQ(copy_of(input), input) << input;
}

TEST(CopyingCallback, CopiesAMessageByteForByte)
{
    EXPECT_EQ(copy_of(message_fixture), message_fixture);
}

TEST(CopyingCallback, StreamAndStringSinksWriteTheSame)
{
    std::ostringstream stream;
    hevtools::markup::copying_parser_callback copy(stream);
    core::markup_parser parser(true);
    core::run_markup_parser(copy, message_fixture.data(), message_fixture.data() + message_fixture.size(),
        hevtools::markup::html::html_dtd(), parser);
    EXPECT_EQ(stream.str(), message_fixture);
}

TEST(CopyingCallback, IndentsLineBreakingElementsAndWrapsAtForty)
{
    EXPECT_EQ(copy_of("<TABLE><TR><TD>x</TD></TR></TABLE>", " "), "<TABLE>\n <TR>\n  <TD>x</TD></TR></TABLE>");
    const std::string ten(10, ' ');
    EXPECT_EQ(copy_of("<div><div><div><div><div><div>", ten),
        "<div>\n" + ten + "<div>\n" + ten + ten + "<div>\n" + ten + ten + ten + "<div>\n" + ten + ten + ten + ten
            + "<div><div>");
    EXPECT_EQ(copy_of("<p><font><div>a</div><div>b</div></font></p>", "  "), "<p><font><div>a</div><div>b</div></font></p>");
    EXPECT_EQ(copy_of("<ul><li>a</li><li>b</li></ul>", "  "), "<ul>\n  <li>a</li>\n  <li>b</li></ul>");
}

TEST(LineBreaking, BreaksAroundBlockTags)
{
    struct row {
        std::string html;
        bool collapse;
        bool mark;
        std::string prefix;
        std::string expected;
    };
    const row rows[] = {
        {"a<BR>b<P>c", false, false, "", "a<BR>\r\nb<P>c"},
        {"a<BR>b<P>c", false, true, "&nbsp;", "a<BR>\r\nb&nbsp;\r\n<P>c"},
        {"x&nbsp;&nbsp;y", false, false, "", "x  y"},
        {"x&nbsp;&nbsp;y", true, true, "", "x&nbsp;&nbsp;y"},
        {"x&amp;nbsp;", false, false, "", "x&amp;nbsp;"},
        {"<META name=a><PARAM name=b>", false, false, "", "<META name=a>\r\n<PARAM name=b>\r\n"},
        {"<LI>a<TR>b", false, false, "", "\r\n<LI>a\r\n<TR>b"},
        {"<OBJECT><DIV>x</DIV></OBJECT>", false, false, "", "\r\n<OBJECT>\r\n\r\n<DIV>x</DIV></OBJECT>"},
        {"a   b\r\n c", true, false, "", "a b c"},
        {"a   b\r\n c", false, false, "", "a   b\r\n c"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(core::break_html_lines(r.html, r.collapse, r.mark, r.prefix, "\r\n"), r.expected) << r.html;
}

TEST(MarkupTagUtilities, AttributeMatchesComparesTheStoredValue)
{
    markup_testing::recording_receiver receiver;
    core::markup_parser parser(true);
    const std::string input = "<a target=\"_top\" name=X>";
    core::run_markup_parser(receiver, input.data(), input.data() + input.size(), hevtools::markup::html::html_dtd(), parser);
    ASSERT_EQ(receiver.tags.size(), 1u);
    const core::markup_tag& tag = receiver.tags[0];
    using hevtools::markup::html::at;
    using hevtools::markup::html::attribute;
    struct row {
        at attr;
        std::string wanted;
        bool case_sensitive;
        bool expected;
    };
    const row rows[] = {
        {at::target, "\"_top\"", true, true},
        {at::target, "_top", true, false},
        {at::target, "\"_TOP\"", false, true},
        {at::name, "x", false, true},
        {at::name, "x", true, false},
        {at::name, "", true, true},
        {at::href, "", true, false},
    };
    for (const auto& r : rows)
        EXPECT_EQ(core::markup_tag_attribute_matches(tag, attribute(r.attr), r.wanted, r.case_sensitive), r.expected)
            << r.wanted;
    EXPECT_EQ(tag.attributes.size(), 2u);
    EXPECT_EQ(core::markup_tag_to_text(tag), "<a name=X target=\"_top\">");
}

TEST(CopyingCallback, ManyAttributesAreOrderedWithTheLastDuplicateKept)
{
    // More attributes than the small-tag path takes, known and unknown, with repeats.
    std::string input = "<td";
    std::map<std::pair<int, std::string>, std::string> expected;
    const char* known[] = {"width", "align", "bgcolor", "valign", "id", "class"};
    for (int i = 0; i < 60; ++i) {
        const std::string name = i % 3 == 0 ? std::string(known[i % 6]) : "x" + std::to_string(i % 17);
        const std::string value = std::to_string(i);
        input += " " + name + "=" + value;
        const auto key = hevtools::markup::html::html_dtd().find_attribute(name);
        expected[{key.entry->index, key.name}] = value;
    }
    input += ">";
    std::string want = "<td";
    for (const auto& [key, value] : expected)
        want += " " + key.second + "=" + value;
    want += ">";
    EXPECT_EQ(copy_of(input), want);
}
