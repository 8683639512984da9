#include "editing/document/marked_objects.h"
#include "editing/tests/document_fixture.h"

namespace editing::testing {
namespace {

using namespace html;

// A place by an element: the element (by id, or "!n" for the n-th comment) and the side.
struct place {
    std::string element;
    adjacency where;
};

struct marked_fixture : document_fixture {
    element_ptr element(const std::string& name)
    {
        if (name.rfind("!", 0) == 0)
            return doc->body()->all()->tags("!")->item(std::stol(name.substr(1)));
        return by_id(name);
    }
    pointer_ptr pointer_at(const place& p)
    {
        auto at = doc->markup().create_pointer();
        EXPECT_EQ(at->move_adjacent_to_element(element(p.element), p.where), S_OK) << p.element;
        return at;
    }
    void caret(const place& p)
    {
        auto at = pointer_at(p);
        auto range = doc->selection()->create_range();
        ASSERT_EQ(doc->markup().move_range_to_pointers(*at, *at, *range), S_OK);
        ASSERT_EQ(range->select(), S_OK);
    }
    void caret_in_text(const std::string& id, long characters)
    {
        auto range = doc->selection()->create_range();
        ASSERT_EQ(range->move_to_element_text(by_id(id)), S_OK);
        range->collapse(true);
        range->move_start("character", characters);
        range->collapse(true);
        ASSERT_EQ(range->select(), S_OK);
    }
    bool same_place(const pointer_ptr& a, const place& p)
    {
        bool equal = false;
        return a && a->is_equal_to(*pointer_at(p), equal) == S_OK && equal;
    }
};

// ab [S img E] cd [S a E] ef OBJECT gh E(orphan) ij
constexpr const char* objects_page =
    "<p id=\"p\">ab<!--Quorbis-object-start--><img id=\"i\" src=\"p.gif\" quorbis_id=\"picture1\"><!--Quorbis-object-end-->"
    "<span id=\"cd\">cd</span><!--Quorbis-object-start--><a id=\"l\" href=\"x.htm\" quorbis_id=\"hyperlink2\">link</a>"
    "<!--Quorbis-object-end--><span id=\"ef\">ef</span><object id=\"o\" quorbis_id=\"flashfile3\"><param name=\"Movie\" value=\"m.swf\"></object>"
    "<span id=\"gh\">gh</span><!--Quorbis-object-end-->ij</p>";

using marked_objects = marked_fixture;

TEST_F(marked_objects, caret_places_tell_inside_and_the_whole_span)
{
    struct row {
        const char* name;
        place at;
        bool inside;
        place span_start;
        place span_end;
    };
    const row rows[] = {
        {"text before the picture", {"!0", adjacency::before_begin}, false, {}, {}},
        {"before the IMG", {"i", adjacency::before_begin}, true, {"!0", adjacency::before_begin}, {"!1", adjacency::after_end}},
        {"after the IMG", {"i", adjacency::after_end}, true, {"!0", adjacency::before_begin}, {"!1", adjacency::after_end}},
        {"after the end marker", {"!1", adjacency::after_end}, false, {}, {}},
        {"between start marker and A", {"l", adjacency::before_begin}, false, {}, {}},
        {"in the link text", {"l", adjacency::after_begin}, true, {"!2", adjacency::before_begin}, {"!3", adjacency::after_end}},
        {"in an OBJECT without markers", {"o", adjacency::after_begin}, true, {"o", adjacency::before_begin}, {"o", adjacency::after_end}},
        {"before an orphan end marker", {"gh", adjacency::after_end}, false, {}, {}},
        {"after the link's end marker", {"!3", adjacency::after_end}, false, {}, {}},
    };
    load(objects_page);
    for (const row& r : rows) {
        caret(r.at);
        marked_object found;
        EXPECT_EQ(find_object_at_selection(pair(), found), r.inside) << r.name;
        if (!r.inside)
            continue;
        EXPECT_TRUE(same_place(found.start, r.span_start)) << r.name;
        EXPECT_TRUE(same_place(found.end, r.span_end)) << r.name;
    }
    caret({"i", adjacency::before_begin});
    marked_object picture;
    ASSERT_TRUE(find_object_at_selection(pair(), picture));
    EXPECT_EQ(picture.image, by_id("i"));
    EXPECT_FALSE(picture.anchor);
    caret({"l", adjacency::after_begin});
    marked_object link;
    ASSERT_TRUE(find_object_at_selection(pair(), link));
    EXPECT_EQ(link.anchor, by_id("l"));
    EXPECT_EQ(get_element_object_kind(link.image, link.anchor), 4);
}

TEST_F(marked_objects, object_ids_and_kinds)
{
    load("<p><a id=\"a\" href=\"x\" quorbis_id=\"mailto7\"><img id=\"i\" src=\"p\" quorbis_id=\"picture2\"><b id=\"b\">x</b></a>"
         "<img id=\"n\" src=\"q\"></p>");
    EXPECT_EQ(get_element_object_id(by_id("i")), "picture2");
    EXPECT_EQ(get_element_object_id(nullptr), "");
    EXPECT_EQ(get_element_object_kind(by_id("i"), by_id("a")), 5) << "the anchor's id wins";
    EXPECT_EQ(get_element_object_kind(by_id("n"), nullptr), 7);
    std::string tag = "B";
    element_ptr found;
    EXPECT_EQ(find_object_element(by_id("b"), tag, found), "mailto7");
    EXPECT_EQ(found, by_id("a"));
    tag = "P";
    EXPECT_EQ(find_object_element(by_id("a")->parent(), tag, found), "");
    EXPECT_FALSE(found);
}

TEST_F(marked_objects, new_content_goes_before_or_after_the_object)
{
    struct row {
        const char* name;
        place at;
        const char* body;
    };
    const row rows[] = {
        {"at the IMG", {"i", adjacency::before_begin},
            "<P id=\"p\">a<BR><!--Quorbis-object-start--><IMG id=\"i\" src=\"p.gif\"><!--Quorbis-object-end-->b</P>"},
        {"right of the IMG", {"i", adjacency::after_end},
            "<P id=\"p\">a<!--Quorbis-object-start--><IMG id=\"i\" src=\"p.gif\"><!--Quorbis-object-end--><BR>b</P>"},
    };
    for (const row& r : rows) {
        load("<p id=\"p\">a<!--Quorbis-object-start--><img id=\"i\" src=\"p.gif\"><!--Quorbis-object-end-->b</p>");
        caret(r.at);
        EXPECT_TRUE(insert_element_at_selection(pair(), tag_id::br, false)) << r.name;
        EXPECT_EQ(body_html(), r.body) << r.name;
    }
    load("<p>x<!--Quorbis-object-start--><a id=\"l\" href=\"h\">link</a><!--Quorbis-object-end--></p>");
    caret({"l", adjacency::after_begin});
    pointer_ptr start;
    pointer_ptr end;
    ASSERT_TRUE(get_insertion_pointers(pair(), start, end));
    EXPECT_TRUE(same_place(start, {"!0", adjacency::before_begin})) << "the link text's start counts as before";
}

TEST_F(marked_objects, inserts_and_pastes_write_markers_only_when_asked)
{
    load("<p id=\"p\">one two</p>");
    caret_in_text("p", 4);
    auto range = get_selection_text_range(pair());
    range->move_end("character", 3);
    range->select();
    element_ptr made = insert_element_at_selection(pair(), tag_id::div, true);
    ASSERT_TRUE(made);
    EXPECT_EQ(body_html(), "<P id=\"p\">one <!--Quorbis-object-start--><DIV>two</DIV><!--Quorbis-object-end--></P>");

    load("<p id=\"p\">one two</p>");
    caret_in_text("p", 4);
    range = get_selection_text_range(pair());
    range->move_end("character", 3);
    range->select();
    paste_marked_html(pair(), "<b>2</b>", true);
    EXPECT_EQ(body_html(), "<P id=\"p\">one <!--Quorbis-object-start--><B>2</B><!--Quorbis-object-end--></P>");
    paste_marked_html(pair(), "<i>3</i>", false);
    EXPECT_EQ(body_html(), "<P id=\"p\">one <!--Quorbis-object-start--><B>2</B><!--Quorbis-object-end--><I>3</I></P>");
}

TEST_F(marked_objects, a_paste_that_fails_leaves_no_marker_and_a_control_selection_takes_none)
{
    load("<p>x<textarea id=\"t\">ab</textarea><img id=\"i\" src=\"p.gif\"></p>");
    const std::string before = body_html();
    caret({"t", adjacency::after_begin});
    paste_marked_html(pair(), "<b>x</b>", true);
    EXPECT_EQ(body_html(), before);
    ASSERT_EQ(doc->selection()->select_control(by_id("i")), S_OK);
    paste_marked_html(pair(), "<b>x</b>", true);
    EXPECT_EQ(body_html(), before);
}

}
}
