#include "editing/document/page_passes.h"
#include "editing/tests/document_fixture.h"

namespace editing::testing {
namespace {

using page_passes = document_fixture;

TEST_F(page_passes, passes_give_the_exact_markup)
{
    struct sample {
        const char* name;
        int pass; // 0 remove comments, 1 separate, 2 merge, 3 merge with the flag
        const char* page;
        const char* body;
    };
    const sample samples[] = {
        {"no comments: nothing changes", 0,
            "<p>a</p><p>b</p>",
            "<P>a</P>\r\n<P>b</P>"},
        {"comments go, their neighbours stay", 0,
            "<p>a<!--x-->b</p><!--y-->",
            "<P>ab</P>"},
        {"one paragraph between texts: a break on each side", 1,
            "before<p>para</p>after",
            "before<BR><P>para</P><BR>after"},
        {"one paragraph alone: nothing changes", 1,
            "<p>para</p>",
            "<P>para</P>"},
        {"two paragraphs: a break after the first", 1,
            "<p>one</p><p>two</p>",
            "<P>one</P><BR><P>two</P>"},
        {"text between paragraphs: a break and a space before the second", 1,
            "<p>one</p>mid<p>two</p>",
            "<P>one</P><BR>mid<BR>&nbsp;<P>two</P>"},
        {"paragraphs in cells are left alone", 1,
            "<table><tr><td><p>a</p><p>b</p></td></tr></table>",
            "<TABLE>\r\n<TR>\r\n<TD>\r\n<P>a</P>\r\n<P>b</P></TD></TR></TABLE>"},
        {"three centred neighbours become one", 2,
            "<p align=\"center\">a</p><p align=\"center\">b</p>\n<p align=\" Center \">c</p>",
            "<P align=\" Center \">a<BR>b<BR>c</P>"},
        {"left and unaligned merge", 2,
            "<p align=\"left\">a</p><p>b</p>",
            "<P>a<BR>b</P>"},
        {"left and centred stay apart", 2,
            "<p align=\"left\">a</p><p align=\"center\">b</p>",
            "<P align=\"left\">a</P>\r\n<P align=\"center\">b</P>"},
        {"with the flag a break goes before the one kept apart", 3,
            "<p align=\"left\">a</p><p align=\"center\">b</p>",
            "<P align=\"left\">a</P><BR><P align=\"center\">b</P>"},
        {"text between equal paragraphs keeps them apart", 2,
            "<p>a</p>x<p>b</p>",
            "<P>a</P>x<P>b</P>"},
    };
    for (const sample& s : samples) {
        load(s.page);
        bool ok = s.pass == 0 ? remove_all_comments(pair())
            : s.pass == 1     ? separate_paragraphs(pair())
                              : merge_aligned_paragraphs(pair(), s.pass == 3 ? 1 : 0);
        EXPECT_TRUE(ok) << s.name;
        EXPECT_EQ(body_html(), s.body) << s.name;
    }
}

TEST_F(page_passes, many_neighbours_merge_into_one)
{
    std::string page;
    for (int i = 0; i < 2000; ++i)
        page += "<p align=\"center\">" + std::to_string(i) + "</p><!--c-->";
    load(page);
    EXPECT_TRUE(remove_all_comments(pair()));
    EXPECT_TRUE(merge_aligned_paragraphs(pair(), 0));
    EXPECT_EQ(doc->all()->tags("P")->length(), 1);
    EXPECT_EQ(doc->all()->tags("BR")->length(), 1999);
}

}
}
