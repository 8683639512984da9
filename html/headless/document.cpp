// The headless document's interface objects.

#include "html/headless/state.h"
#include "platform/files/atomic_write.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unordered_set>

namespace html {

std::string decode_page_bytes(std::string_view bytes, std::string* charset)
{
    return headless::decode_page_bytes(bytes, charset);
}

namespace headless {

tracked_place::tracked_place(std::shared_ptr<doc_state> d) : doc(std::move(d)) { doc->m.track(&t); }
tracked_place::~tracked_place() { doc->m.untrack(&t); }

// What a node knows of its live element handle.
class element_handle_owner {
protected:
    ~element_handle_owner() = default;
};

namespace {

node* find_child(const node* parent, std::string_view name)
{
    if (!parent)
        return nullptr;
    for (const node_ptr& c : parent->children)
        if (c->is_element() && c->name == name)
            return c.get();
    return nullptr;
}

// Elements (and comments) under a node in document order, without recursion.
template <class F>
void for_each_descendant(const node& top, F&& f)
{
    std::vector<std::pair<const node*, std::size_t>> stack {{&top, 0}};
    while (!stack.empty()) {
        auto& [n, i] = stack.back();
        if (i >= n->children.size()) {
            stack.pop_back();
            continue;
        }
        const node_ptr& c = n->children[i++];
        if (c->is_element() || c->kind == node_kind::comment)
            f(c);
        if (!c->children.empty())
            stack.emplace_back(c.get(), 0);
    }
}

class collection_impl final : public collection {
public:
    collection_impl(std::shared_ptr<doc_state> doc, std::vector<node_ptr> items)
        : doc_(std::move(doc)), items_(std::move(items)) { }
    long length() const override { return static_cast<long>(items_.size()); }
    element_ptr item(long index) const override
    {
        if (index < 0 || index >= length())
            return nullptr;
        return doc_->wrap(items_[static_cast<std::size_t>(index)]);
    }
    element_ptr item(std::string_view name) const override
    {
        for (const node_ptr& n : items_) {
            const attribute* id = n->find("id");
            const attribute* nm = n->find("name");
            if ((id && id->value == name) || (nm && nm->value == name))
                return doc_->wrap(n);
        }
        return nullptr;
    }
    collection_ptr tags(std::string_view name) const override
    {
        std::vector<node_ptr> out;
        for (const node_ptr& n : items_)
            if (equal_ignoring_case(n->is_element() ? n->name.str() : "!", name))
                out.push_back(n);
        return std::make_shared<collection_impl>(doc_, std::move(out));
    }

private:
    std::shared_ptr<doc_state> doc_;
    std::vector<node_ptr> items_;
};

collection_ptr make_collection(const std::shared_ptr<doc_state>& doc, std::vector<node_ptr> items)
{
    return std::make_shared<collection_impl>(doc, std::move(items));
}

std::vector<node_ptr> descendants(const node& top)
{
    std::vector<node_ptr> out;
    for_each_descendant(top, [&](const node_ptr& n) { out.push_back(n); });
    return out;
}

// CSS declarations of a style attribute.
std::vector<std::pair<std::string, std::string>> parse_declarations(std::string_view text)
{
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t semi = text.find(';', i);
        std::string_view part = text.substr(i, semi == std::string_view::npos ? std::string_view::npos : semi - i);
        std::size_t colon = part.find(':');
        if (colon != std::string_view::npos) {
            auto trim = [](std::string_view s) {
                while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
                    s.remove_prefix(1);
                while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
                    s.remove_suffix(1);
                return std::string(s);
            };
            std::string name = to_lower(trim(part.substr(0, colon)));
            if (!name.empty())
                out.emplace_back(name, trim(part.substr(colon + 1)));
        }
        if (semi == std::string_view::npos)
            break;
        i = semi + 1;
    }
    return out;
}

// "fontFamily" and "font-family" name one property.
std::string css_name(std::string_view property)
{
    std::string out;
    for (char c : property) {
        if (c >= 'A' && c <= 'Z') {
            out += '-';
            out += static_cast<char>(c - 'A' + 'a');
        } else {
            out += c;
        }
    }
    return out;
}

hresult set_attribute_on(doc_state& doc, node& n, std::string_view name, std::string text, bool bare = false)
{
    std::vector<attribute> attrs = n.attributes;
    bool found = false;
    for (attribute& a : attrs)
        if (equal_ignoring_case(a.name, name)) {
            a.value = std::move(text);
            a.bare = bare;
            found = true;
            break;
        }
    if (!found)
        insert_attribute(attrs, {std::string(name), std::move(text), bare});
    doc.m.set_attributes(&n, std::move(attrs));
    return S_OK;
}

bool remove_attribute_on(doc_state& doc, node& n, std::string_view name)
{
    std::vector<attribute> attrs = n.attributes;
    auto before = attrs.size();
    std::erase_if(attrs, [&](const attribute& a) { return equal_ignoring_case(a.name, name); });
    if (attrs.size() == before)
        return false;
    doc.m.set_attributes(&n, std::move(attrs));
    return true;
}

class style_impl final : public style {
public:
    style_impl(std::shared_ptr<doc_state> doc, node_ptr n) : doc_(std::move(doc)), n_(std::move(n)) { }
    std::string get(std::string_view property) const override
    {
        std::string name = css_name(property);
        for (auto& [k, v] : parse_declarations(text()))
            if (k == name)
                return v;
        return {};
    }
    hresult put(std::string_view property, std::string_view value_text) override
    {
        std::string name = css_name(property);
        auto decls = parse_declarations(text());
        bool found = false;
        for (auto& [k, v] : decls)
            if (k == name) {
                v = std::string(value_text);
                found = true;
            }
        if (!found)
            decls.emplace_back(name, std::string(value_text));
        std::erase_if(decls, [](auto& d) { return d.second.empty(); });
        return write(decls);
    }
    std::string css_text() const override
    {
        std::string out;
        for (auto& [k, v] : parse_declarations(text())) {
            if (!out.empty())
                out += "; ";
            out += to_upper(k) + ": " + v;
        }
        return out;
    }
    hresult put_css_text(std::string_view t) override { return write(parse_declarations(t)); }

private:
    std::string text() const
    {
        const attribute* a = n_->find("style");
        return a ? a->value : std::string();
    }
    hresult write(const std::vector<std::pair<std::string, std::string>>& decls)
    {
        unit_guard unit(doc_->m);
        if (decls.empty()) {
            remove_attribute_on(*doc_, *n_, "style");
            return S_OK;
        }
        std::string out;
        for (auto& [k, v] : decls) {
            if (!out.empty())
                out += "; ";
            out += to_upper(k) + ": " + v;
        }
        return set_attribute_on(*doc_, *n_, "style", out);
    }
    std::shared_ptr<doc_state> doc_;
    node_ptr n_;
};

enum class member_type { text, number, flag };

struct facet_member {
    facet kind;
    std::string_view member;
    std::string_view attribute;
    member_type type;
};

// The typed members of the facets: member name, attribute, type.
constexpr facet_member facet_members[] = {
    {facet::body, "background", "background", member_type::text},
    {facet::body, "bgColor", "bgcolor", member_type::text},
    {facet::body, "text", "text", member_type::text},
    {facet::body, "link", "link", member_type::text},
    {facet::body, "vLink", "vlink", member_type::text},
    {facet::body, "aLink", "alink", member_type::text},
    {facet::body, "onload", "onload", member_type::text},
    {facet::anchor, "href", "href", member_type::text},
    {facet::anchor, "target", "target", member_type::text},
    {facet::anchor, "name", "name", member_type::text},
    {facet::anchor, "title", "title", member_type::text},
    {facet::image, "src", "src", member_type::text},
    {facet::image, "alt", "alt", member_type::text},
    {facet::image, "width", "width", member_type::number},
    {facet::image, "height", "height", member_type::number},
    {facet::image, "border", "border", member_type::text},
    {facet::image, "align", "align", member_type::text},
    {facet::image, "hspace", "hspace", member_type::number},
    {facet::image, "vspace", "vspace", member_type::number},
    {facet::image, "useMap", "usemap", member_type::text},
    {facet::image, "isMap", "ismap", member_type::flag},
    {facet::image, "name", "name", member_type::text},
    {facet::input, "type", "type", member_type::text},
    {facet::input, "name", "name", member_type::text},
    {facet::input, "value", "value", member_type::text},
    {facet::input, "checked", "checked", member_type::flag},
    {facet::input, "size", "size", member_type::number},
    {facet::input, "maxLength", "maxlength", member_type::number},
    {facet::input, "readOnly", "readonly", member_type::flag},
    {facet::input, "disabled", "disabled", member_type::flag},
    {facet::input, "src", "src", member_type::text},
    {facet::textarea, "name", "name", member_type::text},
    {facet::textarea, "rows", "rows", member_type::number},
    {facet::textarea, "cols", "cols", member_type::number},
    {facet::textarea, "readOnly", "readonly", member_type::flag},
    {facet::label, "htmlFor", "for", member_type::text},
    {facet::select, "name", "name", member_type::text},
    {facet::select, "size", "size", member_type::number},
    {facet::select, "multiple", "multiple", member_type::flag},
    {facet::option, "value", "value", member_type::text},
    {facet::option, "selected", "selected", member_type::flag},
    {facet::table, "border", "border", member_type::text},
    {facet::table, "cellPadding", "cellpadding", member_type::text},
    {facet::table, "cellSpacing", "cellspacing", member_type::text},
    {facet::table, "width", "width", member_type::text},
    {facet::table, "height", "height", member_type::text},
    {facet::table, "bgColor", "bgcolor", member_type::text},
    {facet::table, "borderColor", "bordercolor", member_type::text},
    {facet::table, "align", "align", member_type::text},
    {facet::table, "background", "background", member_type::text},
    {facet::row, "align", "align", member_type::text},
    {facet::row, "vAlign", "valign", member_type::text},
    {facet::row, "bgColor", "bgcolor", member_type::text},
    {facet::cell, "colSpan", "colspan", member_type::number},
    {facet::cell, "rowSpan", "rowspan", member_type::number},
    {facet::cell, "width", "width", member_type::text},
    {facet::cell, "height", "height", member_type::text},
    {facet::cell, "align", "align", member_type::text},
    {facet::cell, "vAlign", "valign", member_type::text},
    {facet::cell, "bgColor", "bgcolor", member_type::text},
    {facet::cell, "noWrap", "nowrap", member_type::flag},
    {facet::caption, "align", "align", member_type::text},
    {facet::object, "classid", "classid", member_type::text},
    {facet::object, "codeBase", "codebase", member_type::text},
    {facet::object, "width", "width", member_type::text},
    {facet::object, "height", "height", member_type::text},
    {facet::object, "data", "data", member_type::text},
    {facet::object, "type", "type", member_type::text},
    {facet::object, "name", "name", member_type::text},
    {facet::marquee, "behavior", "behavior", member_type::text},
    {facet::marquee, "direction", "direction", member_type::text},
    {facet::marquee, "loop", "loop", member_type::number},
    {facet::marquee, "scrollAmount", "scrollamount", member_type::number},
    {facet::marquee, "scrollDelay", "scrolldelay", member_type::number},
    {facet::marquee, "bgColor", "bgcolor", member_type::text},
    {facet::marquee, "width", "width", member_type::text},
    {facet::marquee, "height", "height", member_type::text},
    {facet::bgsound, "src", "src", member_type::text},
    {facet::bgsound, "loop", "loop", member_type::number},
    {facet::bgsound, "volume", "volume", member_type::number},
    {facet::bgsound, "balance", "balance", member_type::number},
    {facet::paragraph, "align", "align", member_type::text},
    {facet::div, "align", "align", member_type::text},
    {facet::font, "face", "face", member_type::text},
    {facet::font, "size", "size", member_type::text},
    {facet::font, "color", "color", member_type::text},
    {facet::style_element, "type", "type", member_type::text},
    {facet::style_element, "title", "title", member_type::text},
    {facet::style_element, "media", "media", member_type::text},
};

bool facet_matches(facet kind, const node& n)
{
    if (!n.is_element())
        return false;
    const std::string& t = n.name;
    switch (kind) {
    case facet::body: return t == "BODY";
    case facet::anchor: return t == "A";
    case facet::image: return t == "IMG";
    case facet::input: return t == "INPUT";
    case facet::textarea: return t == "TEXTAREA";
    case facet::label: return t == "LABEL";
    case facet::select: return t == "SELECT";
    case facet::option: return t == "OPTION";
    case facet::table: return t == "TABLE";
    case facet::row: return t == "TR";
    case facet::cell: return t == "TD" || t == "TH";
    case facet::caption: return t == "CAPTION";
    case facet::object: return t == "OBJECT";
    case facet::marquee: return t == "MARQUEE";
    case facet::bgsound: return t == "BGSOUND";
    case facet::paragraph: return t == "P";
    case facet::div: return t == "DIV";
    case facet::font: return t == "FONT";
    case facet::style_element: return t == "STYLE";
    }
    return false;
}

std::int32_t read_number(std::string_view text, std::int32_t fallback)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = i < text.size() && text[i] == '-';
    if (negative || (i < text.size() && text[i] == '+'))
        ++i;
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i])))
        return fallback;
    long long v = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && v < 0x7FFFFFFF)
        v = v * 10 + (text[i++] - '0');
    v = std::min<long long>(v, 0x7FFFFFFF);
    return static_cast<std::int32_t>(negative ? -v : v);
}

class element_impl final : public element,
                           public element_handle_owner,
                           public std::enable_shared_from_this<element_impl> {
public:
    element_impl(std::shared_ptr<doc_state> doc, node_ptr n) : doc_(std::move(doc)), n_(std::move(n)) { }
    ~element_impl() override
    {
        if (n_->handle == this)
            n_->handle = nullptr;
    }
    element_impl(const element_impl&) = delete;
    element_impl& operator=(const element_impl&) = delete;
    const node_ptr& node_ref() const { return n_; }

    std::string tag_name() const override { return n_->is_element() ? n_->name.str() : "!"; }
    std::string id() const override
    {
        const attribute* a = n_->find("id");
        return a ? a->value : std::string();
    }
    hresult get_attribute(std::string_view name, value& out) const override
    {
        const attribute* a = n_->find(name);
        if (!a) {
            out = value();
            return S_FALSE;
        }
        out = value(a->value);
        return S_OK;
    }
    hresult set_attribute(std::string_view name, const value& v, int) override
    {
        if (name.empty() || !n_->is_element()
            || name.find_first_of(" \t\r\n\f/<>=\"'") != std::string_view::npos)
            return E_INVALIDARG;
        unit_guard unit(doc_->m);
        return set_attribute_on(*doc_, *n_, name, v.to_text());
    }
    hresult remove_attribute(std::string_view name, bool& removed) override
    {
        unit_guard unit(doc_->m);
        removed = n_->is_element() && remove_attribute_on(*doc_, *n_, name);
        return S_OK;
    }
    element_ptr parent() const override
    {
        node* p = n_->parent;
        if (!p || p->kind == node_kind::document || p->name == "#FRAGMENT")
            return nullptr;
        return doc_->wrap(p);
    }
    collection_ptr children() const override
    {
        std::vector<node_ptr> out;
        for (const node_ptr& c : n_->children)
            if (c->is_element() || c->kind == node_kind::comment)
                out.push_back(c);
        return make_collection(doc_, std::move(out));
    }
    collection_ptr all() const override { return make_collection(doc_, descendants(*n_)); }
    hresult inner_html(std::string& out) const override
    {
        out = serialise(*n_, false);
        return S_OK;
    }
    hresult outer_html(std::string& out) const override
    {
        out = serialise(*n_, true);
        return S_OK;
    }
    hresult inner_text(std::string& out) const override
    {
        out = plain_text_of(*n_);
        return S_OK;
    }
    hresult put_inner_html(std::string_view html) override
    {
        if (!n_->is_element() || info_of(*n_).is_void)
            return E_FAIL;
        unit_guard unit(doc_->m);
        doc_->m.remove_nodes(n_.get(), 0, n_->children.size());
        if (info_of(*n_).raw || info_of(*n_).escapable_raw)
            doc_->m.insert_nodes(n_.get(), 0, {make_text(std::string(html))});
        else
            doc_->m.insert_nodes(n_.get(), 0, parse_fragment(html));
        return S_OK;
    }
    hresult put_outer_html(std::string_view html) override
    {
        node* p = n_->parent;
        if (!p || !doc_->attached(n_.get()) || p->kind == node_kind::document)
            return E_UNEXPECTED;
        unit_guard unit(doc_->m);
        std::size_t at = index_in_parent(*n_);
        doc_->m.insert_nodes(p, at + 1, parse_fragment(html));
        doc_->m.remove_nodes(p, at, 1);
        return S_OK;
    }
    hresult put_inner_text(std::string_view text) override
    {
        if (!n_->is_element() || info_of(*n_).is_void)
            return E_FAIL;
        unit_guard unit(doc_->m);
        doc_->m.remove_nodes(n_.get(), 0, n_->children.size());
        if (!text.empty())
            doc_->m.insert_nodes(n_.get(), 0, {make_text(std::string(text))});
        return S_OK;
    }
    hresult insert_adjacent_html(adjacency where, std::string_view html) override
    {
        auto nodes = parse_fragment(html);
        unit_guard unit(doc_->m);
        switch (where) {
        case adjacency::after_begin:
        case adjacency::before_end:
            if (!n_->is_element() || info_of(*n_).is_void)
                return E_FAIL;
            if (info_of(*n_).raw || info_of(*n_).escapable_raw)
                nodes = {make_text(std::string(html))};
            doc_->m.insert_nodes(n_.get(), where == adjacency::after_begin ? 0 : n_->children.size(), std::move(nodes));
            return S_OK;
        case adjacency::before_begin:
        case adjacency::after_end: {
            node* p = n_->parent;
            if (!p || !doc_->attached(n_.get()) || p->kind == node_kind::document)
                return E_UNEXPECTED;
            std::size_t at = index_in_parent(*n_) + (where == adjacency::after_end ? 1 : 0);
            doc_->m.insert_nodes(p, at, std::move(nodes));
            return S_OK;
        }
        }
        return E_INVALIDARG;
    }
    hresult focus() override
    {
        if (!doc_->attached(n_.get()))
            return E_UNEXPECTED;
        doc_->active = n_;
        return S_OK;
    }
    std::shared_ptr<html::style> style() override { return std::make_shared<style_impl>(doc_, n_); }

    bool has(facet kind) const override { return facet_matches(kind, *n_); }
    hresult get(facet kind, std::string_view member, value& out) const override
    {
        if (!has(kind))
            return platform::com::E_NOINTERFACE;
        if (kind == facet::option && member == "text") {
            out = value(plain_text_of(*n_));
            return S_OK;
        }
        if ((kind == facet::style_element && member == "cssText") || (kind == facet::textarea && member == "value")) {
            std::string text;
            for (const node_ptr& c : n_->children)
                if (c->is_text())
                    text += c->data;
            out = value(std::move(text));
            return S_OK;
        }
        const facet_member* m = find(kind, member);
        if (!m)
            return platform::com::E_NOTIMPL;
        const attribute* a = n_->find(m->attribute);
        switch (m->type) {
        case member_type::text:
            if (kind == facet::input && member == "type")
                out = value(a && !a->value.empty() ? to_lower(a->value) : std::string("text"));
            else
                out = value(a ? a->value : std::string());
            return S_OK;
        case member_type::number: {
            std::int32_t fallback = 0;
            if (kind == facet::cell && (member == "colSpan" || member == "rowSpan"))
                fallback = 1;
            if (kind == facet::bgsound && member == "loop")
                fallback = 1;
            if (kind == facet::marquee && member == "loop")
                fallback = -1;
            if (a && (kind == facet::bgsound || kind == facet::marquee) && member == "loop"
                && (equal_ignoring_case(a->value, "infinite") || read_number(a->value, 0) < 0))
                out = value(std::int32_t {-1});
            else
                out = value(a ? read_number(a->value, fallback) : fallback);
            return S_OK;
        }
        case member_type::flag:
            out = value(a != nullptr);
            return S_OK;
        }
        return E_FAIL;
    }
    hresult put(facet kind, std::string_view member, const value& v) override
    {
        if (!has(kind))
            return platform::com::E_NOINTERFACE;
        unit_guard unit(doc_->m);
        if ((kind == facet::style_element && member == "cssText") || (kind == facet::textarea && member == "value")) {
            doc_->m.remove_nodes(n_.get(), 0, n_->children.size());
            if (!v.to_text().empty())
                doc_->m.insert_nodes(n_.get(), 0, {make_text(v.to_text())});
            return S_OK;
        }
        if (kind == facet::option && member == "text")
            return put_inner_text(v.to_text());
        const facet_member* m = find(kind, member);
        if (!m)
            return platform::com::E_NOTIMPL;
        switch (m->type) {
        case member_type::text:
            return set_attribute_on(*doc_, *n_, m->attribute, v.to_text());
        case member_type::number:
            return set_attribute_on(*doc_, *n_, m->attribute, std::to_string(v.to_int32()));
        case member_type::flag:
            if (v.type() == value::kind::boolean ? v.boolean() : v.to_int32() != 0)
                return set_attribute_on(*doc_, *n_, m->attribute, {}, true);
            remove_attribute_on(*doc_, *n_, m->attribute);
            return S_OK;
        }
        return E_FAIL;
    }
    collection_ptr facet_collection(facet kind, std::string_view member) const override
    {
        if (!has(kind))
            return nullptr;
        std::vector<node_ptr> out;
        if (kind == facet::table && member == "rows") {
            // Rows of this table, not of tables inside its cells.
            std::vector<const node*> work {n_.get()};
            while (!work.empty()) {
                const node* c = work.back();
                work.pop_back();
                for (auto it = c->children.rbegin(); it != c->children.rend(); ++it) {
                    const node_ptr& k = *it;
                    if (!k->is_element() || k->name == "TABLE")
                        continue;
                    if (k->name == "TR")
                        out.push_back(k);
                    else
                        work.push_back(k.get());
                }
            }
            std::reverse(out.begin(), out.end());
            // The walk above visits siblings in reverse; restore document order.
            std::stable_sort(out.begin(), out.end(), [](const node_ptr& a, const node_ptr& b) {
                return compare({a->parent, index_in_parent(*a), 0}, {b->parent, index_in_parent(*b), 0}) < 0;
            });
        } else if (kind == facet::row && member == "cells") {
            for (const node_ptr& c : n_->children)
                if (c->is_element() && (c->name == "TD" || c->name == "TH"))
                    out.push_back(c);
        } else if (kind == facet::select && member == "options") {
            for (const node_ptr& c : descendants(*n_))
                if (c->name == "OPTION")
                    out.push_back(c);
        } else {
            return nullptr;
        }
        return make_collection(doc_, std::move(out));
    }
    element_ptr caption() const override
    {
        if (n_->name != "TABLE")
            return nullptr;
        return doc_->wrap(find_child(n_.get(), "CAPTION"));
    }

private:
    static const facet_member* find(facet kind, std::string_view member)
    {
        for (const facet_member& m : facet_members)
            if (m.kind == kind && equal_ignoring_case(m.member, member))
                return &m;
        return nullptr;
    }
    std::shared_ptr<doc_state> doc_;
    node_ptr n_;
};

class range_impl final : public text_range {
public:
    explicit range_impl(const std::shared_ptr<doc_state>& doc) : start_(doc), end_(doc)
    {
        start_.t.side = gravity::left;
        end_.t.side = gravity::right;
    }
    tracked& start() { return start_.t; }
    tracked& end() { return end_.t; }
    const tracked& start() const { return start_.t; }
    const tracked& end() const { return end_.t; }
    doc_state& doc() const { return *start_.doc; }

    void set(const position& a, const position& b)
    {
        start_.t.at = doc().m.normalise(a);
        end_.t.at = doc().m.normalise(b);
        start_.t.positioned = end_.t.positioned = true;
        order();
    }

    hresult text(std::string& out) const override
    {
        if (!valid())
            return E_UNEXPECTED;
        out = plain_text(start().at, end().at);
        return S_OK;
    }
    hresult paste_html(std::string_view html) override
    {
        if (!valid())
            return E_UNEXPECTED;
        if (in_text_only_element(start().at) || in_text_only_element(end().at))
            return E_INVALIDARG;
        unit_guard unit(doc().m);
        paste_over(doc(), start(), end(), html);
        return S_OK;
    }
    element_ptr parent_element() const override
    {
        if (!valid())
            return nullptr;
        node* a = start().at.container;
        while (a && !is_ancestor_or_self(a, end().at.container))
            a = a->parent;
        while (a && !a->is_element())
            a = a->parent;
        if (!a || a->name == "HTML")
            return doc().wrap(doc().body());
        return doc().wrap(a);
    }
    hresult select() override
    {
        if (!valid())
            return E_UNEXPECTED;
        doc().select(start().at, end().at);
        return S_OK;
    }
    hresult collapse(bool to_start) override
    {
        if (!valid())
            return E_UNEXPECTED;
        if (to_start)
            end().at = start().at;
        else
            start().at = end().at;
        return S_OK;
    }
    hresult move_start(std::string_view unit, long count, long* moved) override { return move(start(), unit, count, moved); }
    hresult move_end(std::string_view unit, long count, long* moved) override { return move(end(), unit, count, moved); }
    hresult move_to_element_text(const element_ptr& target) override
    {
        node_ptr n = node_of(target);
        if (!n || !doc().attached(n.get()) || !n->is_element())
            return E_UNEXPECTED;
        set({n.get(), 0, 0}, {n.get(), n->children.size(), 0});
        return S_OK;
    }

private:
    bool valid() const
    {
        return start().positioned && end().positioned && doc().attached(start().at.container)
            && doc().attached(end().at.container);
    }
    void order()
    {
        if (compare(start().at, end().at) > 0)
            std::swap(start().at, end().at);
    }
    hresult move(tracked& which, std::string_view unit, long count, long* moved)
    {
        if (!valid())
            return E_UNEXPECTED;
        long done = 0;
        if (equal_ignoring_case(unit, "textedit")) {
            node* body = doc().body();
            if (!body)
                return E_UNEXPECTED;
            which.at = count < 0 ? position {body, 0, 0} : position {body, body->children.size(), 0};
            done = count == 0 ? 0 : (count < 0 ? -1 : 1);
        } else if (equal_ignoring_case(unit, "character") || equal_ignoring_case(unit, "word")) {
            node* body = doc().body();
            if (!body || !is_ancestor_or_self(body, which.at.container))
                return E_UNEXPECTED;
            position p = which.at;
            long n = advance_characters(p, count < 0 ? -count : count, count > 0, body);
            which.at = doc().m.normalise(p);
            done = count < 0 ? -n : n;
        } else {
            return E_INVALIDARG;
        }
        // A start moved past the end drags the end along, and the other way round.
        if (&which == &start() && compare(start().at, end().at) > 0)
            end().at = start().at;
        if (&which == &end() && compare(start().at, end().at) > 0)
            start().at = end().at;
        if (moved)
            *moved = done;
        return S_OK;
    }

    tracked_place start_;
    tracked_place end_;
};

class control_range_impl final : public control_range {
public:
    control_range_impl(std::shared_ptr<doc_state> doc, node_ptr n) : doc_(std::move(doc)), n_(std::move(n)) { }
    long length() const override { return 1; }
    element_ptr item(long index) const override { return index == 0 ? doc_->wrap(n_) : nullptr; }
    element_ptr common_parent() const override { return doc_->wrap(n_->parent); }

private:
    std::shared_ptr<doc_state> doc_;
    node_ptr n_;
};

class selection_impl final : public selection {
public:
    explicit selection_impl(std::shared_ptr<doc_state> doc) : doc_(std::move(doc)) { }
    std::string type() const override
    {
        if (doc_->selected_control())
            return "Control";
        doc_->ensure_selection();
        return doc_->sel_first() == doc_->sel_last() ? "None" : "Text";
    }
    std::shared_ptr<text_range> create_range() override
    {
        if (doc_->selected_control())
            return nullptr;
        doc_->ensure_selection();
        auto r = std::make_shared<range_impl>(doc_);
        r->set(doc_->sel_first(), doc_->sel_last());
        return r;
    }
    std::shared_ptr<control_range> create_control_range() override
    {
        node_ptr c = doc_->selected_control();
        return c ? std::make_shared<control_range_impl>(doc_, c) : nullptr;
    }
    hresult select_control(const element_ptr& target) override
    {
        node_ptr n = node_of(target);
        if (!n || !doc_->attached(n.get()) || !n->parent)
            return E_UNEXPECTED;
        std::size_t at = index_in_parent(*n);
        doc_->select({n->parent, at, 0}, {n->parent, at + 1, 0});
        doc_->control = n;
        return S_OK;
    }
    hresult empty() override
    {
        doc_->control.reset();
        doc_->ensure_selection();
        doc_->sel_end.at = doc_->sel_start.at;
        return S_OK;
    }

private:
    std::shared_ptr<doc_state> doc_;
};

class pointer_impl final : public markup_pointer {
public:
    explicit pointer_impl(const std::shared_ptr<doc_state>& doc) : place_(doc) { }
    tracked& t() { return place_.t; }
    const tracked& t() const { return place_.t; }
    doc_state& doc() const { return *place_.doc; }

    hresult move_adjacent_to_element(const element_ptr& target, adjacency where) override
    {
        node_ptr n = node_of(target);
        if (!n || !n->parent)
            return E_UNEXPECTED;
        bool inside = where == adjacency::after_begin || where == adjacency::before_end;
        if (inside && (!n->is_element() || info_of(*n).is_void))
            return E_INVALIDARG;
        switch (where) {
        case adjacency::before_begin: t().at = {n->parent, index_in_parent(*n), 0}; break;
        case adjacency::after_begin: t().at = {n.get(), 0, 0}; break;
        case adjacency::before_end: t().at = {n.get(), n->children.size(), 0}; break;
        case adjacency::after_end: t().at = {n->parent, index_in_parent(*n) + 1, 0}; break;
        }
        t().positioned = true;
        return S_OK;
    }
    hresult move_to_pointer(const markup_pointer& other) override
    {
        auto& o = static_cast<const pointer_impl&>(other);
        if (!o.t().positioned)
            return E_UNEXPECTED;
        t().at = o.t().at;
        t().positioned = true;
        return S_OK;
    }
    hresult left(bool move, context& what, element_ptr* passed) override { return look(false, move, what, passed); }
    hresult right(bool move, context& what, element_ptr* passed) override { return look(true, move, what, passed); }
    element_ptr current_scope() const override
    {
        if (!t().positioned)
            return nullptr;
        node* c = t().at.container;
        while (c && !c->is_element())
            c = c->parent;
        return doc().wrap(c);
    }
    hresult is_equal_to(const markup_pointer& other, bool& equal) const override
    {
        auto& o = static_cast<const pointer_impl&>(other);
        if (!t().positioned || !o.t().positioned)
            return E_UNEXPECTED;
        equal = compare(doc().m.normalise(t().at), doc().m.normalise(o.t().at)) == 0;
        return S_OK;
    }
    hresult is_left_of_or_equal_to(const markup_pointer& other, bool& result) const override
    {
        auto& o = static_cast<const pointer_impl&>(other);
        if (!t().positioned || !o.t().positioned)
            return E_UNEXPECTED;
        result = compare(doc().m.normalise(t().at), doc().m.normalise(o.t().at)) <= 0;
        return S_OK;
    }
    html::gravity gravity() const override { return t().side; }
    void set_gravity(html::gravity g) override { t().side = g; }
    bool is_positioned() const override { return t().positioned && doc().attached(t().at.container); }
    void unposition() override { t().positioned = false; }

private:
    hresult look(bool forward, bool move, context& what, element_ptr* passed)
    {
        if (passed)
            *passed = nullptr;
        if (!is_positioned())
            return E_UNEXPECTED;
        position p = doc().m.normalise(t().at);
        node* c = p.container;
        position next = p;
        node* item = nullptr;
        if (forward) {
            if (p.offset > 0 || (p.index < c->children.size() && c->children[p.index]->is_text())) {
                what = context::text;
                std::size_t i = p.index;
                while (i < c->children.size() && c->children[i]->is_text())
                    ++i;
                next = {c, i, 0};
            } else if (p.index < c->children.size()) {
                item = c->children[p.index].get();
                bool scoped = item->is_element() && !info_of(*item).is_void;
                what = scoped ? context::enter_scope : context::no_scope;
                next = scoped ? position {item, 0, 0} : position {c, p.index + 1, 0};
            } else if (c->parent && c->is_element()) {
                item = c;
                what = context::exit_scope;
                next = {c->parent, index_in_parent(*c) + 1, 0};
            } else {
                what = context::none;
            }
        } else {
            if (p.offset > 0 || (p.index > 0 && c->children[p.index - 1]->is_text())) {
                what = context::text;
                std::size_t i = p.offset > 0 ? p.index : p.index - 1;
                while (i > 0 && c->children[i - 1]->is_text())
                    --i;
                next = {c, i, 0};
            } else if (p.index > 0) {
                item = c->children[p.index - 1].get();
                bool scoped = item->is_element() && !info_of(*item).is_void;
                what = scoped ? context::enter_scope : context::no_scope;
                next = scoped ? position {item, item->children.size(), 0} : position {c, p.index - 1, 0};
            } else if (c->parent && c->is_element()) {
                item = c;
                what = context::exit_scope;
                next = {c->parent, index_in_parent(*c), 0};
            } else {
                what = context::none;
            }
        }
        if (passed && item)
            *passed = doc().wrap(item);
        if (move)
            t().at = next;
        return S_OK;
    }

    tracked_place place_;
};

tracked& tracked_of(markup_pointer& p) { return static_cast<pointer_impl&>(p).t(); }
const tracked& tracked_of(const markup_pointer& p) { return static_cast<const pointer_impl&>(p).t(); }

class markup_impl final : public markup_services {
public:
    explicit markup_impl(std::weak_ptr<doc_state> doc) : doc_(std::move(doc)) { }
    doc_state& doc() const { return *doc_.lock(); }

    pointer_ptr create_pointer() override { return std::make_shared<pointer_impl>(doc_.lock()); }
    hresult create_element(tag_id id, std::string_view attributes, element_ptr& out) override
    {
        std::string name;
        switch (id) {
        case tag_id::a: name = "A"; break;
        case tag_id::bgsound: name = "BGSOUND"; break;
        case tag_id::br: name = "BR"; break;
        case tag_id::comment: name = "!"; break;
        case tag_id::div: name = "DIV"; break;
        case tag_id::img: name = "IMG"; break;
        case tag_id::marquee: name = "MARQUEE"; break;
        case tag_id::object: name = "OBJECT"; break;
        case tag_id::p: name = "P"; break;
        case tag_id::style: name = "STYLE"; break;
        default: return E_INVALIDARG;
        }
        node_ptr n;
        if (name == "!") {
            // A comment is "<!--text-->"; text given without its dashes gets them.
            std::string text(attributes);
            if (text.rfind("--", 0) != 0 || text.size() < 4 || text.substr(text.size() - 2) != "--")
                text = "--" + text + "--";
            if (text.find("-->") != std::string::npos)
                return E_INVALIDARG; // it would end the comment early
            n = make_comment(std::move(text));
        } else {
            auto parsed = parse_fragment("<" + name + " " + std::string(attributes) + ">");
            n = !parsed.empty() && parsed.front()->is_element() ? parsed.front() : make_element(name);
            n->children.clear();
            n->parent = nullptr;
        }
        out = doc().wrap(n);
        return S_OK;
    }
    hresult insert_element(const element_ptr& target, markup_pointer& start, markup_pointer& end) override
    {
        node_ptr n = node_of(target);
        tracked& s = tracked_of(start);
        tracked& e = tracked_of(end);
        if (!n || n->parent || !placed(s) || !placed(e))
            return E_UNEXPECTED;
        if (compare(doc().m.normalise(s.at), doc().m.normalise(e.at)) > 0)
            return E_INVALIDARG;
        if (in_text_only_element(s.at) || in_text_only_element(e.at))
            return E_INVALIDARG;
        unit_guard unit(doc().m);
        bool is_void = !n->is_element() || info_of(*n).is_void;
        if (is_void || doc().m.normalise(s.at) == doc().m.normalise(e.at)) {
            position at = doc().m.split_at(s.at);
            doc().m.insert_nodes(at.container, at.index, {n});
            return S_OK;
        }
        auto span = doc().m.isolate(s, e);
        doc().m.insert_nodes(span.container, span.first, {n});
        doc().m.move_nodes(span.container, span.first + 1, span.last - span.first, n.get(), 0);
        return S_OK;
    }
    hresult remove_element(const element_ptr& target) override
    {
        node_ptr n = node_of(target);
        if (!n || !n->parent || !doc().attached(n.get()))
            return E_UNEXPECTED;
        node* p = n->parent;
        if (p->kind == node_kind::document || n->name == "BODY" || n->name == "HTML")
            return E_INVALIDARG;
        unit_guard unit(doc().m);
        std::size_t at = index_in_parent(*n);
        // A script's or style's text belongs to it and goes with it.
        bool content_is_its_own = n->is_element() && (info_of(*n).raw || info_of(*n).escapable_raw);
        if (!content_is_its_own)
            doc().m.move_nodes(n.get(), 0, n->children.size(), p, at + 1);
        doc().m.remove_nodes(p, at, 1);
        return S_OK;
    }
    hresult remove(markup_pointer& start, markup_pointer& end) override
    {
        tracked& s = tracked_of(start);
        tracked& e = tracked_of(end);
        if (!placed(s) || !placed(e))
            return E_UNEXPECTED;
        if (compare(doc().m.normalise(s.at), doc().m.normalise(e.at)) > 0)
            return E_INVALIDARG;
        unit_guard unit(doc().m);
        tracked_place a(doc_.lock()), b(doc_.lock());
        a.t = s;
        b.t = e;
        auto span = doc().m.isolate(a.t, b.t);
        doc().m.remove_nodes(span.container, span.first, span.last - span.first);
        return S_OK;
    }
    hresult move(markup_pointer& start, markup_pointer& end, markup_pointer& target) override
    {
        tracked& s = tracked_of(start);
        tracked& e = tracked_of(end);
        tracked& t = tracked_of(target);
        if (!placed(s) || !placed(e) || !placed(t))
            return E_UNEXPECTED;
        position ns = doc().m.normalise(s.at), ne = doc().m.normalise(e.at), nt = doc().m.normalise(t.at);
        if (compare(ns, ne) > 0)
            return E_INVALIDARG;
        if (compare(ns, nt) < 0 && compare(nt, ne) < 0)
            return E_INVALIDARG;
        if (in_text_only_element(nt))
            return E_INVALIDARG;
        unit_guard unit(doc().m);
        tracked_place a(doc_.lock()), b(doc_.lock()), dest(doc_.lock());
        a.t = s;
        b.t = e;
        dest.t = t;
        dest.t.side = gravity::left;
        dest.t.at = doc().m.split_at(dest.t.at);
        auto span = doc().m.isolate(a.t, b.t);
        position d = doc().m.split_at(dest.t.at);
        for (std::size_t i = span.first; i < span.last; ++i)
            if (is_ancestor_or_self(span.container->children[i].get(), d.container))
                return E_INVALIDARG;
        doc().m.move_nodes(span.container, span.first, span.last - span.first, d.container, d.index);
        return S_OK;
    }
    hresult insert_text(std::string_view text, markup_pointer& at) override
    {
        tracked& p = tracked_of(at);
        if (!placed(p))
            return E_UNEXPECTED;
        if (text.empty())
            return S_OK;
        unit_guard unit(doc().m);
        position q = doc().m.split_at(p.at);
        if (!q.container->is_element() || info_of(*q.container).is_void)
            return E_INVALIDARG;
        doc().m.insert_nodes(q.container, q.index, {make_text(std::string(text))});
        return S_OK;
    }
    hresult move_pointers_to_range(const text_range& range, markup_pointer& start, markup_pointer& end) override
    {
        auto& r = static_cast<const range_impl&>(range);
        tracked_of(start).at = r.start().at;
        tracked_of(end).at = r.end().at;
        tracked_of(start).positioned = r.start().positioned;
        tracked_of(end).positioned = r.end().positioned;
        return r.start().positioned ? S_OK : E_UNEXPECTED;
    }
    hresult move_range_to_pointers(const markup_pointer& start, const markup_pointer& end, text_range& range) override
    {
        const tracked& s = tracked_of(start);
        const tracked& e = tracked_of(end);
        if (!placed(s) || !placed(e))
            return E_UNEXPECTED;
        static_cast<range_impl&>(range).set(s.at, e.at);
        return S_OK;
    }
    hresult begin_undo_unit(std::string_view) override
    {
        doc().m.begin_unit();
        return S_OK;
    }
    hresult end_undo_unit() override
    {
        doc().m.end_unit();
        return S_OK;
    }

private:
    bool placed(const tracked& t) const { return t.positioned && doc().attached(t.at.container); }
    std::weak_ptr<doc_state> doc_;
};

class command_target_impl final : public command_target {
public:
    explicit command_target_impl(std::weak_ptr<doc_state> doc) : doc_(std::move(doc)) { }
    hresult exec(std::string_view group, int id, int, const value* in, value* out) override
    {
        if (group != edit_command_group)
            return OLECMDERR_E_NOTSUPPORTED;
        auto doc = doc_.lock();
        if (id == static_cast<int>(command::undo) || id == static_cast<int>(command::redo))
            return run_command(*doc, id, in, out);
        unit_guard unit(doc->m);
        return run_command(*doc, id, in, out);
    }
    hresult query_status(std::string_view group, int id, std::uint32_t& flags) override
    {
        flags = 0;
        if (group != edit_command_group)
            return OLECMDERR_E_NOTSUPPORTED;
        return command_status(*doc_.lock(), id, flags);
    }

private:
    std::weak_ptr<doc_state> doc_;
};

class input_impl final : public input {
public:
    explicit input_impl(std::weak_ptr<doc_state> doc) : doc_(std::move(doc)) { }
    void key_down(int key_code, bool ctrl, bool shift, bool alt) override
    {
        auto doc = doc_.lock();
        if (doc->host->translate_accelerator(key_code, ctrl, shift, alt))
            return;
        event e;
        e.dispid = event_key_down;
        e.key_code = key_code;
        e.ctrl = ctrl;
        e.shift = shift;
        e.alt = alt;
        e.source = doc->active.lock() ? doc->wrap(doc->active.lock()) : doc->wrap(doc->body());
        doc->host->on_event(e);
        if (e.cancelled() || ctrl || alt)
            return;
        unit_guard unit(doc->m);
        default_key_action(*doc, key_code, shift);
    }
    void type_text(std::string_view text) override
    {
        auto doc = doc_.lock();
        unit_guard unit(doc->m);
        insert_typed_text(*doc, text);
    }
    void mouse(mouse_action action, point at, int button) override
    {
        auto doc = doc_.lock();
        element_ptr under = doc->hit_test ? doc->hit_test->element_at(at) : nullptr;
        if (action == mouse_action::down && under) {
            std::string tag = under->tag_name();
            if (tag == "IMG" || tag == "MARQUEE" || tag == "OBJECT" || tag == "TABLE" || tag == "INPUT") {
                event c;
                c.dispid = event_control_select;
                c.client = at;
                c.button = button;
                c.source = under;
                doc->host->on_event(c);
                if (!c.cancelled()) {
                    selection_impl sel(doc);
                    (void)sel.select_control(under);
                }
            }
        }
        event e;
        e.dispid = action == mouse_action::down ? event_mouse_down : action == mouse_action::up ? event_mouse_up : event_mouse_move;
        e.client = at;
        e.screen = at;
        e.button = button;
        e.source = under;
        doc->host->on_event(e);
        if (action == mouse_action::down && under && !e.cancelled() && !doc->selected_control()) {
            node_ptr n = node_of(under);
            if (n && doc->attached(n.get()) && n->is_element() && !info_of(*n).is_void) {
                doc->control.reset();
                doc->select({n.get(), 0, 0}, {n.get(), 0, 0});
            }
        }
    }
    void context_menu(point at) override { doc_.lock()->host->show_context_menu(at); }

private:
    std::weak_ptr<doc_state> doc_;
};

class document_impl final : public document {
public:
    document_impl(document_host& host, headless_ports ports)
    {
        if (!ports.queue)
            throw std::invalid_argument("a headless document needs a UI queue");
        state_ = std::make_shared<doc_state>();
        state_->host = &host;
        if (!ports.clip)
            ports.clip = std::make_shared<clipboard>();
        if (!ports.loader)
            ports.loader = std::shared_ptr<url_loader>(make_standard_url_loader(*ports.queue, ports.resource_folder));
        state_->ports = std::move(ports);
        markup_ = std::make_unique<markup_impl>(state_);
        target_ = std::make_unique<command_target_impl>(state_);
        state_->target = target_.get();
        input_ = std::make_unique<input_impl>(state_);
    }
    ~document_impl() override { state_->load_generation = -1; }

    hresult init_new() override
    {
        state_->install(parse_html(""));
        state_->charset = "utf-8";
        state_->file.clear();
        state_->post_ready_states(1);
        return S_OK;
    }
    hresult load_file(std::string_view path) override
    {
        std::string bytes;
        hresult hr = read_whole_file(std::string(path), bytes);
        if (failed(hr))
            return hr;
        install_bytes(bytes, false);
        state_->file = std::string(path);
        state_->post_ready_states(1);
        return S_OK;
    }
    hresult load_url(std::string_view url) override
    {
        long generation = ++state_->load_generation;
        state_->ready_state = 1;
        state_->host->on_ready_state(1);
        std::weak_ptr<doc_state> weak = state_;
        std::string address(url);
        state_->ports.loader->fetch(url, [weak, generation, address](hresult status, std::string bytes) {
            auto doc = weak.lock();
            if (!doc || doc->load_generation != generation)
                return;
            if (failed(status)) {
                doc->host->on_load_failed(status);
                return;
            }
            std::string charset;
            std::string text = decode_page_bytes(bytes, &charset);
            std::size_t written = 0;
            doc->install(parse_html(text, {false, &written}));
            doc->page_size = written;
            doc->charset = charset;
            if (address.size() > 7 && equal_ignoring_case(address.substr(0, 7), "file://"))
                doc->file = address.substr(7);
            doc->post_ready_states(2);
        });
        return S_OK;
    }
    hresult load_bytes(std::string_view bytes, bool source_filter) override
    {
        install_bytes(bytes, source_filter);
        state_->file.clear();
        state_->post_ready_states(1);
        return S_OK;
    }
    hresult save(std::string_view path, bool remember) override
    {
        std::string target = path.empty() ? state_->file : std::string(path);
        if (target.empty())
            return E_INVALIDARG;
        std::string bytes;
        if (!encode_text(html(), state_->charset, bytes))
            return E_FAIL;
        if (auto error = platform::files::atomic_write(target, bytes, 0644))
            return platform::com::hresult_from_system_code(static_cast<std::uint32_t>(error.value()));
        if (remember) {
            state_->file = target;
            state_->m.dirty = false;
        }
        return S_OK;
    }
    std::string current_file() const override { return state_->file; }
    bool is_dirty() const override { return state_->m.dirty; }
    hresult close(bool save_first) override
    {
        if (save_first && state_->m.dirty && !state_->file.empty()) {
            hresult hr = save(state_->file, true);
            if (failed(hr))
                return hr;
        }
        ++state_->load_generation;
        state_->install(parse_html(""));
        state_->ready_state = 0;
        state_->file.clear();
        return S_OK;
    }
    void discard_undo() override { state_->m.discard_undo(); }
    int ready_state() const override { return state_->ready_state; }

    element_ptr body() const override { return state_->wrap(state_->body()); }
    collection_ptr all() const override { return make_collection(state_, descendants(*state_->m.root)); }
    collection_ptr forms() const override { return tagged("FORM"); }
    collection_ptr scripts() const override { return tagged("SCRIPT"); }
    collection_ptr anchors() const override
    {
        std::vector<node_ptr> out;
        for (const node_ptr& n : descendants(*state_->m.root))
            if (n->name == "A" && n->find("name"))
                out.push_back(n);
        return make_collection(state_, std::move(out));
    }
    std::shared_ptr<html::selection> selection() override { return std::make_shared<selection_impl>(state_); }
    element_ptr active_element() const override
    {
        node_ptr a = state_->active.lock();
        if (a && state_->attached(a.get()))
            return state_->wrap(a);
        return state_->wrap(state_->body());
    }
    element_ptr element_from_point(point at) const override
    {
        return state_->hit_test ? state_->hit_test->element_at(at) : nullptr;
    }
    std::string charset() const override { return state_->charset; }
    hresult put_charset(std::string_view name) override
    {
        if (!charset_known(name))
            return E_INVALIDARG;
        unit_guard unit(state_->m);
        state_->charset = to_lower(name);
        rewrite_meta();
        return S_OK;
    }
    markup_services& markup() override { return *markup_; }
    html::command_target& command_target() override { return *target_; }
    html::input& input() override { return *input_; }
    void set_hit_test(hit_test_port* port) override { state_->hit_test = port; }
    std::string html() const override
    {
        std::string page = serialise(*state_->m.root, true, state_->page_size);
        state_->page_size = page.size();
        return page;
    }
    doc_state& state() { return *state_; }

private:
    collection_ptr tagged(std::string_view name) const
    {
        std::vector<node_ptr> out;
        for (const node_ptr& n : descendants(*state_->m.root))
            if (n->name == name)
                out.push_back(n);
        return make_collection(state_, std::move(out));
    }

    void install_bytes(std::string_view bytes, bool source_filter)
    {
        std::string charset = "utf-8";
        std::string decoded;
        const bool converted = !source_filter && decode_page_text(bytes, &charset, decoded);
        ++state_->load_generation;
        std::size_t written = 0;
        state_->install(parse_html(converted ? std::string_view(decoded) : bytes, {false, &written}));
        state_->page_size = written;
        state_->charset = charset;
    }

    void rewrite_meta()
    {
        std::string content = "text/html; charset=" + state_->charset;
        for (const node_ptr& n : descendants(*state_->m.root)) {
            if (n->name != "META")
                continue;
            const attribute* equiv = n->find("http-equiv");
            if (equiv && equal_ignoring_case(equiv->value, "content-type")) {
                set_attribute_on(*state_, *n, "content", content);
                return;
            }
            if (n->find("charset")) {
                set_attribute_on(*state_, *n, "charset", state_->charset);
                return;
            }
        }
        node* html_el = state_->html_element();
        if (!html_el)
            return;
        node* head = find_child(html_el, "HEAD");
        if (!head) {
            state_->m.insert_nodes(html_el, 0, {make_element("HEAD")});
            head = html_el->children[0].get();
        }
        node_ptr meta = make_element("META");
        meta->attributes = {{"http-equiv", "Content-Type", false}, {"content", content, false}};
        state_->m.insert_nodes(head, 0, {meta});
    }

    std::shared_ptr<doc_state> state_;
    std::unique_ptr<markup_impl> markup_;
    std::unique_ptr<command_target_impl> target_;
    std::unique_ptr<input_impl> input_;
};

}

node_ptr node_of(const element_ptr& e)
{
    auto impl = std::dynamic_pointer_cast<element_impl>(e);
    return impl ? impl->node_ref() : nullptr;
}

node* doc_state::html_element() const { return find_child(m.root.get(), "HTML"); }
node* doc_state::body() const { return find_child(html_element(), "BODY"); }

bool doc_state::attached(const node* n) const { return n && is_ancestor_or_self(m.root.get(), n); }

element_ptr doc_state::wrap(const node_ptr& n)
{
    if (!n || !(n->is_element() || n->kind == node_kind::comment))
        return nullptr;
    if (n->handle)
        if (auto existing = static_cast<element_impl*>(n->handle)->weak_from_this().lock())
            return existing;
    auto made = std::make_shared<element_impl>(shared_from_this(), n);
    n->handle = made.get();
    return made;
}

void doc_state::ensure_selection()
{
    bool ok = sel_start.positioned && sel_end.positioned && attached(sel_start.at.container)
        && attached(sel_end.at.container);
    if (ok)
        return;
    node* b = body();
    position p = b ? position {b, 0, 0} : position {m.root.get(), m.root->children.size(), 0};
    select(p, p);
}

position doc_state::sel_first()
{
    ensure_selection();
    position a = m.normalise(sel_start.at), b = m.normalise(sel_end.at);
    return compare(a, b) <= 0 ? a : b;
}

position doc_state::sel_last()
{
    ensure_selection();
    position a = m.normalise(sel_start.at), b = m.normalise(sel_end.at);
    return compare(a, b) <= 0 ? b : a;
}

void doc_state::select(const position& a, const position& b)
{
    control.reset();
    sel_start.at = m.normalise(a);
    sel_end.at = m.normalise(b);
    sel_start.positioned = sel_end.positioned = true;
    if (compare(sel_start.at, sel_end.at) > 0)
        std::swap(sel_start.at, sel_end.at);
}

node_ptr doc_state::selected_control()
{
    node_ptr c = control.lock();
    if (c && attached(c.get()))
        return c;
    control.reset();
    return nullptr;
}

void doc_state::install(node_ptr root)
{
    m.reset(std::move(root));
    page_size = 0;
    control.reset();
    active.reset();
    ready_state = 0;
}

void doc_state::post_ready_states(int from)
{
    long generation = load_generation;
    std::weak_ptr<doc_state> weak = shared_from_this();
    for (int state = from; state <= 4; ++state) {
        ports.queue->post([weak, generation, state] {
            auto doc = weak.lock();
            if (!doc || doc->load_generation != generation)
                return;
            doc->ready_state = state;
            if (state == 4 && !doc->activated) {
                doc->activated = true;
                doc->host->on_activated(*doc->target);
            }
            doc->host->on_ready_state(state);
        });
    }
}

}

std::string check_headless_document(document& d)
{
    auto* impl = dynamic_cast<headless::document_impl*>(&d);
    if (!impl)
        return "not a headless document";
    using namespace headless;
    doc_state& state = impl->state();
    std::unordered_set<const node*> seen;
    std::vector<const node*> work {state.m.root.get()};
    while (!work.empty()) {
        const node* n = work.back();
        work.pop_back();
        if (!seen.insert(n).second)
            return "a node appears twice";
        bool leaf = !n->is_element() && n->kind != node_kind::document;
        if ((leaf || (n->is_element() && info_of(*n).is_void)) && !n->children.empty())
            return "childless node has children: " + n->name;
        bool text_only = n->is_element() && (info_of(*n).raw || info_of(*n).escapable_raw);
        for (std::size_t i = 0; i < n->children.size(); ++i) {
            const node* c = n->children[i].get();
            if (c->parent != n)
                return "child's parent link disagrees";
            if (text_only && !c->is_text())
                return "a " + n->name + " holds more than text";
            work.push_back(c);
        }
    }
    for (const tracked* p : state.m.pointers()) {
        if (!p->positioned || !state.attached(p->at.container))
            continue;
        const node* c = p->at.container;
        if (p->at.index > c->children.size())
            return "pointer past its container's end";
        if (p->at.offset > 0 && (p->at.index >= c->children.size() || !c->children[p->at.index]->is_text()
                || p->at.offset > c->children[p->at.index]->data.size()))
            return "pointer inside something that is not its text";
        if (!c->is_element() && c->kind != node_kind::document)
            return "pointer inside a leaf";
    }
    return {};
}

std::size_t count_headless_nodes(document& d)
{
    auto* impl = dynamic_cast<headless::document_impl*>(&d);
    if (!impl)
        return 0;
    std::size_t count = 0;
    std::vector<const headless::node*> work {impl->state().m.root.get()};
    while (!work.empty()) {
        const headless::node* n = work.back();
        work.pop_back();
        count += n->children.size();
        for (const auto& c : n->children)
            work.push_back(c.get());
    }
    return count;
}

std::unique_ptr<document> make_headless_document(document_host& host, headless_ports ports)
{
    return std::make_unique<headless::document_impl>(host, std::move(ports));
}

}
