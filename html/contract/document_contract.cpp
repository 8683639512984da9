#include "html/contract/document_contract.h"

#include <algorithm>

namespace html::contract {

void DocumentContract::SetUp()
{
    doc = GetParam().make(host, queue, clip);
    host.doc = doc.get();
}

void DocumentContract::load(std::string_view html)
{
    ASSERT_EQ(doc->load_bytes(html), S_OK);
    queue.run_pending();
}

std::string DocumentContract::body_html() const
{
    std::string out;
    doc->body()->inner_html(out);
    return out;
}

element_ptr DocumentContract::by_id(std::string_view id) const { return doc->all()->item(id); }

void DocumentContract::select_text(std::string_view before, std::string_view selected)
{
    std::string text;
    doc->body()->inner_text(text);
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n' || c == '\t'; });
    std::string wanted = std::string(before) + std::string(selected);
    auto at = text.find(wanted);
    ASSERT_NE(at, std::string::npos) << "no \"" << wanted << "\" in \"" << text << "\"";
    long start = static_cast<long>(at + before.size());
    long end = start + static_cast<long>(selected.size());
    auto range = doc->selection()->create_range();
    ASSERT_TRUE(range);
    ASSERT_EQ(range->move_to_element_text(doc->body()), S_OK);
    range->collapse(true);
    ASSERT_EQ(range->move_end("character", end), S_OK);
    ASSERT_EQ(range->move_start("character", start), S_OK);
    ASSERT_EQ(range->select(), S_OK);
}

hresult DocumentContract::exec(command id, const value* in)
{
    return doc->command_target().exec(edit_command_group, static_cast<int>(id), OLECMDEXECOPT_DONTPROMPTUSER, in, nullptr);
}

std::uint32_t DocumentContract::status(command id)
{
    std::uint32_t flags = 0;
    doc->command_target().query_status(edit_command_group, static_cast<int>(id), flags);
    return flags;
}

namespace {

std::string outer(const element_ptr& e)
{
    std::string out;
    e->outer_html(out);
    return out;
}

}

TEST_P(DocumentContract, ready_states_come_in_order_and_activation_once)
{
    ASSERT_EQ(doc->init_new(), S_OK);
    EXPECT_TRUE(host.states.empty()) << "states arrive through the queue, not at once";
    queue.run_pending();
    EXPECT_EQ(host.states, (std::vector<int> {1, 2, 3, 4}));
    EXPECT_EQ(host.seen_while_notified, (std::vector<int> {1, 2, 3, 4}));
    load("<p>again</p>");
    EXPECT_EQ(host.states, (std::vector<int> {1, 2, 3, 4, 1, 2, 3, 4}));
    EXPECT_EQ(host.activations, 1);
    EXPECT_EQ(doc->ready_state(), 4);
    EXPECT_FALSE(doc->is_dirty());
}

TEST_P(DocumentContract, pages_survive_a_round_trip)
{
    struct sample {
        const char* html;
        const char* expected_body; // body inner HTML after reading
    };
    const sample samples[] = {
        {"<div contenteditable=\"false\">fixed</div>", "<DIV contenteditable=\"false\">fixed</DIV>"},
        {"<bgsound src=\"a.wav\" loop=\"-1\"><p>x</p>", "<BGSOUND src=\"a.wav\" loop=\"-1\">\r\n<P>x</P>"},
        {"<embed src=\"m.swf\">after", "<EMBED src=\"m.swf\">after"},
        {"<marquee behavior=scroll>run</marquee>", "<MARQUEE behavior=\"scroll\">run</MARQUEE>"},
        {"<p>a<o:p></o:p></p>", "<P>a<O:P></O:P></P>"},
        {"<table><form action=\"x\"><tr><td>c</td></tr></form></table>",
            "<TABLE>\r\n<FORM action=\"x\">\r\n<TR>\r\n<TD>c</TD></TR></FORM></TABLE>"},
        {"<pre>line 1\nline 2</pre>", "<PRE>line 1\nline 2</PRE>"},
        {"x<script>if (a < b)\n{ go(); }</script>", "x<SCRIPT>if (a < b)\n{ go(); }</SCRIPT>"},
        {"x&nbsp<script>s()</script>", "x&nbsp;<SCRIPT>s()</SCRIPT>"},
        {"<a href=\"a?x=1&copy=2\">l</a>", "<A href=\"a?x=1&amp;copy=2\">l</A>"},
        {"<p>&#150; &#x41; &reg; &bogus; &amp</p>", "<P>\xE2\x80\x93 A &reg; &amp;bogus; &amp;</P>"},
        // Known attributes are stored in the markup tokenizer's order, the one the page writer uses.
        {"<input type=checkbox checked>", "<INPUT checked type=\"checkbox\">"},
    };
    for (const sample& s : samples) {
        load(s.html);
        std::string once = body_html();
        EXPECT_EQ(once, s.expected_body) << s.html;
        std::string page = doc->html();
        load(page);
        EXPECT_EQ(doc->html(), page) << "written page reads back byte for byte: " << s.html;
    }
    load("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\"><html><body>d</body></html>");
    EXPECT_EQ(doc->html().rfind("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\r\n<HTML>", 0), 0u) << doc->html();
}

TEST_P(DocumentContract, attributes_tell_absent_from_empty)
{
    load("<p id=\"p\" title=\"\">x</p>");
    auto p = by_id("p");
    ASSERT_TRUE(p);
    value v;
    EXPECT_EQ(p->get_attribute("title", v), S_OK);
    EXPECT_EQ(v, value(""));
    EXPECT_EQ(p->get_attribute("align", v), S_FALSE);
    EXPECT_TRUE(v.empty());
    bool removed = false;
    EXPECT_EQ(p->remove_attribute("ALIGN", removed), S_OK);
    EXPECT_FALSE(removed);
    EXPECT_EQ(p->remove_attribute("Title", removed), S_OK);
    EXPECT_TRUE(removed);
    EXPECT_EQ(p->set_attribute("Align", value("center"), attribute_keep_case), S_OK);
    // An added attribute takes its place in reading order, so the written element reads back the same.
    EXPECT_EQ(outer(p), "<P align=\"center\" id=\"p\">x</P>");
    EXPECT_TRUE(doc->is_dirty());
}

TEST_P(DocumentContract, pointer_sees_what_lies_on_each_side)
{
    load("<p id=\"p\">t<a href=\"h\">link</a><font color=red>f</font><img src=i><!--c-->end</p>");
    auto p = by_id("p");
    auto ptr = doc->markup().create_pointer();
    ASSERT_EQ(ptr->move_adjacent_to_element(p, adjacency::after_begin), S_OK);
    struct step {
        context what;
        const char* tag; // element passed, "" for none
    };
    const step rightwards[] = {
        {context::text, ""}, {context::enter_scope, "A"}, {context::text, ""}, {context::exit_scope, "A"},
        {context::enter_scope, "FONT"}, {context::text, ""}, {context::exit_scope, "FONT"},
        {context::no_scope, "IMG"}, {context::no_scope, "!"}, {context::text, ""}, {context::exit_scope, "P"},
    };
    for (const step& s : rightwards) {
        context what = context::none;
        element_ptr passed;
        ASSERT_EQ(ptr->right(true, what, &passed), S_OK);
        EXPECT_EQ(what, s.what);
        EXPECT_EQ(passed ? passed->tag_name() : std::string(), s.tag);
    }
    // From behind an element, left enters its scope.
    ASSERT_EQ(ptr->move_adjacent_to_element(by_id("p")->all()->tags("A")->item(0L), adjacency::after_end), S_OK);
    context what = context::none;
    element_ptr passed;
    ASSERT_EQ(ptr->left(false, what, &passed), S_OK);
    EXPECT_EQ(what, context::enter_scope);
    EXPECT_EQ(passed->tag_name(), "A");
    EXPECT_EQ(ptr->current_scope()->tag_name(), "P");
}

TEST_P(DocumentContract, adjacency_places_pointers_around_an_element)
{
    load("<div id=\"d\">a<b id=\"b\">bold</b>z</div>");
    auto b = by_id("b");
    auto& m = doc->markup();
    const std::pair<adjacency, const char*> cases[] = {
        {adjacency::before_begin, "<DIV id=\"d\">a#<B id=\"b\">bold</B>z</DIV>"},
        {adjacency::after_begin, "<DIV id=\"d\">a<B id=\"b\">#bold</B>z</DIV>"},
        {adjacency::before_end, "<DIV id=\"d\">a<B id=\"b\">bold#</B>z</DIV>"},
        {adjacency::after_end, "<DIV id=\"d\">a<B id=\"b\">bold</B>#z</DIV>"},
    };
    for (auto& [where, expected] : cases) {
        auto ptr = m.create_pointer();
        ASSERT_EQ(ptr->move_adjacent_to_element(b, where), S_OK);
        ASSERT_EQ(m.insert_text("#", *ptr), S_OK);
        EXPECT_EQ(body_html(), expected);
        ASSERT_EQ(exec(command::undo), S_OK);
    }
}

TEST_P(DocumentContract, gravity_decides_which_side_of_inserted_content_a_pointer_keeps)
{
    // Two pointers at one place, one of each gravity; an edit at that place; where each
    // pointer ends, shown by inserting a mark at it.
    struct sample {
        const char* name;
        std::function<void(DocumentContract&, markup_pointer&)> edit;
        const char* left_mark;
        const char* right_mark;
    };
    const sample samples[] = {
        {"insert_text", [](DocumentContract& t, markup_pointer& at) { t.doc->markup().insert_text("new", at); },
            "<P id=\"p\">ab[L]new[R]cd</P>", ""},
        {"insert_element", [](DocumentContract& t, markup_pointer& at) {
             element_ptr br;
             t.doc->markup().create_element(tag_id::br, "", br);
             t.doc->markup().insert_element(br, at, at);
         }, "<P id=\"p\">ab[L]<BR>[R]cd</P>", ""},
        {"paste_html", [](DocumentContract& t, markup_pointer& at) {
             auto r = t.doc->selection()->create_range();
             t.doc->markup().move_range_to_pointers(at, at, *r);
             r->paste_html("<i>it</i>");
         }, "<P id=\"p\">ab[L]<I>it</I>[R]cd</P>", ""},
    };
    for (const sample& s : samples) {
        load("<p id=\"p\">abcd</p>");
        auto& m = doc->markup();
        auto l = m.create_pointer();
        auto r = m.create_pointer();
        auto work = m.create_pointer();
        l->set_gravity(gravity::left);
        r->set_gravity(gravity::right);
        auto range = doc->selection()->create_range();
        range->move_to_element_text(by_id("p"));
        range->move_start("character", 2);
        range->collapse(true);
        m.move_pointers_to_range(*range, *l, *work);
        r->move_to_pointer(*l);
        work->move_to_pointer(*l);
        s.edit(*this, *work);
        m.insert_text("[R]", *r);
        m.insert_text("[L]", *l);
        EXPECT_EQ(body_html(), s.left_mark) << s.name;
    }
}

TEST_P(DocumentContract, remove_and_move_split_partly_covered_elements)
{
    load("<p id=\"p\">one <b>two three</b> four</p><p id=\"q\">five</p>");
    select_text("one t", "wo three fo");
    auto& m = doc->markup();
    auto s = m.create_pointer();
    auto e = m.create_pointer();
    auto range = doc->selection()->create_range();
    ASSERT_EQ(m.move_pointers_to_range(*range, *s, *e), S_OK);
    auto target = m.create_pointer();
    ASSERT_EQ(target->move_adjacent_to_element(by_id("q"), adjacency::after_begin), S_OK);
    ASSERT_EQ(m.move(*s, *e, *target), S_OK);
    EXPECT_EQ(body_html(), "<P id=\"p\">one <B>t</B>ur</P>\r\n<P id=\"q\"><B>wo three</B> fofive</P>");
    // A move into its own span is refused and changes nothing.
    std::string before = body_html();
    ASSERT_EQ(s->move_adjacent_to_element(by_id("q"), adjacency::after_begin), S_OK);
    ASSERT_EQ(e->move_adjacent_to_element(by_id("q"), adjacency::before_end), S_OK);
    auto inside = m.create_pointer();
    ASSERT_EQ(inside->move_adjacent_to_element(by_id("q")->all()->tags("B")->item(0L), adjacency::after_begin), S_OK);
    EXPECT_EQ(m.move(*s, *e, *inside), E_INVALIDARG);
    EXPECT_EQ(body_html(), before);
    ASSERT_EQ(m.remove(*s, *e), S_OK);
    EXPECT_EQ(body_html(), "<P id=\"p\">one <B>t</B>ur</P>\r\n<P id=\"q\"></P>");
}

TEST_P(DocumentContract, a_replaced_element_handle_stays_safe)
{
    load("<div id=\"d\" title=\"t\">in <b>x</b></div>");
    auto d = by_id("d");
    ASSERT_EQ(d->put_outer_html("<p id=\"n\">new</p>"), S_OK);
    EXPECT_EQ(body_html(), "<P id=\"n\">new</P>");
    EXPECT_EQ(d->tag_name(), "DIV");
    value v;
    EXPECT_EQ(d->get_attribute("title", v), S_OK);
    EXPECT_EQ(v, value("t"));
    std::string inner;
    EXPECT_EQ(d->inner_html(inner), S_OK);
    EXPECT_EQ(inner, "in <B>x</B>");
    EXPECT_EQ(d->insert_adjacent_html(adjacency::before_begin, "<i>no</i>"), E_UNEXPECTED);
    EXPECT_EQ(d->put_outer_html("x"), E_UNEXPECTED);
    EXPECT_EQ(doc->markup().remove_element(d), E_UNEXPECTED);
    auto ptr = doc->markup().create_pointer();
    EXPECT_EQ(ptr->move_adjacent_to_element(d, adjacency::before_begin), E_UNEXPECTED);
    EXPECT_FALSE(d->parent());
    EXPECT_EQ(body_html(), "<P id=\"n\">new</P>");
}

TEST_P(DocumentContract, collections_find_by_name_and_tag)
{
    load("<p name=\"x\" id=\"first\">1</p><!-- note --><input name=\"x\"><a name=\"m\" href=\"#\">a</a><A id=\"X\">b</A>");
    auto all = doc->all();
    EXPECT_EQ(all->item("x")->id(), "first");
    EXPECT_EQ(all->item("X")->tag_name(), "A");
    EXPECT_FALSE(all->item("nothing"));
    EXPECT_EQ(all->tags("a")->length(), 2);
    auto comments = all->tags("!");
    ASSERT_EQ(comments->length(), 1);
    EXPECT_EQ(comments->item(0L)->tag_name(), "!");
    EXPECT_EQ(outer(comments->item(0L)), "<!-- note -->");
    EXPECT_EQ(doc->anchors()->length(), 1);
    EXPECT_EQ(doc->body()->children()->length(), 5);
}

TEST_P(DocumentContract, comment_elements_carry_their_text)
{
    load("<p id=\"p\">x</p>");
    element_ptr comment;
    ASSERT_EQ(doc->markup().create_element(tag_id::comment, "--Quorbis-object-start--", comment), S_OK);
    EXPECT_EQ(comment->tag_name(), "!");
    EXPECT_EQ(outer(comment), "<!--Quorbis-object-start-->");
    auto at = doc->markup().create_pointer();
    at->move_adjacent_to_element(by_id("p"), adjacency::after_begin);
    ASSERT_EQ(doc->markup().insert_element(comment, *at, *at), S_OK);
    EXPECT_EQ(body_html(), "<P id=\"p\"><!--Quorbis-object-start-->x</P>");
    EXPECT_EQ(comment->parent()->id(), "p");
    element_ptr bare;
    ASSERT_EQ(doc->markup().create_element(tag_id::comment, "Quorbis-object-end", bare), S_OK);
    EXPECT_EQ(outer(bare), "<!--Quorbis-object-end-->");
    EXPECT_EQ(doc->markup().create_element(tag_id::comment, "a-->b", bare), E_INVALIDARG);
}

TEST_P(DocumentContract, plain_text_follows_one_definition)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<p>one</p><p>two</p>", "one\r\n\r\ntwo"},
        {"<div>a</div><div>b</div>", "a\r\nb"},
        {"a<br>b<br><br>c", "a\r\nb\r\n\r\nc"},
        {"  lots   of\n  space  ", "lots of space"},
        {"<pre>keep   this\nline</pre>", "keep   this\r\nline"},
        {"<pre>\ttab&nbsp;&nbsp;&nbsp;&nbsp;x\n\n&lt;&amp;&gt;</pre>", "\ttab    x\r\n\r\n<&>"},
        {"<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>", "a\tb\r\nc"},
        {"x<!-- hidden --><script>var s;</script><style>p{}</style>y", "xy"},
        {"a&nbsp;&nbsp;b", "a  b"},
        {"<h1>Title</h1>text", "Title\r\n\r\ntext"},
    };
    for (auto& [html, text] : cases) {
        load(html);
        std::string out;
        doc->body()->inner_text(out);
        EXPECT_EQ(out, text) << html;
    }
}

TEST_P(DocumentContract, text_ranges_extend_to_the_editable_text)
{
    load("<p>before</p><p id=\"p\">para</p>after");
    auto range = doc->selection()->create_range();
    ASSERT_EQ(range->move_to_element_text(by_id("p")), S_OK);
    std::string text;
    range->text(text);
    EXPECT_EQ(text, "para");
    EXPECT_EQ(range->parent_element()->id(), "p");
    range->collapse(true);
    ASSERT_EQ(range->move_start("textedit", -1), S_OK);
    range->text(text);
    EXPECT_EQ(text, "before");
    range->collapse(false);
    ASSERT_EQ(range->move_end("textedit", 1), S_OK);
    range->text(text);
    EXPECT_EQ(text, "para\r\n\r\nafter");
    EXPECT_EQ(doc->selection()->type(), "None");
    range->select();
    EXPECT_EQ(doc->selection()->type(), "Text");
}

TEST_P(DocumentContract, control_selection_names_its_element)
{
    load("<p id=\"p\">x<img id=\"i\" src=\"a.gif\">y</p>");
    ASSERT_EQ(doc->selection()->select_control(by_id("i")), S_OK);
    EXPECT_EQ(doc->selection()->type(), "Control");
    EXPECT_FALSE(doc->selection()->create_range());
    auto controls = doc->selection()->create_control_range();
    ASSERT_TRUE(controls);
    EXPECT_EQ(controls->length(), 1);
    EXPECT_EQ(controls->item(0)->id(), "i");
    EXPECT_EQ(controls->common_parent()->id(), "p");
}

TEST_P(DocumentContract, commands_change_the_selection_markup)
{
    struct sample {
        command id;
        const char* before;      // body
        const char* selected;    // text selected inside it (after "one ")
        value in;
        const char* after;
    };
    const sample samples[] = {
        {command::bold, "<p>one two</p>", "two", {}, "<P>one <B>two</B></P>"},
        {command::bold, "<p>one <b>two</b></p>", "tw", {}, "<P>one two</P>"},
        {command::italic, "<p>one two</p>", "two", {}, "<P>one <I>two</I></P>"},
        {command::underline, "<p>one two</p>", "two", {}, "<P>one <U>two</U></P>"},
        {command::justify_center, "<p>one two</p>", "two", {}, "<P align=\"center\">one two</P>"},
        {command::justify_right, "<p>one two</p>", "two", {}, "<P align=\"right\">one two</P>"},
        {command::justify_left, "<p align=\"center\">one two</p>", "two", {}, "<P>one two</P>"},
        {command::indent, "<p>one two</p>", "two", {}, "<BLOCKQUOTE>\r\n<P>one two</P></BLOCKQUOTE>"},
        {command::outdent, "<blockquote><p>one two</p></blockquote>", "two", {}, "<P>one two</P>"},
        {command::unordered_list, "<p>one two</p>", "two", {}, "<UL>\r\n<LI>one two</LI></UL>"},
        {command::ordered_list, "<ol><li>one two</li></ol>", "two", {}, "<P>one two</P>"},
        {command::font_name, "<p>one two</p>", "two", value("Arial"), "<P>one <FONT face=\"Arial\">two</FONT></P>"},
        {command::font_size, "<p>one two</p>", "two", value(std::int32_t {5}), "<P>one <FONT size=\"5\">two</FONT></P>"},
        {command::fore_color, "<p>one two</p>", "two", value(std::int32_t {0x0000FF}), "<P>one <FONT color=\"#FF0000\">two</FONT></P>"},
    };
    for (const sample& s : samples) {
        load(s.before);
        select_text("one ", s.selected);
        std::string original = doc->html();
        ASSERT_EQ(exec(s.id, s.in.empty() ? nullptr : &s.in), S_OK) << static_cast<int>(s.id) << " on " << s.before;
        EXPECT_EQ(body_html(), s.after) << static_cast<int>(s.id);
        std::string changed = doc->html();
        ASSERT_EQ(exec(command::undo), S_OK);
        EXPECT_EQ(doc->html(), original) << "undo restores the page: " << static_cast<int>(s.id);
        ASSERT_EQ(exec(command::redo), S_OK);
        EXPECT_EQ(doc->html(), changed) << "redo: " << static_cast<int>(s.id);
    }
}

TEST_P(DocumentContract, query_status_tells_latched_and_disabled)
{
    load("<p>one <b>two</b></p><table><tr><td id=\"c\">cell</td><td colspan=\"2\">wide</td></tr></table>");
    select_text("one t", "w");
    EXPECT_EQ(status(command::bold), OLECMDF_SUPPORTED | OLECMDF_ENABLED | OLECMDF_LATCHED);
    EXPECT_EQ(status(command::italic), OLECMDF_SUPPORTED | OLECMDF_ENABLED);
    EXPECT_EQ(status(command::undo), OLECMDF_SUPPORTED);
    EXPECT_EQ(status(command::table_insert_row), OLECMDF_SUPPORTED) << "not in a cell";
    std::string before = doc->html();
    EXPECT_EQ(exec(command::table_insert_row), OLECMDERR_E_DISABLED);
    EXPECT_EQ(doc->html(), before);
    std::uint32_t flags = 0;
    EXPECT_EQ(doc->command_target().query_status(edit_command_group, 2000, flags), OLECMDERR_E_NOTSUPPORTED);
    EXPECT_EQ(doc->command_target().exec(edit_command_group, 27, 2, nullptr, nullptr), OLECMDERR_E_NOTSUPPORTED);
    select_text("", "cel");
    EXPECT_EQ(status(command::table_insert_row), OLECMDF_SUPPORTED | OLECMDF_ENABLED);
    EXPECT_EQ(status(command::table_split_cell), OLECMDF_SUPPORTED);
    EXPECT_EQ(status(command::table_merge_cells), OLECMDF_SUPPORTED);
    select_text("", "cellwi");
    EXPECT_EQ(status(command::table_merge_cells), OLECMDF_SUPPORTED | OLECMDF_ENABLED);
}

TEST_P(DocumentContract, table_commands_act_on_the_current_cell)
{
    struct sample {
        command id;
        const char* after;
    };
    const char* page = "<table id=\"t\"><tr><td>a</td><td>b</td></tr><tr><td>c</td><td>d</td></tr></table>";
    const sample samples[] = {
        {command::table_insert_row, "<TR>\r\n<TD></TD>\r\n<TD></TD></TR>\r\n<TR>\r\n<TD>a</TD>"},
        {command::table_insert_column, "<TR>\r\n<TD></TD>\r\n<TD>a</TD>\r\n<TD>b</TD></TR>\r\n<TR>\r\n<TD></TD>\r\n<TD>c</TD>"},
        {command::table_delete_row, "<TABLE id=\"t\">\r\n<TR>\r\n<TD>c</TD>"},
        {command::table_delete_column, "<TR>\r\n<TD>b</TD></TR>\r\n<TR>\r\n<TD>d</TD></TR>"},
        {command::table_delete_cell, "<TR>\r\n<TD>b</TD></TR>"},
        {command::table_insert_cell, "<TR>\r\n<TD></TD>\r\n<TD>a</TD>"},
    };
    for (const sample& s : samples) {
        load(page);
        select_text("", "a");
        ASSERT_EQ(exec(s.id), S_OK) << static_cast<int>(s.id);
        EXPECT_NE(body_html().find(s.after), std::string::npos) << static_cast<int>(s.id) << ": " << body_html();
    }
    load("<table><tr><td>a</td><td>b</td></tr></table><p>after</p>");
    select_text("", "ab");
    ASSERT_EQ(exec(command::table_merge_cells), S_OK);
    EXPECT_EQ(body_html(), "<TABLE>\r\n<TR>\r\n<TD colspan=\"2\">ab</TD></TR></TABLE>\r\n<P>after</P>");
    ASSERT_EQ(exec(command::table_split_cell), S_OK);
    EXPECT_EQ(body_html(), "<TABLE>\r\n<TR>\r\n<TD>ab</TD>\r\n<TD></TD></TR></TABLE>\r\n<P>after</P>");
    load("<table><tr><td>only</td></tr></table><p>after</p>");
    select_text("", "on");
    ASSERT_EQ(exec(command::table_delete_row), S_OK);
    EXPECT_EQ(body_html(), "<P>after</P>") << "an emptied table goes";
}

TEST_P(DocumentContract, clipboard_commands_copy_cut_and_paste)
{
    load("<p>one <b>two</b> three</p>");
    select_text("one ", "two th");
    ASSERT_EQ(exec(command::cut), S_OK);
    EXPECT_EQ(body_html(), "<P>one ree</P>");
    select_text("one ", "");
    ASSERT_EQ(exec(command::paste), S_OK);
    EXPECT_EQ(body_html(), "<P>one <B>two</B> three</P>");
}

TEST_P(DocumentContract, copy_writes_html_format_and_text)
{
    load("<p>one <b>two</b> three</p>");
    select_text("one ", "two th");
    ASSERT_EQ(exec(command::copy), S_OK);
    const auto formatted = clip->get(html_clipboard_format);
    ASSERT_TRUE(formatted);
    EXPECT_EQ(formatted->rfind("Version:", 0), 0u) << *formatted;
    std::string fragment;
    ASSERT_TRUE(extract_fragment(*formatted, fragment)) << *formatted;
    EXPECT_EQ(fragment, "<B>two</B> th");
    EXPECT_EQ(clip->get(text_clipboard_format), std::optional<std::string>("two th"));
}

TEST_P(DocumentContract, paste_takes_the_fragment_between_the_offsets_else_the_text)
{
    struct sample {
        std::optional<std::string> formatted;
        std::optional<std::string> text;
        const char* body;
    };
    std::string around = make_html_format("<i>in</i>");
    const sample samples[] = {
        {around, "plain", "<P>a<I>in</I>b</P>"},
        {"Version:0.9\r\nStartHTML:1\r\n", "x<y", "<P>ax&lt;yb</P>"},
        {"Version:0.9\r\nStartHTML:1\r\nEndHTML:9\r\nStartFragment:0000000009\r\nEndFragment:0000000999\r\n", "t",
            "<P>atb</P>"},
        {std::nullopt, "t", "<P>atb</P>"},
    };
    for (const sample& s : samples) {
        load("<p>ab</p>");
        clip->clear();
        if (s.formatted)
            clip->set(html_clipboard_format, *s.formatted);
        if (s.text)
            clip->set(text_clipboard_format, *s.text);
        select_text("a", "");
        EXPECT_TRUE(status(command::paste) & OLECMDF_ENABLED);
        ASSERT_EQ(exec(command::paste), S_OK);
        EXPECT_EQ(body_html(), s.body);
    }
    clip->set_only(html_clipboard_format, "Version:0.9\r\n");
    EXPECT_FALSE(status(command::paste) & OLECMDF_ENABLED) << "nothing readable to paste";
}

TEST_P(DocumentContract, keys_type_split_and_delete)
{
    load("<p id=\"p\">ab</p>");
    select_text("a", "");
    doc->input().type_text("X");
    EXPECT_EQ(body_html(), "<P id=\"p\">aXb</P>");
    doc->input().key_down(13);
    EXPECT_EQ(body_html(), "<P id=\"p\">aX</P>\r\n<P>b</P>");
    doc->input().key_down(8);
    EXPECT_EQ(body_html(), "<P id=\"p\">aXb</P>") << "backspace at a block's start joins the blocks";
    doc->input().key_down(8);
    EXPECT_EQ(body_html(), "<P id=\"p\">ab</P>");
    doc->input().key_down(13, false, true);
    EXPECT_EQ(body_html(), "<P id=\"p\">a<BR>b</P>");
    EXPECT_EQ(host.events, (std::vector<int> {event_key_down, event_key_down, event_key_down, event_key_down}));
    host.cancel = {event_key_down};
    doc->input().key_down(8);
    EXPECT_EQ(body_html(), "<P id=\"p\">a<BR>b</P>") << "a cancelled key does nothing";
    host.cancel.clear();
    ASSERT_EQ(exec(command::undo), S_OK);
    EXPECT_EQ(body_html(), "<P id=\"p\">ab</P>") << "one key, one undo unit";
}

TEST_P(DocumentContract, backspace_steps_over_comments_and_spares_fixed_blocks)
{
    load("<p>a<!--keep-->b</p><div contenteditable=\"false\">fixed</div>");
    select_text("a", "");
    doc->input().key_down(46);
    EXPECT_EQ(body_html(), "<P>a<!--keep--></P>\r\n<DIV contenteditable=\"false\">fixed</DIV>");
    select_text("", "fi");
    doc->input().type_text("Z");
    EXPECT_EQ(body_html(), "<P>a<!--keep--></P>\r\n<DIV contenteditable=\"false\">fixed</DIV>");
}

TEST_P(DocumentContract, undo_units_follow_the_caller)
{
    load("<p id=\"p\">x</p>");
    auto p = by_id("p");
    auto& m = doc->markup();
    ASSERT_EQ(m.begin_undo_unit("two"), S_OK);
    p->set_attribute("align", value("center"));
    p->put_inner_html("<b>y</b>");
    ASSERT_EQ(m.end_undo_unit(), S_OK);
    EXPECT_TRUE(doc->is_dirty());
    ASSERT_EQ(exec(command::undo), S_OK);
    EXPECT_EQ(body_html(), "<P id=\"p\">x</P>");
    EXPECT_EQ(exec(command::undo), OLECMDERR_E_DISABLED);
    doc->discard_undo();
    EXPECT_EQ(exec(command::redo), OLECMDERR_E_DISABLED);
}

TEST_P(DocumentContract, facets_read_typed_members)
{
    load("<a id=\"a\" href=\"rel/x.htm\">l</a><input id=\"i\"><input id=\"c\" type=\"CHECKBOX\" checked>"
         "<bgsound id=\"s\" src=\"s.wav\" loop=\"infinite\"><table id=\"t\"><caption>c</caption><tr><td colspan=\"3\">x</td></tr></table>"
         "<select id=\"sel\"><option value=\"1\">One<option>Two</select>");
    value v;
    EXPECT_EQ(by_id("a")->get(facet::anchor, "href", v), S_OK);
    EXPECT_EQ(v, value("rel/x.htm"));
    by_id("i")->get(facet::input, "type", v);
    EXPECT_EQ(v, value("text"));
    by_id("c")->get(facet::input, "type", v);
    EXPECT_EQ(v, value("checkbox"));
    by_id("c")->get(facet::input, "checked", v);
    EXPECT_EQ(v, value(true));
    by_id("s")->get(facet::bgsound, "loop", v);
    EXPECT_EQ(v, value(std::int32_t {-1}));
    EXPECT_EQ(by_id("a")->get(facet::image, "src", v), platform::com::E_NOINTERFACE);
    EXPECT_FALSE(by_id("a")->has(facet::image));
    auto rows = by_id("t")->facet_collection(facet::table, "rows");
    ASSERT_EQ(rows->length(), 1);
    auto cells = rows->item(0L)->facet_collection(facet::row, "cells");
    cells->item(0L)->get(facet::cell, "colSpan", v);
    EXPECT_EQ(v, value(std::int32_t {3}));
    EXPECT_EQ(by_id("t")->caption()->tag_name(), "CAPTION");
    auto options = by_id("sel")->facet_collection(facet::select, "options");
    ASSERT_EQ(options->length(), 2);
    options->item(1L)->get(facet::option, "text", v);
    EXPECT_EQ(v, value("Two"));
    ASSERT_EQ(by_id("c")->put(facet::input, "checked", value(false)), S_OK);
    EXPECT_EQ(outer(by_id("c")), "<INPUT id=\"c\" type=\"CHECKBOX\">");
    auto style = doc->body()->style();
    ASSERT_EQ(style->put("color", "#FF0000"), S_OK);
    EXPECT_EQ(style->get("color"), "#FF0000");
    EXPECT_EQ(style->css_text(), "COLOR: #FF0000");
}

TEST_P(DocumentContract, mouse_down_on_a_picture_asks_before_selecting_it)
{
    struct map_port : hit_test_port {
        element_ptr target;
        element_ptr element_at(point) override { return target; }
    } port;
    load("<p>x<img id=\"i\" src=\"a.gif\"></p>");
    port.target = by_id("i");
    doc->set_hit_test(&port);
    host.cancel = {event_control_select};
    doc->input().mouse(mouse_action::down, {5, 5}, 1);
    EXPECT_EQ(host.events, (std::vector<int> {event_control_select, event_mouse_down}));
    EXPECT_NE(doc->selection()->type(), "Control");
    host.cancel.clear();
    doc->input().mouse(mouse_action::down, {5, 5}, 1);
    EXPECT_EQ(doc->selection()->type(), "Control");
    EXPECT_EQ(doc->element_from_point({5, 5})->id(), "i");
    doc->set_hit_test(nullptr);
    EXPECT_FALSE(doc->element_from_point({5, 5}));
}

TEST_P(DocumentContract, bad_input_leaves_the_document_as_it_was)
{
    load("<p>kept</p>");
    std::string before = doc->html();
    EXPECT_TRUE(failed(doc->load_file("/nonexistent/folder/page.htm")));
    EXPECT_TRUE(failed(doc->load_file("/")));
    EXPECT_EQ(doc->put_charset("no-such-charset-x"), E_INVALIDARG);
    EXPECT_EQ(doc->html(), before);
    EXPECT_EQ(doc->ready_state(), 4);
}

}
