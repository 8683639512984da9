#include "editing/document/anchor_keys.h"
#include "editing/document/block_keys.h"
#include "editing/document/key_dispatch.h"
#include "editing/tests/document_fixture.h"

namespace editing::testing {
namespace {

using namespace html;

struct key_fixture : document_fixture {
    void caret(const std::string& id, adjacency where)
    {
        auto at = doc->markup().create_pointer();
        ASSERT_EQ(at->move_adjacent_to_element(by_id(id), where), S_OK) << id;
        place(*at);
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
    void place(const markup_pointer& at)
    {
        auto range = doc->selection()->create_range();
        ASSERT_EQ(doc->markup().move_range_to_pointers(at, at, *range), S_OK);
        ASSERT_EQ(range->select(), S_OK);
    }
    std::string selected_text()
    {
        auto range = get_selection_text_range(pair());
        std::string text;
        if (range)
            range->text(text);
        return text;
    }
    // Types a letter where the caret now is, as the component would.
    void type(std::string_view text) { doc->input().type_text(text); }
};

using anchor_keys = key_fixture;

TEST_F(anchor_keys, a_named_anchor_is_one_unit)
{
    const char* page = "<p id=\"p\"><span id=\"x\">x</span><a id=\"n\" name=\"mark\"><font id=\"f\">in</font></a><span id=\"y\">y</span></p>";
    struct row {
        const char* name;
        std::string id;
        adjacency where;
        int key;
        bool handled;
        const char* body; // after the key, and "Z" typed for other keys
    };
    const row rows[] = {
        {"left after it", "n", adjacency::after_end, 37, true, nullptr},
        {"right before it", "n", adjacency::before_begin, 39, true, nullptr},
        {"delete before it", "n", adjacency::before_begin, 46, true,
            "<P id=\"p\"><SPAN id=\"x\">x</SPAN><SPAN id=\"y\">y</SPAN></P>"},
        {"backspace after it", "n", adjacency::after_end, 8, true,
            "<P id=\"p\"><SPAN id=\"x\">x</SPAN><SPAN id=\"y\">y</SPAN></P>"},
        {"a letter inside its FONT", "f", adjacency::after_begin, 65, false,
            "<P id=\"p\"><SPAN id=\"x\">x</SPAN>Z<A id=\"n\" name=\"mark\"><FONT id=\"f\">in</FONT></A><SPAN id=\"y\">y</SPAN></P>"},
        {"shift alone leaves the caret", "f", adjacency::after_begin, 16, false,
            "<P id=\"p\"><SPAN id=\"x\">x</SPAN><A id=\"n\" name=\"mark\"><FONT id=\"f\">Zin</FONT></A><SPAN id=\"y\">y</SPAN></P>"},
    };
    for (const row& r : rows) {
        load(page);
        caret(r.id, r.where);
        EXPECT_EQ(on_key_down(pair(), r.key), r.handled) << r.name;
        if (r.key == 37 || r.key == 39) {
            auto expected = doc->markup().create_pointer();
            expected->move_adjacent_to_element(by_id("n"), r.key == 37 ? adjacency::before_begin : adjacency::after_end);
            auto range = get_selection_text_range(pair());
            auto at = doc->markup().create_pointer();
            auto end = doc->markup().create_pointer();
            doc->markup().move_pointers_to_range(*range, *at, *end);
            bool equal = false;
            at->is_equal_to(*expected, equal);
            EXPECT_TRUE(equal) << r.name;
            continue;
        }
        if (!r.handled)
            type("Z");
        EXPECT_EQ(body_html(), r.body) << r.name;
    }
}

TEST_F(anchor_keys, links_without_a_name_and_plain_text_are_left_alone)
{
    load("<p><a id=\"l\" href=\"x.htm\">link</a> text</p>");
    caret_in_text("l", 1);
    auto range = get_selection_text_range(pair());
    range->move_end("character", 2);
    range->select();
    EXPECT_FALSE(on_key_down(pair(), 46));
    EXPECT_EQ(selected_text(), "in") << "the selection stays for the component";
    doc->input().key_down(46);
    EXPECT_EQ(body_html(), "<P><A href=\"x.htm\" id=\"l\">lk</A> text</P>") << "two characters go, no more";
    caret_in_text("l", 1);
    EXPECT_FALSE(on_key_down(pair(), 39));
    load("<p id=\"p\">plain</p>");
    caret_in_text("p", 2);
    EXPECT_FALSE(on_key_down(pair(), 46));
    EXPECT_FALSE(on_key_down(document_pair {}, 46));
}

TEST_F(anchor_keys, shift_and_shift_arrows_at_a_bookmark_leave_the_selection_to_grow)
{
    load("<p id=\"p\">ab<a id=\"n\" name=\"m\">c</a>de</p>");
    caret_in_text("p", 1);
    auto range = get_selection_text_range(pair());
    ASSERT_EQ(range->move_end("character", 2), S_OK);
    ASSERT_EQ(range->select(), S_OK);
    ASSERT_EQ(selected_text(), "bc");
    EXPECT_FALSE(on_key_down(pair(), 16, true));
    EXPECT_FALSE(on_key_down(pair(), 39, true));
    EXPECT_FALSE(on_key_down(pair(), 37, true));
    EXPECT_EQ(selected_text(), "bc") << "neither Shift nor Shift+arrow collapses the selection";
    caret("n", adjacency::before_begin);
    EXPECT_FALSE(on_key_down(pair(), 39, true));
    EXPECT_TRUE(on_key_down(pair(), 39));
}

using block_keys = key_fixture;

constexpr const char* picture_page = "<p id=\"p\"><span id=\"a\">a</span><!--Quorbis-object-start--><img id=\"i\" src=\"p.gif\">"
                                     "<!--Quorbis-object-end--><span id=\"b\">b</span></p>";

TEST_F(block_keys, delete_and_backspace_at_an_object_edge_select_it_first)
{
    load(picture_page);
    caret("b", adjacency::before_begin);
    ASSERT_TRUE(on_delete_key(pair(), true));
    EXPECT_EQ(doc->selection()->type(), "Text");
    EXPECT_FALSE(on_delete_key(pair(), true)) << "a selection is the component's to delete";
    doc->input().key_down(8);
    EXPECT_EQ(body_html(), "<P id=\"p\"><SPAN id=\"a\">a</SPAN><SPAN id=\"b\">b</SPAN></P>");

    load(picture_page);
    caret("a", adjacency::after_end);
    EXPECT_TRUE(on_delete_key(pair(), false));
    doc->input().key_down(46);
    EXPECT_EQ(body_html(), "<P id=\"p\"><SPAN id=\"a\">a</SPAN><SPAN id=\"b\">b</SPAN></P>");

    load("<p id=\"p\">ab<!--Quorbis-object-start--><a id=\"l\" href=\"x\">link</a><!--Quorbis-object-end--></p>");
    caret_in_text("l", 1);
    EXPECT_FALSE(on_delete_key(pair(), false)) << "inside the link text the step stays inside";
}

TEST_F(block_keys, backspace_after_an_orphan_end_marker_selects_nothing)
{
    load("<p id=\"p\">head<!--Quorbis-object-end--><span id=\"b\">b</span></p>");
    caret("b", adjacency::before_begin);
    EXPECT_FALSE(on_delete_key(pair(), true));
    EXPECT_EQ(doc->selection()->type(), "None");
}

TEST_F(block_keys, enter_splits_blocks_into_divs)
{
    struct row {
        const char* name;
        const char* page;
        long at;
        const char* body;
    };
    const row rows[] = {
        {"end of an aligned DIV", "<div id=\"d\" align=\"center\">ab</div>", 2,
            "<DIV align=\"center\" id=\"d\">ab</DIV>\r\n<DIV align=\"center\">Z</DIV>"},
        {"middle of a P", "<p id=\"d\">ab</p>", 1, "<P id=\"d\">\r\n<DIV>a</DIV>\r\n<DIV>Zb</DIV></P>"},
    };
    for (const row& r : rows) {
        load(r.page);
        caret_in_text("d", r.at);
        on_enter_in_block(pair());
        type("Z");
        EXPECT_EQ(body_html(), r.body) << r.name;
    }
    load("<p id=\"d\">ab</p>");
    caret_in_text("d", 1);
    EXPECT_FALSE(is_selection_in_div(pair()));
    insert_line_break(pair());
    type("Z");
    EXPECT_EQ(body_html(), "<P id=\"d\">a<BR>Zb</P>");
}

TEST_F(block_keys, single_spacing_switches_the_block_and_keeps_the_body)
{
    load("<p id=\"d\">ab</p>");
    caret_in_text("d", 1);
    convert_enclosing_block(pair(), true);
    EXPECT_EQ(body_html(), "<DIV>ab</DIV>");
    EXPECT_TRUE(is_selection_in_div(pair()));
    convert_enclosing_block(pair(), true);
    EXPECT_EQ(body_html(), "<DIV>ab</DIV>");
    convert_enclosing_block(pair(), false);
    EXPECT_EQ(body_html(), "<P>ab</P>");
    load("ab");
    auto range = doc->selection()->create_range();
    range->move_to_element_text(doc->body());
    range->collapse(true);
    range->select();
    convert_enclosing_block(pair(), false);
    EXPECT_EQ(body_html(), "<P>ab</P>") << "the BODY's content wrapped, the BODY kept";
}

using key_dispatch = key_fixture;

TEST_F(key_dispatch, keys_reach_their_handler_by_message_kind)
{
    struct row {
        const char* name;
        const char* page;
        message_kind kind;
        int key;
        bool ctrl;
        bool shift;
        bool focus_field;
        bool cancelled;
        bool pasted;
        const char* body; // after the key and "Z" typed; null: unchanged
    };
    const char* in_p = "<p id=\"d\">ab</p>";
    const char* in_div = "<div id=\"d\">ab</div>";
    const char* with_field = "<p id=\"d\">ab</p><input id=\"f\" type=\"text\">";
    const row rows[] = {
        {"Ctrl+V", in_p, message_kind::html, 86, true, false, false, true, true, nullptr},
        {"Shift+Insert", in_p, message_kind::other, 45, false, true, false, true, true, nullptr},
        {"Enter in a P", in_p, message_kind::html, 13, false, false, false, false, false, nullptr},
        {"Enter in a DIV", in_div, message_kind::html, 13, false, false, false, true, false, "<DIV id=\"d\">a</DIV>\r\n<DIV>Zb</DIV>"},
        {"Enter in a lite P", in_p, message_kind::html_lite, 13, false, false, false, true, false,
            "<P id=\"d\">\r\n<DIV>a</DIV>\r\n<DIV>Zb</DIV></P>"},
        {"Enter in text", in_p, message_kind::other, 13, false, false, false, true, false, "<P id=\"d\">a<BR>Zb</P>"},
        {"Enter in a form field", with_field, message_kind::other, 13, false, false, true, false, false, nullptr},
        {"Delete in text", in_p, message_kind::other, 46, false, false, false, false, false, nullptr},
        {"a letter", in_p, message_kind::html, 65, false, false, false, false, false, nullptr},
    };
    for (const row& r : rows) {
        load(r.page);
        caret_in_text("d", 1);
        if (r.focus_field)
            ASSERT_EQ(by_id("f")->focus(), S_OK) << r.name;
        const std::string before = body_html();
        bool pasted = false;
        EXPECT_EQ(dispatch_key_down(pair(), r.kind, r.key, r.ctrl, r.shift, [&] { pasted = true; }), r.cancelled) << r.name;
        EXPECT_EQ(pasted, r.pasted) << r.name;
        if (!r.body) {
            EXPECT_EQ(body_html(), before) << r.name;
            continue;
        }
        type("Z");
        EXPECT_EQ(body_html(), r.body) << r.name;
    }
}

TEST_F(key_dispatch, a_selected_control_takes_no_key_but_enter_outside_html)
{
    load("<p id=\"d\">a<img id=\"i\" src=\"p.gif\"></p>");
    ASSERT_EQ(doc->selection()->select_control(by_id("i")), S_OK);
    EXPECT_FALSE(dispatch_key_down(pair(), message_kind::html, 13, false, false, nullptr));
    EXPECT_TRUE(dispatch_key_down(pair(), message_kind::html_lite, 13, false, false, nullptr));
    EXPECT_FALSE(dispatch_key_down(pair(), message_kind::html, 8, false, false, nullptr));
    EXPECT_EQ(body_html(), "<P id=\"d\">a<IMG id=\"i\" src=\"p.gif\"></P>");
}

}
}
