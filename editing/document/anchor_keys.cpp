#include "editing/document/anchor_keys.h"

#include "editing/document/key_codes.h"

namespace editing {

using html::adjacency;
using html::context;
using html::element_ptr;
using html::facet;
using platform::com::failed;

namespace {

// Shift, Ctrl and Alt.
bool is_modifier(int key) { return key >= keys::shift && key <= keys::alt; }

// The anchor at the pointer: the element the key steps into, or the scope; FONT elements
// around the place are looked through.
element_ptr anchor_at(html::markup_pointer& start, int key)
{
    context what = context::none;
    element_ptr seen;
    const bool leftwards = key == keys::left || key == keys::backspace;
    const bool rightwards = key == keys::right || key == keys::del;
    if ((leftwards && failed(start.left(false, what, &seen))) || (rightwards && failed(start.right(false, what, &seen))))
        return nullptr;
    element_ptr e;
    bool tested = true;
    if ((leftwards || rightwards) && what == context::enter_scope && seen) {
        e = seen;
    } else if ((leftwards || rightwards) && seen) {
        // Another element beside the pointer: only a FONT is looked through, from its parent.
        e = seen;
        tested = false;
    } else {
        e = start.current_scope();
    }
    if (tested && e && e->has(facet::anchor))
        return e;
    while (e && e->has(facet::font)) {
        e = e->parent();
        if (e && e->has(facet::anchor))
            return e;
    }
    return nullptr;
}

}

bool on_key_down(const document_pair& pair, int key, bool shift)
{
    if (!pair.document || is_modifier(key) || (shift && (key == keys::left || key == keys::right)))
        return false;
    auto& markup = pair.document->markup();
    const auto range = get_selection_text_range(pair);
    if (!range)
        return false;
    auto start = markup.create_pointer();
    auto end = markup.create_pointer();
    if (failed(markup.move_pointers_to_range(*range, *start, *end)))
        return false;
    const element_ptr anchor = anchor_at(*start, key);
    if (!anchor)
        return false;
    html::value name;
    if (failed(anchor->get(facet::anchor, "name", name)) || name.to_text().empty())
        return false; // a plain link: the selection stays and the component acts
    if (failed(start->move_adjacent_to_element(anchor, adjacency::before_begin))
        || failed(end->move_adjacent_to_element(anchor, adjacency::after_end)))
        return false;
    const bool handled = key == keys::backspace || key == keys::left || key == keys::right || key == keys::del;
    if (key == keys::del || key == keys::backspace) {
        if (failed(markup.remove(*start, *end)))
            return false;
        return handled;
    }
    const auto& at = key == keys::right ? *end : *start;
    if (failed(markup.move_range_to_pointers(at, at, *range)) || failed(range->select()))
        return false;
    return handled;
}

}
