#include "editing/document/block_keys.h"

#include "core/markup/ascii.h"
#include "editing/document/marked_objects.h"

namespace editing {

using html::adjacency;
using html::context;
using html::element_ptr;
using html::pointer_ptr;
using platform::com::failed;

namespace {

bool is_block_tag(std::string_view tag)
{
    return core::equal_ignoring_case(tag, "div") || core::equal_ignoring_case(tag, "p") || core::equal_ignoring_case(tag, "body");
}

bool collapse_selection_at(const document_pair& pair, const html::markup_pointer& at)
{
    const auto range = get_selection_text_range(pair);
    return range && !failed(pair.document->markup().move_range_to_pointers(at, at, *range)) && !failed(range->select());
}

}

bool find_enclosing_block(const document_pair& pair, pointer_ptr& start, std::string& tag_name, element_ptr& block)
{
    start = nullptr;
    tag_name.clear();
    block = nullptr;
    pointer_ptr end;
    if (!pair.document || !get_insertion_pointers(pair, start, end))
        return false;
    element_ptr e = start->current_scope();
    std::string tag = e ? e->tag_name() : std::string();
    while (!tag.empty()) {
        if (is_block_tag(tag)) {
            tag_name = tag;
            block = e;
            return true;
        }
        e = e->parent();
        if (!e)
            return false;
        tag = e->tag_name();
    }
    return false;
}

bool is_selection_in_div(const document_pair& pair)
{
    pointer_ptr start;
    std::string tag;
    element_ptr block;
    return find_enclosing_block(pair, start, tag, block) && core::equal_ignoring_case(tag, "div");
}

bool on_delete_key(const document_pair& pair, bool backspace)
{
    if (!pair.document)
        return false;
    auto& markup = pair.document->markup();
    const auto range = get_selection_text_range(pair);
    if (!range)
        return false;
    auto left = markup.create_pointer();
    auto right = markup.create_pointer();
    left->set_gravity(html::gravity::left);
    right->set_gravity(html::gravity::right);
    bool caret = false;
    if (failed(markup.move_pointers_to_range(*range, *left, *right)) || failed(left->is_equal_to(*right, caret)) || !caret)
        return false;
    marked_object before_step;
    const bool inside_before = find_marked_object(pair, range.get(), nullptr, before_step);
    context what = context::none;
    html::markup_pointer& moved = backspace ? *left : *right;
    const auto stepped = backspace ? left->left(true, what) : right->right(true, what);
    if (failed(stepped) || failed(markup.move_range_to_pointers(moved, moved, *range)))
        return false;
    marked_object after_step;
    const bool inside_after = find_marked_object(pair, range.get(), nullptr, after_step);
    const marked_object* select = nullptr;
    if (!inside_before && inside_after)
        select = &after_step;
    else if (inside_before && !inside_after)
        select = &before_step;
    if (!select)
        return false;
    return !failed(markup.move_range_to_pointers(*select->start, *select->end, *range)) && !failed(range->select());
}

void on_enter_in_block(const document_pair& pair)
{
    pointer_ptr caret;
    std::string tag;
    element_ptr block;
    if (!find_enclosing_block(pair, caret, tag, block))
        return;
    auto& markup = pair.document->markup();
    caret->set_gravity(html::gravity::right);
    auto a = markup.create_pointer();
    a->set_gravity(html::gravity::right);
    auto e = markup.create_pointer();
    element_ptr after_part;
    if (core::equal_ignoring_case(tag, "div")) {
        if (failed(a->move_adjacent_to_element(block, adjacency::after_end)) || failed(e->move_adjacent_to_element(block, adjacency::before_end)))
            return;
        move_range_into_new_div(pair, *a, *caret, *e, after_part);
        if (!after_part)
            return;
        refresh_empty_element(pair, block);
        html::value align;
        // The new line keeps the block's alignment; a block without one gives none.
        if (block->has(html::facet::div) && after_part->has(html::facet::div) && !failed(block->get(html::facet::div, "align", align))
            && !align.to_text().empty())
            (void)after_part->put(html::facet::div, "align", align);
    } else {
        if (failed(a->move_adjacent_to_element(block, adjacency::after_begin)) || failed(e->move_adjacent_to_element(block, adjacency::before_end)))
            return;
        element_ptr before_part;
        move_range_into_new_div(pair, *a, *a, *caret, before_part);
        if (!before_part)
            return;
        move_range_into_new_div(pair, *caret, *caret, *e, after_part);
        if (!after_part)
            return;
    }
    if (!failed(a->move_adjacent_to_element(after_part, adjacency::after_begin)))
        collapse_selection_at(pair, *a);
}

void insert_line_break(const document_pair& pair)
{
    const element_ptr br = insert_element_at_selection(pair, html::tag_id::br, false);
    if (!br)
        return;
    auto at = pair.document->markup().create_pointer();
    if (!failed(at->move_adjacent_to_element(br, adjacency::after_end)))
        collapse_selection_at(pair, *at);
}

void convert_enclosing_block(const document_pair& pair, bool div)
{
    pointer_ptr start;
    std::string tag;
    element_ptr block;
    if (!find_enclosing_block(pair, start, tag, block) || core::equal_ignoring_case(tag, div ? "div" : "p"))
        return;
    auto& markup = pair.document->markup();
    auto x = markup.create_pointer();
    x->set_gravity(html::gravity::right);
    auto y = markup.create_pointer();
    element_ptr made;
    if (failed(x->move_adjacent_to_element(block, adjacency::after_begin)) || failed(y->move_adjacent_to_element(block, adjacency::before_end))
        || failed(markup.create_element(div ? html::tag_id::div : html::tag_id::p, "", made)) || failed(markup.insert_element(made, *x, *y)))
        return;
    refresh_empty_element(pair, made);
    if (!core::equal_ignoring_case(tag, "body") && failed(markup.remove_element(block)))
        return;
    auto at = markup.create_pointer();
    if (!failed(at->move_adjacent_to_element(made, adjacency::before_end)))
        collapse_selection_at(pair, *at);
}

}
