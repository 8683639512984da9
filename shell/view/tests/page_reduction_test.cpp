#include "shell/view/page_reduction.h"

#include "core/markup/ascii.h"
#include "core/markup/copying_callback.h"
#include "core/markup/page_charset.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace shell {
namespace {

struct page_case {
    const char* page;
    bool unchanged;
};

TEST(page_reduction, a_new_message_is_unchanged_while_its_page_shows_nothing)
{
    const page_case cases[] = {
        {"", true},
        {"<html></html>", true},
        {"<!DOCTYPE html><html><head><style>p { color: red }</style></head></html>", true},
        {"<html><head><meta name=x content=y></head></html>", true},
        {"<html><body bgcolor=#FFFFFF>&nbsp;</body></html>", true},
        {"<html><body><font>\r\n\t </font></body></html>", true},
        {"<html><body><!-- a note --></body></html>", true},
        {"<html><body><p></p></body></html>", false},
        {"<html><body><img src=a.gif></body></html>", false},
        {"<html><head><title>t</title></head></html>", false},
        {"<html><body>word</body></html>", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(is_written_page_unchanged(c.page, ""), c.unchanged) << c.page;
}

TEST(page_reduction, only_a_white_background_is_empty)
{
    const page_case cases[] = {
        {"<body>", true},
        {"<body bgcolor=\"\">", true},
        {"<body bgcolor=#ffffff>", true},
        {"<body bgcolor='#FfFfFf'>", true},
        {"<body bgcolor=\"#FFFFFF\">", true},
        {"<body text=red bgcolor=\"#ffffff\">", true},
        {"<body bgcolor=#fffffe>", false},
        {"<body bgcolor=white>", false},
        {"<body bgcolor=\"#ffffff \">", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(page_shows_nothing(c.page), c.unchanged) << c.page;
}

struct pair_case {
    const char* stored;
    const char* written;
    bool equal;
};

TEST(page_reduction, pages_that_differ_only_in_what_the_editor_rewrites_reduce_alike)
{
    const pair_case cases[] = {
        {"<html><body><p>a b</p></body></html>", "<HTML><BODY><P>  a b\t</P></BODY></HTML>", true},
        {"<body><p>a&nbsp;b</p></body>", "<body><p>a b</p></body>", true},
        {"<body><p>Brand&reg;</p></body>", "<body><p>Brand</p></body>", true},
        {"<body><p ALIGN=center>x</p></body>", "<body><p align=center>x</p></body>", true},
        {"<body><ul><li>one<li>two</ul></body>", "<body><ul><li>one</li><li>two</li></ul></body>", true},
        {"<body><table><tr><td>c</td></tr></table></body>", "<body><table><tbody><tr><td>c</table></body>", true},
        {"<body><form action=x><p>f</p></form></body>", "<body><p>f</p></body>", true},
        {"<body text=red onload=go()><p>x</p></body>", "<body link=blue><p>x</p></body>", true},
        {"<body bgcolor=#ff0000><p>x</p></body>", "<body bgcolor=#00ff00><p>x</p></body>", false},
        {"<body><p>one</p></body>", "<body><p>two</p></body>", false},
        {"<body><p>a\r\nb</p></body>", "<body><p>a b</p></body>", false},
        {"<body><p>a</p></body>", "<body><p>a</p><p>b</p></body>", false},
        {"<body><img src=a.gif></body>", "<body><img src=b.gif></body>", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reduce_page(c.stored) == reduce_page(c.written), c.equal) << c.stored << " / " << c.written;
}

TEST(page_reduction, the_body_core_is_written_in_canonical_form)
{
    EXPECT_EQ(reduce_page("<html><head><title>t</title></head><body TEXT=red><P Class=\"A\r\nB\">x</P>"
                          "<br><quorbis-Tag Quorbis_Id=picture1>y</quorbis-tag></body></html>"),
        "<BODY bgcolor><P class=\"AB\">x<BR><QUORBIS-TAG quorbis_id=picture1>y</QUORBIS-TAG></HTML>");
}

TEST(page_reduction, a_stored_page_matches_the_written_one_laid_out_or_as_written)
{
    const pair_case cases[] = {
        {"<html><body><p>same</p></body></html>", "<html><body><p>same</p></body></html>", true},
        {"<html><body><p>same</p>\r\n</body></html>", "<html><body><p>same</p></body></html>", false},
        {"<html><body><pre>a\nb</pre></body></html>", "<html><body><pre>a\nb</pre></body></html>", true},
        {"<html><body><p>same</p></body></html>", "<html><body><p>other</p></body></html>", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(is_written_page_unchanged(c.written, c.stored), c.equal) << c.stored << " / " << c.written;
    const std::string written = "<html><body><h1>Title</h1><p>one</p><div>two</div></body></html>";
    EXPECT_TRUE(is_written_page_unchanged(written, core::break_html_lines(written, true, true, "", "\r\n")));
}

// Real pages: each is unchanged against itself as stored, and a word added to its body is a
// change.
TEST(page_reduction, real_pages_are_unchanged_against_themselves_and_changed_by_a_word)
{
    const std::filesystem::path folder = TALVERIN_HTML_CORPUS;
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "no corpus at " << folder << " (set TALVERIN_HTML_CORPUS)";
    int read = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const auto extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".html" && extension != ".htm"))
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        const std::string page = core::decode_page_bytes(bytes.str());
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(is_written_page_unchanged(page, page)) << name;
        const auto body_end = core::find_ignoring_case(page, "</body>");
        if (body_end == std::string::npos)
            continue;
        std::string edited = page;
        edited.insert(body_end, "<p>an added word</p>");
        EXPECT_FALSE(is_written_page_unchanged(edited, page)) << name;
        ++read;
    }
    EXPECT_GT(read, 0);
}

}
}
