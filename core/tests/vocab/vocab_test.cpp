#include "../files/files_fixture.h"
#include "core/url/url_text.h"
#include "core/vocab/markup_snippets.h"
#include "core/vocab/object_kinds.h"
#include "core/vocab/object_names.h"
#include "core/vocab/pull_placeholders.h"

TEST(PullPlaceholders, FindAndNameRunToTheLastBracket)
{
    struct row {
        const char* text;
        bool found;
        int start;
        int end;
        const char* name; // the text after GetPullPlaceholderName
    } rows[] = {
        {"see [pull name=report.pdf] now", true, 4, 25, "report.pdf"},
        {"[pull name=report[1].pdf]", true, 0, 24, "report[1].pdf"},
        {"[pull name=a] and [b]", true, 0, 20, "a] and [b"},
        {"[pull name=a", false, 0, -1, "[pull name=a"},
        {"no placeholder]", false, -1, -1, "no placeholder]"},
        {"] [pull name=x", false, 2, 0, "] [pull name=x"},
        {"[pull name=]", true, 0, 11, ""},
        {"", false, -1, -1, ""},
    };
    for (const auto& r : rows) {
        int start = 99;
        int end = 99;
        EXPECT_EQ(core::FindPullPlaceholder(r.text, start, end), r.found) << r.text;
        EXPECT_EQ(start, r.start) << r.text;
        if (r.start != -1) {
            EXPECT_EQ(end, r.end) << r.text;
        }
        std::string text = r.text;
        EXPECT_EQ(core::GetPullPlaceholderName(text), r.found) << r.text;
        EXPECT_EQ(text, r.name) << r.text;
    }
}

TEST(PullPlaceholders, ExtractJoinsLineBreaksAndGuardsShortTexts)
{
    struct row {
        const char* text;
        bool keep_rest;
        bool found;
        const char* result;
    } rows[] = {
        {"x [pull name=a.pdf] y", false, true, "[pull name=a.pdf]"},
        {"x [pull name=a.pdf] y", true, true, "[pull name=a.pdf] y"},
        {"[pull \nname=a.pdf]", false, true, "[pull name=a.pdf]"},
        {"[pull \r\nname=a.pdf]", false, true, "[pull name=a.pdf]"},
        {"[pull \rname=a.pdf]", false, true, "[pull name=a.pdf]"},
        {"[pull \n  name=a.pdf] tail", true, true, "[pull name=a.pdf] tail"},
        {"[pull \nnothing]", false, false, "[pull \nnothing]"},
        {"text [pull", false, false, "text [pull"},
        {"text [pull ", false, false, "text [pull "},
        {"[pull name=a", false, false, "[pull name=a"},
        {"plain", true, false, "plain"},
    };
    for (const auto& r : rows) {
        std::string text = r.text;
        EXPECT_EQ(core::ExtractPullPlaceholder(text, r.keep_rest), r.found) << r.text;
        EXPECT_EQ(text, r.result) << r.text;
    }
}

TEST(PullPlaceholders, FileLinksAndLinkFileNames)
{
    struct link_row {
        const char* reference;
        bool file_link;
    } links[] = {
        {"pictures/[pull name=report.pdf]?x=1", false},
        {"pictures/photo.gif?x=1", true},
        {"[PULL NAME=a.pdf]", false},
        {"C:\\m\\[pull name=a.pdf]", false},
        {"[pull name=a.pdf", true},
        {"http://host/page.htm", true},
        {"", false},
    };
    for (const auto& r : links)
        EXPECT_EQ(core::IsFileLink(r.reference), r.file_link) << r.reference;

    struct name_row {
        const char* reference;
        const char* name;
    } names[] = {
        {"file:///home/u/pictures/a%20b.gif", "a b.gif"},
        {"pictures/%5Bpull%20name=report.pdf%5D", "report.pdf"},
        {"file:///C:/m/[Pull Name=x.doc]", "x.doc"},
        {"C:\\m\\photo.gif", "photo.gif"},
        {"[pull name=]", ""},
        {"[pull name=", ""},
        {"", ""},
    };
    for (const auto& r : names)
        EXPECT_EQ(core::GetLinkFileName(r.reference), r.name) << r.reference;
}

TEST(ObjectNames, KindsShareNumbersAsTheDocumentExpects)
{
    core::object_name_counters counters;
    EXPECT_EQ(core::make_new_object_name(counters, 0), "picture1");
    EXPECT_EQ(core::make_new_object_name(counters, 4), "hyperlink2");
    EXPECT_EQ(core::make_new_object_name(counters, 5), "mailto3");
    EXPECT_EQ(core::make_new_object_name(counters, 2), "pullfile1");
    EXPECT_EQ(core::make_object_name(counters, 2, 7), "pullfile7");
    EXPECT_EQ(counters.value(2), 1);
    EXPECT_EQ(core::make_object_name(counters, 3, 0), "clickto1");
    EXPECT_EQ(core::make_object_name(counters, 42, 5), "unknown5");

    counters.raise_to_at_least(0, 10);
    counters.raise_to_at_least(2, 1);
    EXPECT_EQ(core::make_new_object_name(counters, 6), "sendfriend11");
    EXPECT_EQ(core::make_new_object_name(counters, 2), "pullfile2");

    // A number found under a kind that shares kind 0's sequence lifts that sequence.
    counters.raise_to_at_least(5, 30);
    EXPECT_EQ(counters.value(0), 30);
    EXPECT_EQ(counters.value(4), 30);
    EXPECT_EQ(core::make_new_object_name(counters, 0), "picture31");

    counters.reset();
    EXPECT_EQ(core::make_new_object_name(counters, 0), "picture1");
    EXPECT_EQ(core::make_new_object_name(counters, 1), "flashfile1");
}

TEST(ObjectKinds, WordsNameKindsIgnoringCase)
{
    struct row {
        const char* word;
        core::object_kind kind;
    } rows[] = {
        {"PICTURE", core::picture}, {"Picture", core::picture}, {"picture", core::picture},
        {"pic", core::unknown}, {"pictures", core::unknown}, {"SendFriend", core::sendfriend},
        {"unknown", core::unknown}, {"", core::unknown},
    };
    for (const auto& r : rows)
        EXPECT_EQ(core::object_kind_from_name(r.word), r.kind) << r.word;
}

TEST(UrlTexts, QueriesEntitiesAndUrlPaths)
{
    EXPECT_EQ(core::DecodeEntitiesAndEscapes("a&nbsp;&lt;b&gt;&amp;lt;%253D%26x%3dy%3D"), "a <b>&lt;=&x=y=");
    EXPECT_EQ(core::StripQueryString("page.htm?a=1?b"), "page.htm");
    EXPECT_EQ(core::StripQueryString("page.htm"), "page.htm");
    std::string query = "unchanged";
    EXPECT_EQ(core::SplitQueryString("page.htm", query), "page.htm");
    EXPECT_EQ(query, "unchanged");
    EXPECT_EQ(core::SplitQueryString("page.htm?a=1", query), "page.htm");
    EXPECT_EQ(query, "a=1");

    struct row {
        const char* url;
        bool has_host;
        const char* path;
    } rows[] = {
        {"http://www.example.com/a/b.htm?x=1", true, "/a/b.htm?x=1"},
        {"http://www.example.com/a/../c/./d%41.htm", true, "/c/dA.htm"},
        {"https://host/a%20b/c d", true, "/a%20b/c%20d"},
        {"http://host", true, "/"},
        {"file:///home/u/a.htm", false, ""},
        {"pictures/a.gif", false, ""},
        {"", false, ""},
    };
    for (const auto& r : rows) {
        std::string path;
        EXPECT_EQ(core::GetUrlPath(r.url, path), r.has_host) << r.url;
        if (r.has_host) {
            EXPECT_EQ(path, r.path) << r.url;
        }
    }
}

class Snippets : public ProgramFolders { };

TEST_F(Snippets, FlashClassIdAndBookmarkAnchors)
{
    EXPECT_EQ(core::GetFlashClassId(), "clsid:D27CDB6E-AE6D-11CF-96B8-444553540000");
    auto url = "file://" + root.file("data/bookmark.bmp");
    EXPECT_EQ(core::MakeBookmarkAnchor("top"),
        "<a name=\"top\" style=\"background-image: url('" + url
            + "'); background-repeat: no-repeat; background-position: center\">&nbsp;&nbsp;&nbsp;&nbsp;</a>");
    auto quoted = core::MakeBookmarkAnchor("a\" onmouseover=\"x");
    EXPECT_EQ(quoted.substr(0, quoted.find(" style=")), "<a name=\"a&quot; onmouseover=&quot;x\"");
    auto marked = core::MakeBookmarkAnchor("Tom & <b>");
    EXPECT_EQ(marked.substr(0, marked.find(" style=")), "<a name=\"Tom &amp; &lt;b&gt;\"");
}
