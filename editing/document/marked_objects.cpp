#include "editing/document/marked_objects.h"

#include "core/markup/ascii.h"
#include "core/vocab/object_kinds.h"

namespace editing {

using html::adjacency;
using html::context;
using html::element_ptr;
using html::facet;
using html::pointer_ptr;
using platform::com::failed;

namespace {

constexpr std::string_view start_marker_text = "--Quorbis-object-start--";
constexpr std::string_view end_marker_text = "--Quorbis-object-end--";

bool is_tag(const element_ptr& e, std::string_view name) { return e && core::equal_ignoring_case(e->tag_name(), name); }

element_ptr as_facet(const element_ptr& e, facet kind) { return e && e->has(kind) ? e : nullptr; }

// How the right walk ended.
enum class walk_end { none, end_marker, object_end };

struct right_walk {
    walk_end how = walk_end::none;
    element_ptr object; // the OBJECT whose end was met
};

right_walk walk_right(const document_pair& pair, const html::text_range* range, const element_ptr& element, marked_object& found)
{
    found = {};
    if (!pair.document || (!range && !element))
        return {};
    auto& markup = pair.document->markup();
    pointer_ptr s = markup.create_pointer();
    pointer_ptr w = markup.create_pointer();
    if (range) {
        if (failed(markup.move_pointers_to_range(*range, *s, *w)) || failed(w->move_to_pointer(*s)))
            return {};
    } else if (failed(s->move_adjacent_to_element(element, adjacency::after_end))
        || failed(w->move_adjacent_to_element(element, adjacency::after_end))) {
        return {};
    }
    element_ptr image;
    element_ptr anchor;
    right_walk result;
    for (;;) {
        context what = context::none;
        element_ptr passed;
        if (failed(w->right(true, what, &passed)) || what == context::none)
            return {};
        if (what == context::text || !passed)
            continue;
        const int marker = passed->tag_name() == "!" ? classify_object_comment(passed) : 0;
        if (marker == 1)
            return {};
        if (marker == 2) {
            result.how = walk_end::end_marker;
            break;
        }
        if (passed->tag_name() == "!")
            continue;
        if (what == context::enter_scope) {
            if (is_tag(passed, "A") || is_tag(passed, "OBJECT"))
                return {};
        } else if (what == context::exit_scope) {
            if (is_tag(passed, "BODY"))
                return {};
            if (is_tag(passed, "OBJECT")) {
                result = {walk_end::object_end, passed};
                break;
            }
            if (!anchor)
                anchor = passed;
        } else if (what == context::no_scope && !image) {
            image = passed;
        }
    }
    found.image = as_facet(image, facet::image);
    found.anchor = as_facet(anchor, facet::anchor);
    found.start = s;
    found.end = w;
    return result;
}

}

std::string get_element_object_id(const element_ptr& e)
{
    html::value v;
    if (!e || e->get_attribute("quorbis_id", v) != html::S_OK)
        return {};
    return v.to_text();
}

int get_element_object_kind(const element_ptr& image, const element_ptr& anchor)
{
    int kind = core::unknown;
    int number = 0;
    read_object_id(anchor ? anchor : image, kind, number);
    return kind;
}

std::string find_object_element(element_ptr e, std::string& tag_name, element_ptr& found)
{
    found = nullptr;
    while (e && !is_object_tag(tag_name) && !core::equal_ignoring_case(tag_name, "BODY")) {
        e = e->parent();
        if (!e)
            return {};
        tag_name = e->tag_name();
    }
    if (!e || !is_object_tag(tag_name))
        return {};
    std::string id = get_element_object_id(e);
    if (!id.empty())
        found = e;
    return id;
}

bool find_marked_object_end(const document_pair& pair, const html::text_range* range, const element_ptr& element, marked_object& found)
{
    return walk_right(pair, range, element, found).how != walk_end::none;
}

bool find_marked_object(const document_pair& pair, const html::text_range* range, const element_ptr& element, marked_object& found)
{
    const right_walk right = walk_right(pair, range, element, found);
    if (right.how == walk_end::none)
        return false;
    element_ptr image;
    element_ptr anchor;
    bool marked = false;
    for (;;) {
        context what = context::none;
        element_ptr passed;
        if (failed(found.start->left(true, what, &passed)))
            return false;
        if (what == context::none || is_tag(passed, "BODY"))
            break;
        if (what == context::text || !passed)
            continue;
        if (what == context::no_scope) {
            if (passed->tag_name() == "!") {
                // An end marker on the way belongs to an object before this one.
                const int marker = classify_object_comment(passed);
                if (marker == 1)
                    marked = true;
                if (marker != 0)
                    break;
                continue;
            }
            if (!image)
                image = passed;
        } else if (!anchor && passed->has(facet::anchor)) {
            anchor = passed;
        }
    }
    if (!marked) {
        // No start marker of its own: an end marker marks nothing, an OBJECT spans itself.
        if (right.how == walk_end::end_marker)
            return false;
        if (failed(found.start->move_adjacent_to_element(right.object, adjacency::before_begin)))
            return false;
        return true;
    }
    if (!found.image)
        found.image = as_facet(image, facet::image);
    if (!found.anchor)
        found.anchor = anchor;
    return true;
}

bool find_object_at_selection(const document_pair& pair, marked_object& found)
{
    std::shared_ptr<html::text_range> range;
    element_ptr parent;
    if (!get_selection_range(pair, range, parent))
        return false;
    return find_marked_object(pair, range.get(), range ? nullptr : parent, found);
}

bool is_selection_in_marked_object(const document_pair& pair)
{
    std::shared_ptr<html::text_range> range;
    element_ptr parent;
    if (!get_selection_range(pair, range, parent))
        return false;
    marked_object found;
    return find_marked_object_end(pair, range.get(), range ? nullptr : parent, found);
}

bool get_insertion_pointers(const document_pair& pair, pointer_ptr& start, pointer_ptr& end)
{
    start = end = nullptr;
    if (!pair.document)
        return false;
    auto& markup = pair.document->markup();
    const auto range = get_selection_text_range(pair);
    marked_object object;
    if (!find_object_at_selection(pair, object)) {
        if (!range)
            return false;
        start = markup.create_pointer();
        end = markup.create_pointer();
        if (failed(markup.move_pointers_to_range(*range, *start, *end))) {
            start = end = nullptr;
            return false;
        }
        return true;
    }
    bool before = false;
    if (range && (object.image || object.anchor)) {
        auto a = markup.create_pointer();
        auto b = markup.create_pointer();
        auto edge = markup.create_pointer();
        const hresult placed = object.image ? edge->move_adjacent_to_element(object.image, adjacency::before_begin)
                                            : edge->move_adjacent_to_element(object.anchor, adjacency::after_begin);
        if (failed(markup.move_pointers_to_range(*range, *a, *b)) || failed(placed) || failed(a->is_left_of_or_equal_to(*edge, before)))
            return false;
    }
    const pointer_ptr& at = before ? object.start : object.end;
    start = markup.create_pointer();
    end = markup.create_pointer();
    if (failed(start->move_to_pointer(*at)) || failed(end->move_to_pointer(*at))) {
        start = end = nullptr;
        return false;
    }
    return true;
}

namespace {

element_ptr insert_marker(html::markup_services& markup, std::string_view text, html::markup_pointer& at)
{
    element_ptr marker;
    if (failed(markup.create_element(html::tag_id::comment, text, marker)) || failed(markup.insert_element(marker, at, at)))
        return nullptr;
    return marker;
}

}

element_ptr insert_element_at_selection(const document_pair& pair, html::tag_id id, bool mark)
{
    pointer_ptr start;
    pointer_ptr end;
    if (!pair.document || !get_insertion_pointers(pair, start, end))
        return nullptr;
    auto& markup = pair.document->markup();
    start->set_gravity(html::gravity::left);
    end->set_gravity(html::gravity::right);
    element_ptr made;
    if (failed(markup.create_element(id, "", made)) || failed(markup.insert_element(made, *start, *end)))
        return nullptr;
    if (mark) {
        insert_marker(markup, start_marker_text, *start);
        insert_marker(markup, end_marker_text, *end);
    }
    return made;
}

void paste_marked_html(const document_pair& pair, std::string_view html_text, bool mark)
{
    const auto range = get_selection_text_range(pair);
    if (!range)
        return;
    if (!mark) {
        (void)range->paste_html(html_text);
        return;
    }
    auto& markup = pair.document->markup();
    auto a = markup.create_pointer();
    auto b = markup.create_pointer();
    if (failed(markup.move_pointers_to_range(*range, *a, *b)))
        return;
    const element_ptr start_marker = insert_marker(markup, start_marker_text, *a);
    if (!start_marker)
        return;
    // The paste replaces the selection from just behind the marker.
    const auto pasted = get_selection_text_range(pair);
    auto behind = markup.create_pointer();
    const bool placed = pasted && !failed(markup.move_pointers_to_range(*pasted, *a, *b))
        && !failed(behind->move_adjacent_to_element(start_marker, adjacency::after_end))
        && !failed(markup.move_range_to_pointers(*behind, *b, *pasted));
    if (!placed || failed(pasted->paste_html(html_text)) || failed(markup.move_pointers_to_range(*pasted, *a, *b))) {
        (void)markup.remove_element(start_marker);
        return;
    }
    const element_ptr end_marker = insert_marker(markup, end_marker_text, *b);
    // The caret goes behind the object, so that typing does not replace it.
    if (end_marker && !failed(behind->move_adjacent_to_element(end_marker, adjacency::after_end))
        && !failed(markup.move_range_to_pointers(*behind, *behind, *pasted)))
        (void)pasted->select();
}

}
