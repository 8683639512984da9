#include "editing/document/editing_commands.h"

#include "core/markup/html_tag.h"
#include "core/vocab/object_kinds.h"

#include <algorithm>
#include <cctype>

namespace editing {

using namespace html;

namespace {

bool same_text(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string trimmed(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return std::string(s);
}

element_ptr first_div_with_id(const document_pair& pair, std::string_view id)
{
    if (!pair.document)
        return nullptr;
    auto divs = pair.document->all()->tags("DIV");
    for (long i = 0; i < divs->length(); ++i) {
        auto e = divs->item(i);
        if (e && e->id() == id)
            return e;
    }
    return nullptr;
}

}

hresult exec_edit_command(const document_pair& pair, int id, int option)
{
    if (!pair.target)
        return E_POINTER;
    return pair.target->exec(edit_command_group, id, option, nullptr, nullptr);
}

hresult exec_edit_command_with_arg(const document_pair& pair, int id, int option, value in, value* out)
{
    if (!pair.target)
        return E_POINTER;
    return pair.target->exec(edit_command_group, id, option, in.empty() ? nullptr : &in, out);
}

void browser_font_command::execute(document_pair& pair)
{
    if (!name_.empty())
        exec_edit_command_with_arg(pair, 36, OLECMDEXECOPT_DONTPROMPTUSER, value(name_));
    if (size_ != font_size_unset)
        exec_edit_command_with_arg(pair, 37, OLECMDEXECOPT_DONTPROMPTUSER, value(size_));
    if (flags_ == 0)
        return;
    const std::pair<std::uint32_t, int> styles[] = {{0x1, 28}, {0x2, 43}, {0x4, 57}};
    for (auto [flag, id] : styles) {
        if (!(flags_ & flag))
            continue;
        hresult hr = exec_edit_command(pair, id, OLECMDEXECOPT_DONTPROMPTUSER);
        if (failed(hr))
            throw platform::com::com_error(hr);
    }
}

std::shared_ptr<text_range> get_selection_text_range(const document_pair& pair)
{
    if (!pair.document)
        return nullptr;
    auto sel = pair.document->selection();
    if (!sel || same_text(sel->type(), "control"))
        return nullptr;
    return sel->create_range();
}

bool get_selection_range(const document_pair& pair, std::shared_ptr<text_range>& range, element_ptr& parent)
{
    range = nullptr;
    parent = nullptr;
    if (!pair.document)
        return false;
    auto sel = pair.document->selection();
    if (!sel)
        return false;
    if (same_text(sel->type(), "control")) {
        auto controls = sel->create_control_range();
        parent = controls ? controls->common_parent() : nullptr;
        return parent != nullptr;
    }
    range = sel->create_range();
    return range != nullptr;
}

void get_selected_control(const document_pair& pair, element_ptr& control, std::string& tag_name)
{
    control = nullptr;
    tag_name.clear();
    if (!pair.document || !is_control_selection(pair))
        return;
    auto controls = pair.document->selection()->create_control_range();
    if (!controls || controls->length() < 1)
        return;
    control = controls->item(0);
    if (control)
        tag_name = control->tag_name();
}

void element_from_point(const document_pair& pair, point at, element_ptr& found, std::string& tag_name)
{
    found = pair.document ? pair.document->element_from_point(at) : nullptr;
    tag_name = found ? found->tag_name() : std::string();
}

bool is_control_selection(const document_pair& pair)
{
    if (!pair.document)
        return false;
    auto sel = pair.document->selection();
    return sel && same_text(sel->type(), "control");
}

bool is_non_body_element_active(const document_pair& pair)
{
    if (!pair.document)
        return false;
    auto active = pair.document->active_element();
    return active && !same_text(active->tag_name(), "BODY");
}

bool is_body_active(const document_pair& pair)
{
    if (!pair.document)
        return false;
    auto active = pair.document->active_element();
    return active && same_text(active->tag_name(), "BODY");
}

bool is_object_tag(std::string_view tag_name)
{
    return same_text(tag_name, "IMG") || same_text(tag_name, "A") || same_text(tag_name, "OBJECT");
}

bool is_comment_tag(const core::CHTMLTag& tag)
{
    return tag.GetName() == "!--";
}

bool is_in_table_cell(const element_ptr& start)
{
    for (element_ptr e = start; e; e = e->parent()) {
        std::string tag = e->tag_name();
        if (tag.empty() || same_text(tag, "body"))
            return false;
        if (same_text(tag, "TD"))
            return true;
    }
    return false;
}

bool get_all_elements(const document_pair& pair, collection_ptr& all)
{
    all = pair.document ? pair.document->all() : nullptr;
    return all != nullptr;
}

bool element_name_exists(const document_pair& pair, std::string_view name)
{
    collection_ptr all;
    return get_all_elements(pair, all) && all->item(name) != nullptr;
}

bool object_name_exists(const document_pair& pair, std::string_view name)
{
    collection_ptr all;
    return get_all_elements(pair, all) && all->tags("OBJECT")->item(name) != nullptr;
}

bool form_has_submit_button(const document_pair& pair)
{
    collection_ptr all;
    if (!get_all_elements(pair, all))
        return false;
    for (long i = 0; i < all->length(); ++i) {
        auto e = all->item(i);
        value type;
        if (e && e->has(facet::input) && e->get(facet::input, "type", type) == S_OK && same_text(type.to_text(), "submit"))
            return true;
    }
    return false;
}

element_ptr find_bgsound_element(const document_pair& pair)
{
    collection_ptr all;
    if (!get_all_elements(pair, all))
        return nullptr;
    return all->tags("BGSOUND")->item(0L);
}

bool remove_bgsound(const document_pair& pair)
{
    auto sound = find_bgsound_element(pair);
    return sound && succeeded(pair.document->markup().remove_element(sound));
}

void remove_scripts(const document_pair& pair, std::optional<std::string_view> name)
{
    if (!pair.document)
        return;
    auto scripts = pair.document->scripts();
    auto& markup = pair.document->markup();
    if (name) {
        if (auto script = scripts->item(*name))
            (void)markup.remove_element(script);
        return;
    }
    for (long i = scripts->length() - 1; i >= 0; --i)
        if (auto script = scripts->item(i))
            (void)markup.remove_element(script);
}

bool remove_redirect_script(const document_pair& pair)
{
    if (!pair.document)
        return false;
    remove_scripts(pair, std::string_view("quorbis_redirection_script"));
    auto body = pair.document->body();
    if (!body)
        return false;
    bool removed = false;
    if (failed(body->remove_attribute("onload", removed)))
        return false;
    if (!removed)
        return succeeded(body->set_attribute("onload", value(""), 0));
    return true;
}

void set_body_color(const document_pair& pair, std::string_view colour)
{
    if (!pair.document)
        return;
    if (auto body = pair.document->body())
        (void)body->style()->put("color", colour);
}

void add_edit_style(const document_pair& pair)
{
    if (!pair.document)
        return;
    auto& markup = pair.document->markup();
    auto body = pair.document->body();
    element_ptr style;
    if (!body || failed(markup.create_element(tag_id::style, "", style)))
        return;
    auto at = markup.create_pointer();
    if (failed(at->move_adjacent_to_element(body, adjacency::before_begin)) || failed(markup.insert_element(style, *at, *at)))
        return;
    (void)style->put(facet::style_element, "cssText", value("<!--\r\nOBJECT {border: 1 solid}\r\n-->"));
    (void)style->put(facet::style_element, "type", value("text/css"));
    (void)style->put(facet::style_element, "title", value("Quorbis_EDIT_style"));
}

bool has_edit_style(const document_pair& pair)
{
    collection_ptr all;
    if (!get_all_elements(pair, all))
        return false;
    auto styles = all->tags("STYLE");
    for (long i = 0; i < styles->length(); ++i) {
        value title;
        auto s = styles->item(i);
        if (s && s->get(facet::style_element, "title", title) == S_OK && same_text(title.to_text(), "Quorbis_EDIT_style"))
            return true;
    }
    return false;
}

bool get_page_html(const document_pair& pair, std::string& html_text)
{
    if (!pair.document)
        return false;
    auto body = pair.document->body();
    std::string outer;
    if (!body || failed(body->outer_html(outer)))
        return false;
    std::string t = trimmed(outer);
    // One line: breaks between tags go; inside PRE, TEXTAREA, SCRIPT, STYLE and attribute
    // values they stay; any other run of breaks becomes one space.
    std::string out;
    out.reserve(t.size());
    std::string keep_until; // the end tag that closes a kept region
    char quote = 0;
    bool in_tag = false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        char c = t[i];
        if (!keep_until.empty()) {
            if (c == '<' && t.size() - i >= keep_until.size() && same_text(std::string_view(t).substr(i, keep_until.size()), keep_until))
                keep_until.clear();
            else {
                out += c;
                continue;
            }
        }
        if (in_tag) {
            if (quote) {
                if (c == quote)
                    quote = 0;
                out += c;
                continue;
            }
            if (c == '"' || c == '\'')
                quote = c;
            if (c == '>') {
                in_tag = false;
                // A start tag of a kept element opens a kept region.
                std::size_t open = out.rfind('<');
                std::string name;
                for (std::size_t k = open + 1; k < out.size() && std::isalpha(static_cast<unsigned char>(out[k])); ++k)
                    name += static_cast<char>(std::toupper(static_cast<unsigned char>(out[k])));
                if (name == "PRE" || name == "TEXTAREA" || name == "SCRIPT" || name == "STYLE")
                    keep_until = "</" + name;
            }
            if (c == '\r' || c == '\n')
                c = ' ';
            out += c;
            continue;
        }
        if (c == '<') {
            in_tag = true;
            out += c;
            continue;
        }
        if (c == '\r' || c == '\n') {
            std::size_t j = i;
            while (j < t.size() && (t[j] == '\r' || t[j] == '\n'))
                ++j;
            bool after_tag = !out.empty() && out.back() == '>';
            bool before_tag = j < t.size() && t[j] == '<';
            if (!(after_tag && before_tag))
                out += ' ';
            i = j - 1;
            continue;
        }
        out += c;
    }
    html_text = "<HTML>" + out + "</HTML>";
    return true;
}

bool read_object_id(const element_ptr& e, int& kind, int& number)
{
    kind = 7;
    number = 0;
    value v;
    if (!e || e->get_attribute("quorbis_id", v) != S_OK)
        return false;
    std::string text = v.to_text();
    if (text.empty())
        return false;
    core::parse_object_id(text, number, kind);
    return true;
}

element_ptr find_c2t_form_div(const document_pair& pair) { return first_div_with_id(pair, "div_c2t_form"); }
element_ptr find_c2t_button_div(const document_pair& pair) { return first_div_with_id(pair, "div_c2t_button"); }

int classify_object_comment(const element_ptr& e)
{
    std::string outer;
    if (!e || failed(e->outer_html(outer)))
        return 0;
    // The comment's text, as the tag parser reads it, is one attribute: the marker words
    // count only when they are the whole text.
    core::CHTMLTag tag;
    tag.Parse(outer, 0);
    if (!is_comment_tag(tag))
        return 0;
    if (tag.GetAttributes().Has("Quorbis-object-start"))
        return 1;
    if (tag.GetAttributes().Has("Quorbis-object-end"))
        return 2;
    return 0;
}

void move_range_into_new_div(const document_pair& pair, markup_pointer& insert_at, markup_pointer& start,
    markup_pointer& end, element_ptr& made)
{
    made = nullptr;
    if (!pair.document)
        return;
    auto& markup = pair.document->markup();
    auto p = markup.create_pointer();
    element_ptr div;
    if (failed(markup.create_element(tag_id::div, "", div)) || failed(markup.insert_element(div, insert_at, insert_at)))
        return;
    if (failed(p->move_adjacent_to_element(div, adjacency::after_begin)) || failed(markup.move(start, end, *p)))
        return;
    std::string text;
    if (succeeded(div->inner_text(text)) && text.empty()) {
        // From the last child down: lifting a FONT's content out shifts the later children.
        auto children = div->children();
        for (long i = children->length() - 1; i >= 0; --i) {
            auto child = children->item(i);
            if (child && same_text(child->tag_name(), "FONT"))
                (void)markup.remove_element(child);
        }
    }
    refresh_empty_element(pair, div);
    made = div;
}

void refresh_empty_element(const document_pair& pair, const element_ptr& e)
{
    if (!pair.document || !e)
        return;
    auto& markup = pair.document->markup();
    auto a = markup.create_pointer();
    auto b = markup.create_pointer();
    bool same = false;
    if (failed(a->move_adjacent_to_element(e, adjacency::after_begin)) || failed(b->move_adjacent_to_element(e, adjacency::before_end))
        || failed(a->is_equal_to(*b, same)) || !same)
        return;
    std::string inner;
    if (succeeded(e->inner_html(inner)))
        (void)e->put_inner_html(inner);
}

void insert_line_break_at(const document_pair& pair, markup_pointer& at)
{
    if (!pair.document)
        return;
    auto& markup = pair.document->markup();
    element_ptr br;
    if (succeeded(markup.create_element(tag_id::br, "", br)))
        (void)markup.insert_element(br, at, at);
}

html::document* get_edit_document(const document_pair& pair) { return pair.document; }

element_ptr find_selected_object(const document_pair& pair)
{
    if (!pair.document)
        return nullptr;
    element_ptr start;
    if (is_control_selection(pair)) {
        std::string tag;
        get_selected_control(pair, start, tag);
    } else if (auto range = get_selection_text_range(pair)) {
        start = range->parent_element();
    }
    for (element_ptr e = start; e; e = e->parent())
        if (same_text(e->tag_name(), "OBJECT"))
            return e;
    return nullptr;
}

}
