// The editing commands and the default actions of keys and typing.

#include "html/headless/state.h"

#include <algorithm>
#include <cstdio>

namespace html::headless {

namespace {

bool is_block_name(std::string_view n)
{
    return n == "P" || n == "DIV" || n == "LI" || n == "H1" || n == "H2" || n == "H3" || n == "H4" || n == "H5"
        || n == "H6" || n == "BLOCKQUOTE" || n == "PRE" || n == "ADDRESS" || n == "CENTER";
}

bool is_cell(const node* n) { return n && n->is_element() && (n->name == "TD" || n->name == "TH"); }

// The nearest element above a place (the container included) that passes the test,
// not looking beyond the body.
template <class F>
node* nearest(const position& p, F&& test)
{
    for (node* n = p.container; n; n = n->parent) {
        if (n->is_element() && test(*n))
            return n;
        if (n->name == "BODY")
            return nullptr;
    }
    return nullptr;
}

bool editable(const position& p)
{
    if (in_text_only_element(p))
        return false;
    for (node* n = p.container; n; n = n->parent) {
        const attribute* a = n->find("contenteditable");
        if (n->is_element() && a && equal_ignoring_case(a->value, "false"))
            return false;
    }
    return true;
}

struct selection_span {
    position first;
    position last;
    bool empty() const { return first == last; }
};

selection_span current(doc_state& doc)
{
    if (node_ptr c = doc.selected_control()) {
        std::size_t at = index_in_parent(*c);
        return {{c->parent, at, 0}, {c->parent, at + 1, 0}};
    }
    // Places at an element's edge are taken inside it, as far as the selection reaches,
    // so a selection of a cell's or a B's text is in that cell or B.
    position first = doc.sel_first();
    position last = doc.sel_last();
    while (first.offset == 0 && compare(first, last) < 0) {
        node* c = first.container;
        if (first.index >= c->children.size()) {
            if (!c->parent || c->name == "BODY")
                break;
            first = {c->parent, index_in_parent(*c) + 1, 0};
            continue;
        }
        node* child = c->children[first.index].get();
        if (!child->is_element() || info_of(*child).is_void || compare({child, 0, 0}, last) > 0)
            break;
        first = {child, 0, 0};
    }
    while (last.offset == 0 && last.index > 0 && compare(first, last) < 0) {
        node* child = last.container->children[last.index - 1].get();
        if (!child->is_element() || info_of(*child).is_void || compare(first, {child, child->children.size(), 0}) > 0)
            break;
        last = {child, child->children.size(), 0};
    }
    return {first, last};
}

// Puts a new element around [first, last); returns it.
node* wrap(doc_state& doc, const std::string& name, std::vector<attribute> attrs, const position& first, const position& last)
{
    tracked_place a(doc.shared_from_this()), b(doc.shared_from_this());
    a.t = {first, true, gravity::left};
    b.t = {last, true, gravity::right};
    auto span = doc.m.isolate(a.t, b.t);
    node_ptr n = make_element(name);
    n->attributes = std::move(attrs);
    doc.m.insert_nodes(span.container, span.first, {n});
    doc.m.move_nodes(span.container, span.first + 1, span.last - span.first, n.get(), 0);
    return n.get();
}

void unwrap(doc_state& doc, node* n)
{
    node* p = n->parent;
    std::size_t at = index_in_parent(*n);
    doc.m.move_nodes(n, 0, n->children.size(), p, at + 1);
    doc.m.remove_nodes(p, at, 1);
}

void set_attr(doc_state& doc, node* n, std::string_view name, std::string text)
{
    std::vector<attribute> attrs = n->attributes;
    for (attribute& a : attrs)
        if (equal_ignoring_case(a.name, name)) {
            a.value = std::move(text);
            a.bare = false;
            doc.m.set_attributes(n, std::move(attrs));
            return;
        }
    insert_attribute(attrs, {std::string(name), std::move(text), false});
    doc.m.set_attributes(n, std::move(attrs));
}

void drop_attr(doc_state& doc, node* n, std::string_view name)
{
    std::vector<attribute> attrs = n->attributes;
    std::erase_if(attrs, [&](const attribute& a) { return equal_ignoring_case(a.name, name); });
    if (attrs.size() != n->attributes.size())
        doc.m.set_attributes(n, std::move(attrs));
}

// The blocks the selection touches: the block holding its start, then every block that
// begins inside it, in document order.
std::vector<node*> selected_blocks(doc_state& doc, const selection_span& s)
{
    std::vector<node*> out;
    if (node* b = nearest(s.first, [](const node& n) { return is_block_name(n.name) && n.name != "BLOCKQUOTE"; }))
        out.push_back(b);
    if (s.empty())
        return out;
    position p = s.first;
    std::size_t guard = 0;
    while (compare(p, s.last) < 0 && ++guard < 10000000) {
        node* c = p.container;
        if (p.index < c->children.size()) {
            node* child = c->children[p.index].get();
            if (child->is_element() && !info_of(*child).is_void) {
                if (is_block_name(child->name) && child->name != "BLOCKQUOTE"
                    && std::find(out.begin(), out.end(), child) == out.end())
                    out.push_back(child);
                p = {child, 0, 0};
            } else {
                p = {c, p.index + 1, 0};
            }
        } else {
            if (!c->parent)
                break;
            p = {c->parent, index_in_parent(*c) + 1, 0};
        }
    }
    (void)doc;
    return out;
}

// Markup of the stream between two places: elements cut by the range are written whole
// around its part of them.
std::string serialise_range(const position& start, const position& end)
{
    struct visitor {
        std::string body;
        std::vector<const node*> opened; // entered inside the range
        std::vector<const node*> outer;  // left without being entered: ancestors of start

        void text(node& container, std::string_view part)
        {
            node_ptr piece = make_text(std::string(part));
            piece->parent = &container; // the container decides how the text is escaped
            body += serialise(*piece);
        }
        void enter(const node& child)
        {
            if (child.is_element() && !info_of(child).is_void) {
                body += start_tag(child);
                opened.push_back(&child);
            } else {
                body += serialise(child);
            }
        }
        void leave(const node& n)
        {
            if (!n.is_element() || info_of(n).is_void)
                return;
            if (!opened.empty() && opened.back() == &n)
                opened.pop_back();
            else
                outer.push_back(&n);
            body += "</" + n.name + ">";
        }
        static std::string start_tag(const node& n)
        {
            node_ptr shell = clone_shell(n);
            std::string tag = serialise(*shell);
            return tag.substr(0, tag.rfind("</"));
        }
    } v;
    walk_range(start, end, v);
    std::string out;
    for (auto it = v.outer.rbegin(); it != v.outer.rend(); ++it)
        out += visitor::start_tag(**it);
    out += v.body;
    for (auto it = v.opened.rbegin(); it != v.opened.rend(); ++it)
        out += "</" + (*it)->name + ">";
    return out;
}

void remove_range(doc_state& doc, const position& first, const position& last)
{
    tracked_place a(doc.shared_from_this()), b(doc.shared_from_this());
    a.t = {first, true, gravity::left};
    b.t = {last, true, gravity::right};
    auto span = doc.m.isolate(a.t, b.t);
    doc.m.remove_nodes(span.container, span.first, span.last - span.first);
    doc.select(a.t.at, a.t.at);
}

const char* inline_tag(int id)
{
    switch (id) {
    case 28: return "B";
    case 43: return "I";
    case 57: return "U";
    }
    return nullptr;
}

bool same_inline(std::string_view tag, const node& n)
{
    if (tag == "B")
        return n.name == "B" || n.name == "STRONG";
    if (tag == "I")
        return n.name == "I" || n.name == "EM";
    return n.name == tag;
}

struct cell_place {
    node* cell = nullptr;
    node* row = nullptr;
    node* table = nullptr;
};

cell_place current_cell(const position& p)
{
    cell_place c;
    c.cell = nearest(p, [](const node& n) { return n.name == "TD" || n.name == "TH"; });
    if (!c.cell)
        return c;
    c.row = c.cell->parent && c.cell->parent->name == "TR" ? c.cell->parent : nullptr;
    for (node* t = c.row; t; t = t->parent)
        if (t->name == "TABLE") {
            c.table = t;
            break;
        }
    if (!c.row || !c.table)
        c = {};
    return c;
}

std::vector<node*> rows_of(node* table)
{
    std::vector<node*> rows;
    std::vector<std::pair<node*, std::size_t>> stack {{table, 0}};
    while (!stack.empty()) {
        auto& [n, i] = stack.back();
        if (i >= n->children.size()) {
            stack.pop_back();
            continue;
        }
        node* c = n->children[i++].get();
        if (!c->is_element() || c->name == "TABLE")
            continue;
        if (c->name == "TR")
            rows.push_back(c);
        else
            stack.emplace_back(c, 0);
    }
    return rows;
}

std::vector<node*> cells_of(node* row)
{
    std::vector<node*> out;
    for (auto& c : row->children)
        if (is_cell(c.get()))
            out.push_back(c.get());
    return out;
}

// Cells of the current row that the selection touches.
std::vector<node*> selected_cells(const selection_span& s, const cell_place& at)
{
    std::vector<node*> out;
    for (node* c : cells_of(at.row)) {
        position begin {c, 0, 0}, end {c, c->children.size(), 0};
        if (compare(end, s.first) >= 0 && compare(begin, s.last) <= 0)
            out.push_back(c);
    }
    return out;
}

int span_of(const node* cell, std::string_view name)
{
    const attribute* a = cell->find(name);
    if (!a)
        return 1;
    int v = std::atoi(a->value.c_str());
    return v < 1 ? 1 : v;
}

void remove_empty_table_parts(doc_state& doc, node* table)
{
    for (node* row : rows_of(table))
        if (cells_of(row).empty())
            doc.m.remove_nodes(row->parent, index_in_parent(*row), 1);
    if (rows_of(table).empty()) {
        node* p = table->parent;
        std::size_t at = index_in_parent(*table);
        doc.m.remove_nodes(p, at, 1);
        doc.select({p, at, 0}, {p, at, 0});
    }
}

std::size_t cell_index(node* cell)
{
    auto cells = cells_of(cell->parent);
    return static_cast<std::size_t>(std::find(cells.begin(), cells.end(), cell) - cells.begin());
}

hresult table_command(doc_state& doc, int id, bool run)
{
    selection_span s = current(doc);
    cell_place at = current_cell(s.first);
    if (!at.cell)
        return OLECMDERR_E_DISABLED;
    if (id == 19 && selected_cells(s, at).size() < 2)
        return OLECMDERR_E_DISABLED;
    if (id == 20 && span_of(at.cell, "colspan") < 2 && span_of(at.cell, "rowspan") < 2)
        return OLECMDERR_E_DISABLED;
    if (!run)
        return S_OK;
    switch (id) {
    case 14: { // insert row before the current one
        node_ptr row = make_element("TR");
        for (std::size_t i = 0; i < cells_of(at.row).size(); ++i)
            row->children.push_back(make_element("TD")), row->children.back()->parent = row.get();
        doc.m.insert_nodes(at.row->parent, index_in_parent(*at.row), {row});
        return S_OK;
    }
    case 15: { // insert column before the current one
        std::size_t column = cell_index(at.cell);
        for (node* row : rows_of(at.table)) {
            auto cells = cells_of(row);
            std::size_t place = column < cells.size() ? index_in_parent(*cells[column]) : row->children.size();
            doc.m.insert_nodes(row, place, {make_element("TD")});
        }
        return S_OK;
    }
    case 16:
        doc.m.remove_nodes(at.row->parent, index_in_parent(*at.row), 1);
        remove_empty_table_parts(doc, at.table);
        return S_OK;
    case 17: {
        std::size_t column = cell_index(at.cell);
        for (node* row : rows_of(at.table)) {
            auto cells = cells_of(row);
            if (column < cells.size())
                doc.m.remove_nodes(row, index_in_parent(*cells[column]), 1);
        }
        remove_empty_table_parts(doc, at.table);
        return S_OK;
    }
    case 18:
        doc.m.remove_nodes(at.row, index_in_parent(*at.cell), 1);
        remove_empty_table_parts(doc, at.table);
        return S_OK;
    case 19: {
        auto cells = selected_cells(s, at);
        node* first = cells.front();
        int span = span_of(first, "colspan");
        for (std::size_t i = 1; i < cells.size(); ++i) {
            span += span_of(cells[i], "colspan");
            doc.m.move_nodes(cells[i], 0, cells[i]->children.size(), first, first->children.size());
            doc.m.remove_nodes(at.row, index_in_parent(*cells[i]), 1);
        }
        set_attr(doc, first, "colspan", std::to_string(span));
        doc.select({first, 0, 0}, {first, 0, 0});
        return S_OK;
    }
    case 20: {
        int span = span_of(at.cell, "colspan");
        drop_attr(doc, at.cell, "colspan");
        drop_attr(doc, at.cell, "rowspan");
        std::vector<node_ptr> extra;
        for (int i = 1; i < span; ++i)
            extra.push_back(make_element(at.cell->name));
        doc.m.insert_nodes(at.row, index_in_parent(*at.cell) + 1, std::move(extra));
        return S_OK;
    }
    case 21:
        doc.m.insert_nodes(at.row, index_in_parent(*at.cell), {make_element("TD")});
        return S_OK;
    }
    return OLECMDERR_E_NOTSUPPORTED;
}

hresult list_command(doc_state& doc, const std::string& list, bool run, bool* latched)
{
    selection_span s = current(doc);
    node* item = nearest(s.first, [&](const node& n) { return n.name == "LI" && n.parent && n.parent->name == list; });
    if (latched)
        *latched = item != nullptr;
    if (!run)
        return S_OK;
    if (item) {
        // Off: each item becomes a paragraph, the list goes.
        node* l = item->parent;
        for (std::size_t i = l->children.size(); i-- > 0;) {
            node* li = l->children[i].get();
            if (li->name != "LI")
                continue;
            wrap(doc, "P", {}, {li, 0, 0}, {li, li->children.size(), 0});
            unwrap(doc, li);
        }
        unwrap(doc, l);
        return S_OK;
    }
    std::vector<node*> blocks = selected_blocks(doc, s);
    std::erase_if(blocks, [&](node* b) { return !blocks.empty() && b->parent != blocks.front()->parent; });
    if (blocks.empty()) {
        if (s.empty())
            return OLECMDERR_E_DISABLED;
        blocks.push_back(wrap(doc, "P", {}, s.first, s.last));
    }
    node* first = blocks.front();
    node* last = blocks.back();
    node* l = wrap(doc, list, {}, {first->parent, index_in_parent(*first), 0}, {last->parent, index_in_parent(*last) + 1, 0});
    for (node* b : blocks) {
        if (b->parent != l)
            continue;
        if (b->name == "LI")
            continue;
        wrap(doc, "LI", {}, {b, 0, 0}, {b, b->children.size(), 0});
        unwrap(doc, b);
    }
    return S_OK;
}

std::string colour_text(std::int32_t colorref)
{
    auto v = static_cast<std::uint32_t>(colorref);
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
    return text;
}

hresult font_command(doc_state& doc, int id, const value* in)
{
    if (!in || in->empty())
        return E_INVALIDARG;
    std::string name, text;
    if (id == 36) {
        name = "face";
        text = in->to_text();
        if (text.empty())
            return E_INVALIDARG;
    } else if (id == 37) {
        name = "size";
        std::int32_t size = in->to_int32();
        if (size < 1 || size > 7)
            return E_INVALIDARG;
        text = std::to_string(size);
    } else {
        name = "color";
        text = in->is_text() ? in->text() : colour_text(in->to_int32());
    }
    selection_span s = current(doc);
    if (s.empty())
        return OLECMDERR_E_DISABLED;
    // A FONT whose content is exactly the selection takes the value itself.
    node* font = nearest(s.first, [](const node& n) { return n.name == "FONT"; });
    if (font && doc.m.normalise({font, 0, 0}) == s.first && doc.m.normalise({font, font->children.size(), 0}) == s.last) {
        set_attr(doc, font, name, text);
        return S_OK;
    }
    node* made = wrap(doc, "FONT", {{name, text, false}}, s.first, s.last);
    doc.select({made, 0, 0}, {made, made->children.size(), 0});
    return S_OK;
}

}

// What a paste puts in: the fragment of "HTML Format" when its offsets hold, else the text
// escaped; false when there is neither.
bool clipboard_markup(const clipboard& clip, std::string& html)
{
    const auto formatted = clip.get(html_clipboard_format);
    if (formatted && extract_fragment(*formatted, html))
        return true;
    const auto text = clip.get(text_clipboard_format);
    if (!text || text->empty())
        return false;
    html = serialise(*make_text(*text));
    return true;
}

void paste_over(doc_state& doc, tracked& start, tracked& end, std::string_view html)
{
    auto nodes = parse_fragment(html);
    auto span = doc.m.isolate(start, end);
    doc.m.remove_nodes(span.container, span.first, span.last - span.first);
    node* c = span.container;
    std::size_t at = span.first;
    if (c->kind == node_kind::document || c->name == "HTML") {
        node* body = doc.body();
        if (!body)
            return;
        c = body;
        at = body->children.size();
    }
    std::size_t count = nodes.size();
    doc.m.insert_nodes(c, at, std::move(nodes));
    start.at = end.at = {c, at + count, 0};
}

void insert_typed_text(doc_state& doc, std::string_view text)
{
    selection_span s = current(doc);
    if (!editable(s.first) || !editable(s.last))
        return;
    if (!s.empty())
        remove_range(doc, s.first, s.last);
    position q = s.empty() ? s.first : doc.sel_first();
    if (!editable(q))
        return;
    if (q.container->kind == node_kind::document || q.container->name == "HTML" || q.container->name == "HEAD") {
        node* body = doc.body();
        if (!body)
            return;
        q = {body, body->children.size(), 0};
    }
    node* c = q.container;
    if (q.offset > 0) {
        node* t = c->children[q.index].get();
        std::string data = t->data;
        data.insert(q.offset, text);
        doc.m.set_data(t, std::move(data));
        position after = doc.m.normalise({c, q.index, q.offset + text.size()});
        doc.select(after, after);
    } else if (q.index > 0 && c->children[q.index - 1]->is_text()) {
        node* t = c->children[q.index - 1].get();
        doc.m.set_data(t, t->data + std::string(text));
        doc.select({c, q.index, 0}, {c, q.index, 0});
    } else {
        doc.m.insert_nodes(c, q.index, {make_text(std::string(text))});
        doc.select({c, q.index + 1, 0}, {c, q.index + 1, 0});
    }
}

void default_key_action(doc_state& doc, int key, bool shift)
{
    selection_span s = current(doc);
    if (!editable(s.first) || !editable(s.last))
        return;
    switch (key) {
    case 13: { // Enter
        if (!s.empty())
            remove_range(doc, s.first, s.last);
        // A selection holding nothing but edges is the place it was taken to, which was
        // checked above; its own ends may lie in a place nothing edits (a TITLE's end).
        position caret = s.empty() ? s.first : doc.sel_first();
        if (!editable(caret))
            return;
        node* block = shift ? nullptr : nearest(caret, [](const node& n) {
            return n.name == "P" || n.name == "DIV" || n.name == "LI" || (n.name.size() == 2 && n.name[0] == 'H' && n.name[1] >= '1' && n.name[1] <= '6');
        });
        if (!block) {
            position at = doc.m.split_at(caret);
            doc.m.insert_nodes(at.container, at.index, {make_element("BR")});
            doc.select({at.container, at.index + 1, 0}, {at.container, at.index + 1, 0});
            return;
        }
        tracked_place p(doc.shared_from_this());
        p.t = {caret, true, gravity::right};
        p.t.at = doc.m.split_at(p.t.at);
        while (p.t.at.container != block->parent) {
            node* c = p.t.at.container;
            std::size_t at = p.t.at.index;
            std::size_t place = index_in_parent(*c);
            doc.m.split_element(c, at);
            p.t.at = {c->parent, place + 1, 0};
        }
        node* second = block->parent->children[p.t.at.index].get();
        doc.select({second, 0, 0}, {second, 0, 0});
        return;
    }
    case 8:
    case 46: { // Backspace, Delete
        if (!s.empty()) {
            remove_range(doc, s.first, s.last);
            return;
        }
        bool forward = key == 46;
        position p = s.first;
        node* c = p.container;
        // A void element or comment right beside the caret: the void element goes; comments
        // are stepped over and never deleted alone.
        std::size_t i = p.index;
        if (p.offset == 0) {
            while (true) {
                std::size_t look = forward ? i : i - 1;
                if ((forward && i >= c->children.size()) || (!forward && i == 0))
                    break;
                node* item = c->children[look].get();
                if (item->kind == node_kind::comment) {
                    i = forward ? i + 1 : i - 1;
                    continue;
                }
                if (item->is_element() && info_of(*item).is_void) {
                    doc.m.remove_nodes(c, look, 1);
                    return;
                }
                break;
            }
        }
        position q = p;
        if (!step_character(q, forward))
            return;
        node* body = doc.body();
        if (!body || !is_ancestor_or_self(body, q.container))
            return;
        // Crossing into another block joins the two.
        node* here = nearest(p, [](const node& n) { return is_block_name(n.name); });
        node* there = nearest(q, [](const node& n) { return is_block_name(n.name); });
        if (here != there && here && there && here->parent == there->parent) {
            node* a = forward ? here : there;
            node* b = forward ? there : here;
            std::size_t join = a->children.size();
            doc.m.move_nodes(b, 0, b->children.size(), a, join);
            doc.m.remove_nodes(b->parent, index_in_parent(*b), 1);
            doc.select({a, join, 0}, {a, join, 0});
            return;
        }
        position from = forward ? p : q;
        position to = forward ? q : p;
        // Only the character itself: step back from the far side to the character's edge.
        position edge = to;
        if (step_character(edge, false))
            from = doc.m.normalise(edge);
        remove_range(doc, from, to);
        return;
    }
    case 37:
    case 38:
    case 39:
    case 40: { // arrows: the caret moves by a character (no layout here)
        position p = (key == 37 || key == 38) ? s.first : s.last;
        if (s.empty())
            step_character(p, key == 39 || key == 40);
        node* body = doc.body();
        if (body && is_ancestor_or_self(body, p.container))
            doc.select(p, p);
        return;
    }
    default:
        return;
    }
}

hresult run_command(doc_state& doc, int id, const value* in, value* out)
{
    (void)out;
    if (id == 58)
        return doc.m.undo() ? S_OK : OLECMDERR_E_DISABLED;
    if (id == 52)
        return doc.m.redo() ? S_OK : OLECMDERR_E_DISABLED;
    if (id == 23 || id == 56) {
        bool flag = in && !in->empty() && (in->type() == value::kind::boolean ? in->boolean() : in->to_int32() != 0);
        (id == 23 ? doc.display_option_23 : doc.display_option_56) = flag;
        return S_OK;
    }
    if (id >= 14 && id <= 21)
        return table_command(doc, id, true);
    selection_span s = current(doc);
    if (id != 50 && (!editable(s.first) || !editable(s.last)))
        return OLECMDERR_E_DISABLED;
    switch (id) {
    case 28:
    case 43:
    case 57: {
        std::string tag = inline_tag(id);
        node* on = nearest(s.first, [&](const node& n) { return same_inline(tag, n); });
        if (on) {
            unwrap(doc, on);
            return S_OK;
        }
        if (s.empty())
            return OLECMDERR_E_DISABLED;
        node* made = wrap(doc, tag, {}, s.first, s.last);
        doc.select({made, 0, 0}, {made, made->children.size(), 0});
        return S_OK;
    }
    case 44:
    case 45:
    case 46: {
        auto blocks = selected_blocks(doc, s);
        if (blocks.empty()) {
            if (s.empty())
                return OLECMDERR_E_DISABLED;
            blocks.push_back(wrap(doc, "P", {}, s.first, s.last));
        }
        for (node* b : blocks) {
            if (id == 45)
                drop_attr(doc, b, "align");
            else
                set_attr(doc, b, "align", id == 44 ? "center" : "right");
        }
        return S_OK;
    }
    case 42: {
        auto blocks = selected_blocks(doc, s);
        std::erase_if(blocks, [&](node* b) { return b->parent != blocks.front()->parent; });
        if (blocks.empty()) {
            if (s.empty())
                return OLECMDERR_E_DISABLED;
            wrap(doc, "BLOCKQUOTE", {}, s.first, s.last);
            return S_OK;
        }
        node* first = blocks.front();
        node* last = blocks.back();
        wrap(doc, "BLOCKQUOTE", {}, {first->parent, index_in_parent(*first), 0}, {last->parent, index_in_parent(*last) + 1, 0});
        return S_OK;
    }
    case 48: {
        node* quote = nearest(s.first, [](const node& n) { return n.name == "BLOCKQUOTE"; });
        if (!quote)
            return OLECMDERR_E_DISABLED;
        unwrap(doc, quote);
        return S_OK;
    }
    case 60:
    case 47:
        return list_command(doc, id == 60 ? "UL" : "OL", true, nullptr);
    case 36:
    case 37:
    case 38:
        return font_command(doc, id, in);
    case 30:
    case 31: {
        if (s.empty())
            return OLECMDERR_E_DISABLED;
        doc.ports.clip->clear();
        doc.ports.clip->set(html_clipboard_format, make_html_format(serialise_range(s.first, s.last)));
        doc.ports.clip->set(text_clipboard_format, plain_text(s.first, s.last));
        if (id == 31)
            remove_range(doc, s.first, s.last);
        return S_OK;
    }
    case 50: {
        std::string html;
        if (!clipboard_markup(*doc.ports.clip, html))
            return OLECMDERR_E_DISABLED;
        if (!editable(s.first) || !editable(s.last))
            return OLECMDERR_E_DISABLED;
        doc.control.reset();
        paste_over(doc, doc.sel_start, doc.sel_end, html);
        return S_OK;
    }
    default:
        return OLECMDERR_E_NOTSUPPORTED;
    }
}

hresult command_status(doc_state& doc, int id, std::uint32_t& flags)
{
    flags = OLECMDF_SUPPORTED;
    auto enable = [&](bool on) {
        if (on)
            flags |= OLECMDF_ENABLED;
        return S_OK;
    };
    selection_span s = current(doc);
    switch (id) {
    case 58: return enable(doc.m.can_undo());
    case 52: return enable(doc.m.can_redo());
    case 23: case 56: case 36: case 37: case 38: return enable(true);
    case 30: case 31: return enable(!s.empty());
    case 50: {
        std::string html;
        return enable(clipboard_markup(*doc.ports.clip, html));
    }
    case 28: case 43: case 57: {
        std::string tag = inline_tag(id);
        bool on = nearest(s.first, [&](const node& n) { return same_inline(tag, n); }) != nullptr;
        if (on)
            flags |= OLECMDF_LATCHED;
        return enable(on || !s.empty());
    }
    case 44: case 45: case 46: {
        auto blocks = selected_blocks(doc, s);
        if (!blocks.empty()) {
            const attribute* a = blocks.front()->find("align");
            std::string align = a ? to_lower(a->value) : std::string();
            if ((id == 44 && align == "center") || (id == 46 && align == "right") || (id == 45 && (align.empty() || align == "left")))
                flags |= OLECMDF_LATCHED;
        }
        return enable(!blocks.empty() || !s.empty());
    }
    case 42: return enable(!s.empty() || !selected_blocks(doc, s).empty());
    case 48: return enable(nearest(s.first, [](const node& n) { return n.name == "BLOCKQUOTE"; }) != nullptr);
    case 60: case 47: {
        bool latched = false;
        list_command(doc, id == 60 ? "UL" : "OL", false, &latched);
        if (latched)
            flags |= OLECMDF_LATCHED;
        return enable(latched || !s.empty() || !selected_blocks(doc, s).empty());
    }
    default:
        if (id >= 14 && id <= 21)
            return enable(table_command(doc, id, false) == S_OK);
        flags = 0;
        return OLECMDERR_E_NOTSUPPORTED;
    }
}

}
