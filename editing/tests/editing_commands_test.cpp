#include "editing/tests/document_fixture.h"

#include "core/markup/html_tag.h"
#include "core/vocab/object_kinds.h"

namespace editing::testing {
namespace {

using namespace html;

struct recording_target : command_target {
    std::vector<std::pair<int, value>> sent;
    hresult fail_with = S_OK;
    int fail_id = -1;
    hresult exec(std::string_view, int id, int, const value* in, value*) override
    {
        sent.emplace_back(id, in ? *in : value());
        return id == fail_id ? fail_with : S_OK;
    }
    hresult query_status(std::string_view, int, std::uint32_t& flags) override
    {
        flags = 0;
        return S_OK;
    }
};

using editing_commands = document_fixture;

TEST_F(editing_commands, font_command_sends_only_what_is_set)
{
    recording_target target;
    document_pair p {&target, nullptr};
    browser_font_command(std::string(), font_size_unset, 0).execute(p);
    EXPECT_TRUE(target.sent.empty());
    browser_font_command("Arial", 3, 0x5).execute(p);
    ASSERT_EQ(target.sent.size(), 4u);
    EXPECT_EQ(target.sent[0], (std::pair<int, value> {36, value("Arial")}));
    EXPECT_EQ(target.sent[1], (std::pair<int, value> {37, value(std::int32_t {3})}));
    EXPECT_EQ(target.sent[2].first, 28);
    EXPECT_EQ(target.sent[3].first, 57);
    target.sent.clear();
    target.fail_id = 43;
    target.fail_with = E_FAIL;
    try {
        browser_font_command("", font_size_unset, 0x7).execute(p);
        FAIL() << "a failing style command raises";
    } catch (const platform::com::com_error& e) {
        EXPECT_EQ(e.code(), E_FAIL);
    }
    EXPECT_EQ(target.sent.size(), 2u) << "the sequence stops at the failing flag";
    target.fail_id = 36;
    EXPECT_NO_THROW(browser_font_command("Bad", 2, 0).execute(p)) << "name and size failures do not raise";
    EXPECT_EQ(exec_edit_command(document_pair {}, 28, 2), E_POINTER);
}

TEST_F(editing_commands, control_selection_gives_the_parent_instead_of_a_range)
{
    load("<p id=\"p\">x<img id=\"i\" src=\"a.gif\"></p>");
    ASSERT_EQ(doc->selection()->select_control(by_id("i")), S_OK);
    EXPECT_FALSE(get_selection_text_range(pair()));
    std::shared_ptr<text_range> range;
    element_ptr parent;
    EXPECT_TRUE(get_selection_range(pair(), range, parent));
    EXPECT_FALSE(range);
    EXPECT_EQ(parent->id(), "p");
    EXPECT_TRUE(is_control_selection(pair()));
    element_ptr control;
    std::string tag;
    get_selected_control(pair(), control, tag);
    EXPECT_EQ(tag, "IMG");
}

TEST_F(editing_commands, table_cell_test_stops_at_the_body)
{
    load("<table><tr><td><b id=\"in_td\">x</b></td><th><i id=\"in_th\">y</i></th></tr></table>");
    EXPECT_TRUE(is_in_table_cell(by_id("in_td")));
    EXPECT_FALSE(is_in_table_cell(doc->body()));
    EXPECT_FALSE(is_in_table_cell(by_id("in_th")));
}

TEST_F(editing_commands, scripts_are_removed_all_or_by_name)
{
    load("<script>a()</script><p>x</p><script id=\"s2\">b()</script><script name=\"quorbis_redirection_script\">c()</script>");
    remove_scripts(pair(), std::string_view("nobody"));
    EXPECT_EQ(doc->scripts()->length(), 3);
    remove_scripts(pair());
    EXPECT_EQ(doc->scripts()->length(), 0);
    EXPECT_EQ(body_html(), "<P>x</P>");
    load("<body><p>x</p></body>");
    EXPECT_TRUE(remove_redirect_script(pair()));
    std::string outer;
    doc->body()->outer_html(outer);
    EXPECT_EQ(outer, "<BODY onload=\"\">\r\n<P>x</P></BODY>");
    load("<body onload=\"go()\"><script name=\"quorbis_redirection_script\">c()</script></body>");
    EXPECT_TRUE(remove_redirect_script(pair()));
    doc->body()->outer_html(outer);
    EXPECT_EQ(outer, "<BODY></BODY>");
}

TEST_F(editing_commands, page_html_is_one_line_that_keeps_meaningful_breaks)
{
    load("<p>Hello\nworld</p>\n<p>two</p>\n<pre>line 1\nline 2</pre><script>\n<!--\nvar a;\n//-->\n</script>"
         "<textarea>t1\nt2</textarea><input value=\"a\nb\">");
    std::string page;
    ASSERT_TRUE(get_page_html(pair(), page));
    EXPECT_EQ(page, "<HTML><BODY><P>Hello world</P><P>two</P><PRE>line 1\nline 2</PRE><SCRIPT>\n<!--\nvar a;\n//-->\n</SCRIPT>"
                    "<TEXTAREA>t1\nt2</TEXTAREA><INPUT value=\"a\nb\"></BODY></HTML>");
    EXPECT_FALSE(get_page_html(document_pair {}, page));
}

TEST_F(editing_commands, object_ids_are_read_with_the_one_id_parser)
{
    load("<img id=\"none\"><img id=\"a\" quorbis_id=\"Picture12\"><img id=\"b\" quorbis_id=\"thing3\">"
         "<img id=\"c\" quorbis_id=\"picture99999999999\"><img id=\"d\" quorbis_id=\"MAILTO5\">"
         "<img id=\"e\" quorbis_id=\"clickto\">");
    int kind = -1, number = -1;
    EXPECT_FALSE(read_object_id(by_id("none"), kind, number));
    EXPECT_EQ(kind, 7);
    EXPECT_EQ(number, 0);
    const struct {
        const char* id;
        int kind;
        int number;
    } rows[] = {{"a", 0, 12}, {"b", 7, 3}, {"c", 7, 0}, {"d", 5, 5}, {"e", 7, 0}};
    for (const auto& row : rows) {
        EXPECT_TRUE(read_object_id(by_id(row.id), kind, number)) << row.id;
        EXPECT_EQ(kind, row.kind) << row.id;
        EXPECT_EQ(number, row.number) << row.id;
        value stored;
        ASSERT_EQ(by_id(row.id)->get_attribute("quorbis_id", stored), S_OK);
        const core::object_id core_id = core::parse_object_id(stored.to_text());
        EXPECT_EQ(kind, core_id.kind) << row.id;
        EXPECT_EQ(number, core_id.number) << row.id;
    }
}

TEST_F(editing_commands, marker_comments_are_those_whose_whole_text_is_the_marker)
{
    load("<img id=\"a\">");
    const std::pair<const char*, int> comments[] = {
        {"--Quorbis-object-start--", 1},
        {"--Quorbis-object-end--", 2},
        {"-- Quorbis-object-start --", 1},
        {"--\r\nquorbis-OBJECT-end\t--", 2},
        {"-- other --", 0},
        {"-- the Quorbis-object-start marker opens an object --", 0},
        {"--Quorbis-object-start-here--", 0},
        {"-- Quorbis-object-end Quorbis-object-start --", 0},
        {"----", 0},
    };
    for (auto& [text, expected] : comments) {
        element_ptr c;
        ASSERT_EQ(doc->markup().create_element(tag_id::comment, text, c), S_OK);
        EXPECT_EQ(classify_object_comment(c), expected) << text;
    }
    EXPECT_EQ(classify_object_comment(by_id("a")), 0);
    EXPECT_EQ(classify_object_comment(nullptr), 0);
}

TEST_F(editing_commands, only_a_tag_named_exactly_as_a_comment_is_one)
{
    const std::pair<const char*, bool> tags[] = {
        {"<!-- note -->", true}, {"<!---->", true}, {"  <!--x", true}, {"<!DOCTYPE html>", false},
        {"<A href=\"x\">", false}, {"<!-x->", false}, {"<!-", false},
    };
    for (auto& [text, expected] : tags) {
        core::CHTMLTag tag;
        tag.Parse(text, 0);
        EXPECT_EQ(is_comment_tag(tag), expected) << text;
    }
}

TEST_F(editing_commands, new_div_takes_the_range_and_drops_empty_fonts)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<p id=\"p\"><font color=\"red\"></font></p>", "<DIV></DIV>\r\n<P id=\"p\"></P>"},
        {"<p id=\"p\"><font color=\"red\"></font><font face=\"x\"></font></p>", "<DIV></DIV>\r\n<P id=\"p\"></P>"},
        {"<p id=\"p\">keep <b>this</b></p>", "<DIV>keep <B>this</B></DIV>\r\n<P id=\"p\"></P>"},
    };
    for (auto& [page, expected] : cases) {
        load(page);
        auto& m = doc->markup();
        auto at = m.create_pointer(), s = m.create_pointer(), e = m.create_pointer();
        s->move_adjacent_to_element(by_id("p"), adjacency::after_begin);
        e->move_adjacent_to_element(by_id("p"), adjacency::before_end);
        at->move_adjacent_to_element(by_id("p"), adjacency::before_begin);
        element_ptr div;
        move_range_into_new_div(pair(), *at, *s, *e, div);
        ASSERT_TRUE(div);
        EXPECT_EQ(body_html(), expected) << page;
    }
}

TEST_F(editing_commands, edit_style_goes_before_the_body)
{
    load("<html><head><title>t</title></head><body><p>x</p></body></html>");
    EXPECT_FALSE(has_edit_style(pair()));
    add_edit_style(pair());
    EXPECT_TRUE(has_edit_style(pair()));
    // Attributes are written in the order the markup tokenizer reads them in.
    EXPECT_NE(doc->html().find("</HEAD>\r\n<STYLE title=\"Quorbis_EDIT_style\" type=\"text/css\"><!--\r\nOBJECT {border: 1 solid}\r\n--></STYLE>\r\n<BODY>"),
        std::string::npos) << doc->html();
}

TEST_F(editing_commands, selection_queries_find_objects_and_the_active_body)
{
    load("<object id=\"o\" classid=\"x\"><param name=\"a\" value=\"b\"><span id=\"s\">in</span></object><p id=\"p\">out</p>"
         "<bgsound src=\"s.wav\"><input type=\"Submit\">");
    auto range = doc->selection()->create_range();
    range->move_to_element_text(by_id("s"));
    range->select();
    ASSERT_TRUE(find_selected_object(pair()));
    EXPECT_EQ(find_selected_object(pair())->id(), "o");
    range->move_to_element_text(by_id("p"));
    range->select();
    EXPECT_FALSE(find_selected_object(pair()));
    EXPECT_TRUE(is_body_active(pair()));
    EXPECT_FALSE(is_non_body_element_active(pair()));
    by_id("p")->focus();
    EXPECT_TRUE(is_non_body_element_active(pair()));
    EXPECT_TRUE(form_has_submit_button(pair()));
    EXPECT_TRUE(object_name_exists(pair(), "o"));
    EXPECT_TRUE(element_name_exists(pair(), "p"));
    EXPECT_TRUE(remove_bgsound(pair()));
    EXPECT_FALSE(remove_bgsound(pair()));
    EXPECT_EQ(get_edit_document(pair()), doc.get());
    EXPECT_EQ(get_edit_document(document_pair {}), nullptr);
    set_body_color(pair(), "#00FF00");
    EXPECT_EQ(doc->body()->style()->get("color"), "#00FF00");
}

}
}
