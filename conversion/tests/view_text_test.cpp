#include "conversion/view_text/find_text.h"
#include "conversion/view_text/text_rewriters.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace conversion {
namespace {

struct rewrite_case {
    std::string before;
    std::string after;
};

void expect_rewrites(const std::function<void(std::string&)>& rewrite, const std::vector<rewrite_case>& cases)
{
    for (const auto& c : cases) {
        std::string text = c.before;
        rewrite(text);
        EXPECT_EQ(text, c.after) << "from: " << c.before;
    }
}

TEST(find_text, matches_the_first_byte_exactly_and_the_rest_in_any_case)
{
    EXPECT_EQ(find_text("x<ul>", "<UL"), 1u);
    EXPECT_EQ(find_text("x(UL <Ul", "<UL"), 5u);
    EXPECT_EQ(find_text("abc", ""), std::string::npos);
    EXPECT_EQ(find_text("ab", "abc"), std::string::npos);
    EXPECT_EQ(find_text("Strong strong", "strong"), 7u) << "the first letter keeps its case";
}

TEST(decode_inline_markup, decodes_each_reference_once_then_renames_emphasis)
{
    expect_rewrites(decode_inline_markup, {
        {"&amp;lt;", "&lt;"},
        {"a&nbsp;b &lt;x&gt; &amp;amp;", "a b <x> &amp;"},
        {"&NBSP;&Lt;", "&NBSP;&Lt;"},
        {"<STRONG>x</Strong> <em>y</EM>", "<b>x</b> <i>y</i>"},
        {"&lt;strong&gt;", "<b>"},
    });
}

TEST(lists, items_become_paragraphs_numbered_anew_in_each_ordered_list)
{
    expect_rewrites(convert_ordered_lists, {
        {"<ol><li>a</li><li>b</li><li>c</li></ol><OL type=1><li>d</li></OL>",
            "<p>&nbsp;&nbsp;&nbsp;1 a</p>\n<p>&nbsp;&nbsp;&nbsp;2 b</p>\n<p>&nbsp;&nbsp;&nbsp;3 c</p>\n"
            "<p>&nbsp;&nbsp;&nbsp;1 d</p>\n"},
    });
    expect_rewrites(convert_unordered_lists, {
        {"x<ul class=a><div><li>a</li></div></ul>y", "x<p>&nbsp;&nbsp;&nbsp;* a</p>\ny"},
        {"<ul><li>open", "<ul><li>open"},
        {"<ul><li>a</li></ul><ul><li>b", "<p>&nbsp;&nbsp;&nbsp;* a</p>\n<ul><li>b"},
        {"<ul><li>a<ul><li>b</li></ul><li>c</li></ul>z",
            "<p>&nbsp;&nbsp;&nbsp;* a<p>&nbsp;&nbsp;&nbsp;* b</p>\n<p>&nbsp;&nbsp;&nbsp;* c</p>\nz"},
        {"<UL</UL>after", "after"},
    });
}

TEST(lists, an_inner_list_numbers_on_from_its_outer_lists_end)
{
    std::string text = "<ol><li>a<ol><li>b</ol><li>c<li>d</ol>";
    convert_ordered_lists(text);
    EXPECT_EQ(text, "<p>&nbsp;&nbsp;&nbsp;1 a<p>&nbsp;&nbsp;&nbsp;2 b<p>&nbsp;&nbsp;&nbsp;1 c<p>&nbsp;&nbsp;&nbsp;2 d");
}

TEST(replace_objects_with_links, writes_an_escaped_link_to_the_movie_or_nothing)
{
    const std::string object = "a<OBJECT quorbis_id='flashfile3\"x' classid=\"c\"><PARAM NAME=\"Movie\" "
                               "VALUE='m.swf?a=\"1\"&lt;b<c'><embed src=m.swf></OBJECT>b";
    std::string text = object;
    replace_objects_with_links(text, true);
    EXPECT_EQ(text, "a<a quorbis_id=\"flashfile3&quot;x\" href=\"m.swf?a=&quot;1&quot;&lt;b&lt;c\">"
                    "m.swf?a=\"1\"&lt;b&lt;c</a>&nbsp;b");
    text = object;
    replace_objects_with_links(text, false);
    EXPECT_EQ(text, "ab");
    expect_rewrites([](std::string& t) { replace_objects_with_links(t, true); }, {
        {"<object data=x>no end", "<object data=x>no end"},
        {"<object a=1></object <object b=2></object>", "<a quorbis_id=\"\" href=\"\"></a>&nbsp;</object>"},
    });
}

class known_objects : public object_text_lookup {
public:
    std::optional<pull_file> find_pull_file(int number) const override
    {
        auto it = pulls.find(number);
        return it == pulls.end() ? std::nullopt : std::optional(it->second);
    }
    std::optional<std::string> find_clickto_text(int number) const override
    {
        auto it = clicktos.find(number);
        return it == clicktos.end() ? std::nullopt : std::optional(it->second);
    }
    std::map<int, pull_file> pulls {{1, {"price list.pdf", ""}}, {2, {"b.zip", "Get it"}}};
    std::map<int, std::string> clicktos {{4, "Call <us>"}};
};

TEST(image_to_text, gives_alt_text_or_the_known_objects_text)
{
    const known_objects objects;
    struct row {
        std::string tag;
        bool object_texts;
        std::string text;
    };
    const row rows[] = {
        {"<img src=a.gif alt=\"A &amp; B\">", false, "A &amp; B"},
        {"<img src=a.gif alt='1 < 2'>", false, "1 &lt; 2"},
        {"<img src=a.gif alt=x quorbis_id=picture1>", true, ""},
        {"<img quorbis_id=pullfile1>", true, "Pull File \"price list.pdf\":"},
        {"<img quorbis_id=pullfile2>", true, ""},
        {"<img quorbis_id=pullfile2 alt=x>", true, "Pull File \"b.zip\":"},
        {"<img quorbis_id=pullfile9 alt=x>", true, ""},
        {"<img quorbis_id=clickto4>", true, "Call &lt;us&gt;"},
        {"<img quorbis_id=clickto4 alt=x>", true, "Call &lt;us&gt;:"},
        {"<img quorbis_id=clickto5 alt=x>", true, ""},
    };
    for (const row& r : rows)
        EXPECT_EQ(image_to_text(r.tag, r.object_texts, &objects), r.text) << r.tag;
    EXPECT_EQ(image_to_text("<img quorbis_id=pullfile1>", true, nullptr), "");
}

TEST(convert_images_and_mailto_links, pictures_and_mail_links_become_text)
{
    const known_objects objects;
    expect_rewrites([&](std::string& t) { convert_images_and_mailto_links(t, true, &objects); }, {
        {"a<img quorbis_id=pullfile1>b&nbsp;c", "aPull File \"price list.pdf\":b c"},
        {"<A href=\"mailto:me@x.org\">&nbsp;Me&nbsp;</A>!", "Me (me@x.org)!"},
        {"<a HREF=mailto:me@x.org>me@x.org</a>", "me@x.org"},
        {"<A href=\"mailto:me@x.org\"><img src=p.gif></A>", "me@x.org"},
        {"<A href=\"mailto:me@x.org\">open", "<A href=\"mailto:me@x.org\">open"},
        {"<img src=a.gif alt=\"x\"", "<img src=a.gif alt=\"x\""},
    });
}

TEST(convert_links_to_text, a_link_showing_nothing_gets_its_address_as_written)
{
    expect_rewrites(convert_links_to_text, {
        {"<A HREF=\"HTTP://X/Ab\"><IMG SRC=\"p.gif\"></A>", "<A HREF=\"HTTP://X/Ab\">HTTP://X/Ab</A>"},
        {"<a href=\"http://x/?a=1&amp;b=<2>\"> <img src=p.gif> &nbsp;</a>", "<a href=\"http://x/?a=1&amp;b=<2>\">http://x/?a=1&amp;b=&lt;2&gt;</a>"},
        {"<a href=x><img src=p.gif alt=Pic></a>", "<a href=x><img src=p.gif alt=Pic></a>"},
        {"<a href=x>text</a><a href=y><img src=q></a>", "<a href=x>text</a><a href=y>y</a>"},
        {"<a href=x><img src=p.gif>", "<a href=x><img src=p.gif>"},
    });
}

TEST(find_outside_comment, skips_occurrences_after_an_unclosed_comment_start)
{
    const std::string text = "<!-- <table --> <table a> <!-- x <table";
    EXPECT_EQ(find_outside_comment(text, "<table", 0), 16u);
    EXPECT_EQ(find_outside_comment(text, "<table", 17), std::string::npos);
    EXPECT_EQ(find_outside_comment("<!--", "<!--", 0), 0u);
    EXPECT_EQ(find_outside_comment("ab", "b", 9), std::string::npos);
}

TEST(remove_tags_named, removes_every_opening_tag_of_the_name)
{
    expect_rewrites([](std::string& t) { remove_tags_named(t, "td"); }, {
        {"<TD a=1>x</td><td>y<td", "x</td>y<td"},
    });
}

TEST(tables, flatten_from_the_inside_out_and_spare_comments_and_open_tables)
{
    expect_rewrites(convert_tables, {
        {"<table border=1><caption>C</caption><tbody><tr><th>H</th></tr><tr><td>a</td><td>b</td></tr></tbody></table>",
            "C<br>H<br><br>a\tb\t<br>"},
        {"<table><tr><td>x<table><tr><td>in</td></tr></table></td></tr></table>end", "xin\t<br>\t<br>end"},
        {"<!-- <table><tr><td>c</td></tr></table> -->", "<!-- <table><tr><td>c</td></tr></table> -->"},
        {"<table><tr><td>open", "<table><tr><td>open"},
        {"<table>A<td>a<table><td>b</td></table>", "<table>A<td>ab\t"},
        {"</table><table><td>x</td></table>", "</table>x\t"},
    });
    std::string text = "<p><table><tr><td>1</td></tr></table><table><td>2</td></table>";
    EXPECT_TRUE(convert_table(text, 3));
    EXPECT_EQ(text, "<p>1\t<br><table><td>2</td></table>");
    text = "<table><table><td>x</td></table>";
    EXPECT_FALSE(convert_table(text, 0));
    EXPECT_EQ(text, "<table>x\t");
    EXPECT_FALSE(convert_table(text, 1));
}

TEST(tables, ten_thousand_nested_tables_flatten_without_recursion)
{
    std::string text;
    for (int i = 0; i < 10000; ++i)
        text += "<table><tr><td>";
    text += "x";
    for (int i = 0; i < 10000; ++i)
        text += "</td></tr></table>";
    convert_tables(text);
    EXPECT_EQ(text.find('<', 1), 2u) << text.substr(0, 40);
    EXPECT_EQ(text.substr(0, 5), "x\t<br");
    EXPECT_EQ(text.find("table"), std::string::npos);
}

}
}
