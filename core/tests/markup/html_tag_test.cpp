#include "core/markup/html_tag.h"
#include "core/url/file_url.h"

#include <gtest/gtest.h>

using core::CHTMLTag;
using core::CSGMLTag;
using core::CTagAttributes;

TEST(TagModel, ParseAndGetText)
{
    struct row {
        std::string input;
        std::string name;
        std::size_t attributes;
        std::string text;
    };
    const row rows[] = {
        {"<A HREF=\"a b.htm\" target=_top>", "A", 2, "<A HREF=\"a b.htm\" target=\"_top\">"},
        {"  <IMG src=x.gif alt>rest", "IMG", 2, "<IMG src=\"x.gif\" alt>"},
        {"<A href=x >", "A", 2, "<A href=\"x\" >"},
        {"<!-- hello -->", "!--", 1, "<!--hello-->"},
        {"<A href=\"abc>", "A", 1, "<A href='\"abc>'>"},
        {"<A title='say \"hi\"'>", "A", 1, "<A title='say \"hi\"'>"},
        {"<A title=\"it's\">", "A", 1, "<A title=\"it's\">"},
        {"</A>", "/A", 0, "</A>"},
        {"<BR>", "BR", 0, "<BR>"},
        {"<a = b 'q r' c = \"d\">", "a", 4, "<a = b q r c=\"d\">"},
        {"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">", "!DOCTYPE", 3,
            "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">"},
        {"<![if !supportLists]>", "![if", 1, "<![if !supportLists]>"},
    };
    for (const auto& r : rows) {
        CHTMLTag tag;
        const std::size_t end = tag.Parse(r.input, 0);
        EXPECT_EQ(tag.GetName(), r.name) << r.input;
        EXPECT_EQ(tag.GetAttributes().GetCount(), r.attributes) << r.input;
        EXPECT_EQ(tag.GetText(), r.text) << r.input;
        EXPECT_LE(end, r.input.size());
    }
}

TEST(TagModel, ValueWithBothQuoteKindsCannotBreakOut)
{
    CHTMLTag tag;
    tag.Parse("<A>", 0);
    tag.GetAttributes().SetValue("title", "x' onclick='evil()' \"y");
    const std::string text = tag.GetText();
    EXPECT_EQ(text, "<A title=\"x' onclick='evil()' &quot;y\">");
    CHTMLTag back;
    back.Parse(text, 0);
    EXPECT_EQ(back.GetAttributes().GetCount(), 1u);
    EXPECT_FALSE(back.GetAttributes().Has("onclick"));
}

TEST(TagModel, EditedDeclarationIsWrittenFromItsParts)
{
    CHTMLTag tag;
    tag.Parse("<!DOCTYPE   html>", 0);
    EXPECT_EQ(tag.GetText(), "<!DOCTYPE   html>");
    tag.GetAttributes().SetValue("x", "1");
    EXPECT_EQ(tag.GetText(), "<!DOCTYPE html x=\"1\">");
}

TEST(TagModel, SetValueUnquotesAndReplacesInPlace)
{
    CTagAttributes attributes;
    attributes.ParseText("alt=a src=old.gif width=1>");
    attributes.SetValue("SRC", "'x.gif'");
    std::string name, value;
    attributes.GetAt(1, name, value);
    EXPECT_EQ(name, "src");
    EXPECT_EQ(value, "x.gif");
    attributes.SetValue("border", " \"0\" ");
    attributes.GetAt(3, name, value);
    EXPECT_EQ(name, "border");
    EXPECT_EQ(value, "0");
    attributes.SetValue("title", "'");
    EXPECT_TRUE(attributes.GetValue("TITLE", value));
    EXPECT_EQ(value, "'");
    EXPECT_FALSE(attributes.GetValue("missing", value));
    EXPECT_EQ(value, "");
    EXPECT_TRUE(attributes.HasValue("alt"));
    attributes.SetValue("empty", "");
    EXPECT_TRUE(attributes.Has("empty"));
    EXPECT_FALSE(attributes.HasValue("empty"));
    attributes.GetAt(99, name, value);
    EXPECT_EQ(value, "");
}

TEST(TagModel, RemoveEventHandlersTakesEveryOccurrence)
{
    CHTMLTag tag;
    tag.Parse("<A ONCLICK=a onMouseOver=b onclick=c href=x OnClick=d onfoo=e>", 0);
    tag.RemoveEventHandlers();
    EXPECT_EQ(tag.GetText(), "<A href=\"x\" onfoo=\"e\">");
    tag.GetAttributes().Remove("HREF");
    tag.GetAttributes().RemoveAt(5);
    EXPECT_EQ(tag.GetText(), "<A onfoo=\"e\">");
}

TEST(TagModel, LocalLinksBecomePaths)
{
    const std::pair<std::string, std::string> escapes[] = {
        {"%2520", "%20"}, {"a%20b%5B1%5D", "a b[1]"}, {"100%25", "100%"}, {"%5", "%5"}};
    for (const auto& [in, out] : escapes)
        EXPECT_EQ(core::DecodeUrlEscapes(in), out) << in;
    const std::pair<std::string, std::string> urls[] = {
        {"file:///x/a.gif", "/x/a.gif"},
        {"FILE:///C:/a/b.gif", "C:/a/b.gif"},
        {"file://localhost/x/a.gif", "/x/a.gif"},
        {"http://example.com/a.gif", "http://example.com/a.gif"},
        {"pictures/a.gif", "pictures/a.gif"},
    };
    for (const auto& [in, out] : urls)
        EXPECT_EQ(core::FileUrlToPath(in), out) << in;
    EXPECT_EQ(core::make_file_url("C:\\a\\b.gif"), "file://C:/a/b.gif");

    CTagAttributes attributes;
    attributes.ParseText("HREF=\"file:///x/a%2520b.htm\" src=file:///C:/p.gif Background=http://h/%20 alt=file:///y");
    attributes.DecodeLocalLinks();
    std::string value;
    attributes.GetValue("href", value);
    EXPECT_EQ(value, "/x/a%20b.htm");
    attributes.GetValue("src", value);
    EXPECT_EQ(value, "C:/p.gif");
    attributes.GetValue("background", value);
    EXPECT_EQ(value, "http://h/ ");
    attributes.GetValue("alt", value);
    EXPECT_EQ(value, "file:///y");
}

TEST(TagModel, DeclarationAccessors)
{
    struct row {
        std::string input;
        std::string name;
        std::string element;
        std::string parameter_entity;
        std::string parameter_text;
        std::string entity;
    };
    const row rows[] = {
        {"<!ENTITY % heading \"H1|H2|H3|H4|H5|H6\">", "!ENTITY %", "", "heading", "H1|H2|H3|H4|H5|H6", ""},
        {"<!ELEMENT (%heading;)  - - (%inline;)*>", "!ELEMENT", "(%heading;)", "", "", ""},
        {"<!ENTITY nbsp   CDATA \"&#160;\" -- no-break space -->", "!ENTITY", "", "", "", "nbsp"},
        {"<!ATTLIST A href CDATA #IMPLIED>", "!ATTLIST", "", "", "", ""},
    };
    for (const auto& r : rows) {
        CSGMLTag tag;
        tag.Parse(r.input.data(), 0, r.input.size());
        EXPECT_EQ(tag.GetName(), r.name) << r.input;
        EXPECT_EQ(tag.GetElementName(), r.element) << r.input;
        EXPECT_EQ(tag.GetParameterEntityName(), r.parameter_entity) << r.input;
        EXPECT_EQ(tag.GetParameterEntityText(), r.parameter_text) << r.input;
        EXPECT_EQ(tag.GetEntityName(), r.entity) << r.input;
    }
}

TEST(TagModel, MovingBetweenTags)
{
    const std::string text = "ab<c>de<f>";
    std::size_t position = 0;
    EXPECT_EQ(core::GetTextToNextTag(text, position), "ab");
    EXPECT_EQ(position, 2u);
    position = 3;
    core::SkipToNextTag(text, position, text.size() - 1);
    EXPECT_EQ(position, 7u);
    position = 3;
    core::SkipToNextTag(text, position, 5);
    EXPECT_EQ(position, 6u);
    position = 8;
    EXPECT_EQ(core::GetTextToNextTag(text, position), "f>");
    EXPECT_EQ(position, text.size());
}
