#include "conversion/text_import/linkifier.h"
#include "conversion/text_import/text_to_html.h"
#include "tag_collector.h"

#include "platform/testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using conversion::page_style;
using conversion::text_to_html;

const std::string page_end = "</body></html>\n";

page_style twelve_points()
{
    return {"", 12, conversion::default_font_sizes()};
}

std::string page_of(std::string_view text)
{
    return text_to_html(text, twelve_points());
}

std::string body_of(std::string_view text)
{
    const std::string head = "<html><body>\n<font size='3'>";
    auto page = page_of(text);
    EXPECT_EQ(page.substr(0, head.size()), head);
    EXPECT_EQ(page.substr(page.size() - page_end.size()), page_end);
    return page.substr(head.size(), page.size() - head.size() - page_end.size());
}

TEST(text_to_html, LinesKeepTheirLook)
{
    const struct {
        const char* text;
        const char* body;
    } cases[] = {
        {"a   b", " a &nbsp;&nbsp;b "},
        {"a\tb", " a&nbsp;&nbsp;&nbsp;b "},
        {"a\t b", " a&nbsp;&nbsp;&nbsp;&nbsp;b "},
        {"a\nb", " a <br>\n b "},
        {"a\n\nb", " a \n<p> b "},
        {"a\n \t\nb", " a \n<p> b "},
        {"\na", "\n<p> a "},
        {"<&>", " &lt;&amp;&gt; "},
        {"&amp; x", " &amp;amp; x "},
        {"", ""},
        {"a\n", " a "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(body_of(c.text), c.body);
    }
}

TEST(text_to_html, LineEndsAndByteOrderMarkDoNotShow)
{
    EXPECT_EQ(page_of("one\r\ntwo\r\n\r\nthree"), page_of("one\ntwo\n\nthree\n"));
    EXPECT_EQ(page_of("\xEF\xBB\xBF" "a"), page_of("a"));
    EXPECT_EQ(body_of("a\rb\n"), " a\rb ");
    EXPECT_EQ(body_of("caf\xC3\xA9"), " caf\xC3\xA9 ");
}

TEST(text_to_html, FontFaceAndSizeFromTheStyle)
{
    page_style style {"O'Hara Sans", 12, conversion::default_font_sizes()};
    EXPECT_EQ(text_to_html("", style), "<html><body>\n<font face='O&#39;Hara Sans' size='3'></body></html>\n");
    const auto tags = vocabulary_testing::tags_of(text_to_html("x", style));
    ASSERT_EQ(tags.size(), 3u);
    EXPECT_EQ(vocabulary_testing::attribute_names(tags[2]), (std::vector<std::string> {"face", "size"}));

    const auto sizes = conversion::default_font_sizes();
    EXPECT_EQ(conversion::font_size_position(12, sizes), 3);
    EXPECT_EQ(conversion::font_size_position(9, sizes), 1);  // 8 and 10 as near: the first
    EXPECT_EQ(conversion::font_size_position(1, sizes), 2);  // "10" begins with "1"
    EXPECT_EQ(conversion::font_size_position(36, sizes), 7);
    EXPECT_EQ(conversion::font_size_position(500, sizes), 0);
    EXPECT_EQ(conversion::font_size_position(12, {}), 0);
}

TEST(text_to_html, FileFormReportsWhatFailed)
{
    platform::testing::temporary_folder root;
    const auto source = root.file("note.txt");
    const auto target = root.file("note.htm");
    std::ofstream(source, std::ios::binary) << "a\r\nwww.x.com\r\n";

    auto done = text_to_html(source, target, twelve_points());
    ASSERT_TRUE(done.ok) << done.reason;
    std::ifstream written(target, std::ios::binary);
    std::stringstream page;
    page << written.rdbuf();
    EXPECT_EQ(page.str(), page_of("a\nwww.x.com\n"));

    auto missing = text_to_html(root.file("missing.txt"), target, twelve_points());
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.reason.find("missing.txt"), std::string::npos);

    auto unwritable = text_to_html(source, root.file("no/such/folder/x.htm"), twelve_points());
    EXPECT_FALSE(unwritable.ok);
    EXPECT_NE(unwritable.reason.find("x.htm"), std::string::npos);
}

std::string linkified(const std::string& words)
{
    std::istringstream stream(words);
    return conversion::linkify_word(stream);
}

TEST(text_to_html, WordsThatAreAddressesBecomeLinks)
{
    const struct {
        const char* words;
        const char* result;
    } cases[] = {
        {"(a@b.com)", "(<a href=\"mailto:a@b.com\">a@b.com</a>)"},
        {"a@b.com", "<a href=\"mailto:a@b.com\">a@b.com</a>"},
        {"www.x.com)", "<a href=\"http://www.x.com\">www.x.com</a>)"},
        {"http://x.org/a?b=1&amp;c=2", "<a href=\"http://x.org/a?b=1&amp;c=2\">http://x.org/a?b=1&amp;c=2</a>"},
        {"gopher://g.org", "<a href=\"gopher://g.org\">gopher://g.org</a>"},
        {"Http://x", "Http://x"},
        {"ftp:", "ftp:"},
        {"http://", "http://"},
        {"mailto: a@b.com", "<a href=\"mailto:a@b.com\">mailto:a@b.com</a>"},
        {"MAILTO: a@b.com", "MAILTO: a@b.com"},
        {"mailto: x", "mailto: x"},
        {"mailto:@x", "mailto:@x"},
        {"mailto:", "mailto:"},
        {"a@b@c.com", "a@b@c.com"},
        {"http://u@h.com/", "<a href=\"http://u@h.com/\">http://u@h.com/</a>"},
        {"news://x.org", "news://x.org"},
        {"abc", "abc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words);
        EXPECT_EQ(linkified(c.words), c.result);
    }
}

TEST(text_to_html, AQuoteInALinkedWordStaysInsideTheAddress)
{
    const auto link = linkified("http://x/\"onmouseover=\"y");
    EXPECT_EQ(link, "<a href=\"http://x/&quot;onmouseover=&quot;y\">http://x/\"onmouseover=\"y</a>");
    const auto tags = vocabulary_testing::tags_of(link);
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(vocabulary_testing::attribute_names(tags[0]), std::vector<std::string> {"href"});
}

TEST(text_to_html, LinkTargetsOfWords)
{
    std::string word = "www.a.com";
    EXPECT_TRUE(conversion::link_word_target(word));
    EXPECT_EQ(word, "http://www.a.com");
    word = "mailto:a@b.com";
    EXPECT_TRUE(conversion::link_word_target(word));
    EXPECT_EQ(word, "mailto:a@b.com");
    word = "(x@y.z";
    EXPECT_TRUE(conversion::link_word_target(word));
    EXPECT_EQ(word, "(mailto:x@y.z");
    word = "zebra.com";
    EXPECT_FALSE(conversion::link_word_target(word));
    EXPECT_EQ(word, "zebra.com");
}

TEST(text_to_html, LinesLinkTheirAddresses)
{
    EXPECT_EQ(body_of("see www.x.com, or mail (a@b.com)"),
        " see <a href=\"http://www.x.com,\">www.x.com,</a> or mail (<a href=\"mailto:a@b.com\">a@b.com</a>) ");
}

}
