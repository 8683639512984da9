#include "html/clipboard.h"

#include <gtest/gtest.h>

namespace html {
namespace {

// A header with the given offsets, followed by `body` (any offsets, for the bad cases).
std::string with_header(const char* start_html, const char* end_html, const char* start_fragment, const char* end_fragment,
    const std::string& body)
{
    return std::string("Version:0.9\r\nStartHTML:") + start_html + "\r\nEndHTML:" + end_html + "\r\nStartFragment:"
        + start_fragment + "\r\nEndFragment:" + end_fragment + "\r\n" + body;
}

// The header of 105 bytes, then the page padded so that the fragment lies at 141 to 364
// and the page ends at 400.
std::string example()
{
    std::string page = "<html>\r\n<body>\r\n<!--StartFragment-->" + std::string(223, 'f') + "<!--EndFragment-->";
    page += std::string(400 - 105 - page.size(), 'e');
    return with_header("0000000105", "0000000400", "0000000141", "0000000364", page);
}

TEST(clipboard, keeps_formats_by_name_and_set_only_drops_the_others)
{
    clipboard clip;
    clip.set("Text", "a");
    clip.set(html_clipboard_format, "b");
    clip.set("Text", "c");
    EXPECT_EQ(clip.get("Text"), std::optional<std::string>("c"));
    clip.set_only(html_clipboard_format, "d");
    EXPECT_FALSE(clip.get("Text"));
    EXPECT_EQ(clip.get(html_clipboard_format), std::optional<std::string>("d"));
}

TEST(html_format, made_text_reads_back_exactly)
{
    for (const std::string& fragment : {std::string(), std::string("<b>x</b>"), std::string("a\0b", 3)}) {
        const std::string text = make_html_format(fragment);
        std::string out = "old";
        ASSERT_TRUE(extract_fragment(text, out));
        EXPECT_EQ(out, fragment);
        std::size_t start = 0;
        std::size_t end = 0;
        ASSERT_TRUE(parse_fragment_offsets(text, start, end));
        EXPECT_EQ(text.substr(105, 6), "<html>");
    }
}

TEST(html_format, the_end_offsets_move_with_the_fragment_and_keep_their_width)
{
    std::string text = example();
    ASSERT_EQ(text.size(), 400u);
    ASSERT_TRUE(replace_fragment(text, std::string(233, 'n')));
    EXPECT_NE(text.find("StartHTML:0000000105\r\nEndHTML:0000000410\r\nStartFragment:0000000141\r\nEndFragment:0000000374\r\n"),
        std::string::npos);
    std::string fragment;
    ASSERT_TRUE(extract_fragment(text, fragment));
    EXPECT_EQ(fragment, std::string(233, 'n'));

    text = example();
    ASSERT_TRUE(replace_fragment(text, "s"));
    EXPECT_NE(text.find("EndHTML:0000000178\r\nStartFragment:0000000141\r\nEndFragment:0000000142\r\n"), std::string::npos);
}

TEST(html_format, a_value_needing_more_digits_widens_the_header_and_moves_every_offset)
{
    // Three-digit offsets: EndHTML 999 grows by 10 to 1009, so the header grows by one byte
    // and every offset moves by one more.
    std::string text = with_header("077", "999", "090", "100", "");
    ASSERT_EQ(text.size(), 77u);
    text += std::string(13, 'h') + std::string(10, 'f') + std::string(999 - 100, 't');
    ASSERT_EQ(text.size(), 999u);
    ASSERT_TRUE(replace_fragment(text, std::string(20, 'g')));
    EXPECT_EQ(text.substr(0, 78), "Version:0.9\r\nStartHTML:078\r\nEndHTML:1010\r\nStartFragment:091\r\nEndFragment:111\r\n");
    std::string fragment;
    ASSERT_TRUE(extract_fragment(text, fragment));
    EXPECT_EQ(fragment, std::string(20, 'g'));
    EXPECT_EQ(text.size(), 1010u);
}

TEST(html_format, bad_headers_are_refused_and_left_as_they_were)
{
    const std::string page(200, 'x');
    struct bad_case {
        std::string text;
        bool extracts; // the offsets hold, but the fragment starts inside the header
    };
    const bad_case cases[] = {
        {"Version:0.9\r\nStartHTML:0000000010\r\n" + page, false},
        {with_header("1", "2", "0000000000", "0000000050", page), false},
        {with_header("1", "2", "0000000060", "0000000050", page), false},
        {with_header("1", "2", "0000000060", "0000009999", page), false},
        {with_header("1", "2", "60", "99999999999999999999999", page), false},
        {with_header("1", "2", "sixty", "0000000070", page), false},
        {"Version:0.9\r\nStartHTML:1\r\nEndHTML:2\r\nStartSelection:0000000060\r\nEndFragment:0000000070\r\n" + page, false},
        {"Version:0.9\r\nStartHTML:1\r\nEndHTML:2\r\nStartFragment:0000000060\r\nEndFragment:0000000070", false},
        {with_header("1", "2", "0000000010", "0000000070", page), true},
    };
    for (const bad_case& bad : cases) {
        std::string fragment;
        EXPECT_EQ(extract_fragment(bad.text, fragment), bad.extracts) << bad.text;
        std::string text = bad.text;
        EXPECT_FALSE(replace_fragment(text, "new")) << bad.text;
        EXPECT_EQ(text, bad.text);
    }
}

TEST(html_format, knows_the_seven_field_names_in_any_case)
{
    for (const char* name : {"Version", "starthtml", "ENDHTML", "StartFragment", "endfragment", "StartSelection", "EndSelection"})
        EXPECT_TRUE(is_html_format_field(name)) << name;
    for (const char* name : {"SourceURL", "", "End", "StartFragments"})
        EXPECT_FALSE(is_html_format_field(name)) << name;
}

}
}
