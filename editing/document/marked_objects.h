#pragma once

// The system's marked objects in the editing document: an object's markup between an
// object-start and an object-end marker comment, its IMG, A or OBJECT carrying "quorbis_id".
// Finding the object around a position, choosing where new content goes, and inserting
// elements and HTML as marked objects.

#include "editing/document/editing_commands.h"

#include <string>
#include <string_view>

namespace editing {

// A marked object found around a position: its picture and link (null when it has none) and
// two pointers, just left of the object and just right of it, markers included.
struct marked_object {
    html::element_ptr image;
    html::element_ptr anchor;
    html::pointer_ptr start;
    html::pointer_ptr end;
};

// The "quorbis_id" value; empty for a null element or one without it.
std::string get_element_object_id(const html::element_ptr& e);
// The kind (0-6) of the anchor's id, else the image's; 7 for none.
int get_element_object_kind(const html::element_ptr& image, const html::element_ptr& anchor);
// The id of the nearest IMG, A or OBJECT at or above the element (below the BODY), which
// goes to `found`; empty when it has none. `tag_name` follows the walk.
std::string find_object_element(html::element_ptr e, std::string& tag_name, html::element_ptr& found);

// From a text range's start, or right after an element: whether the object-end marker (or
// an OBJECT's end) comes before any object-start marker, A or OBJECT start and the BODY's end.
bool find_marked_object_end(const document_pair& pair, const html::text_range* range, const html::element_ptr& element,
    marked_object& found);
// Whether the position lies inside a marked object, with the object's whole span. An end
// marker that no start marker precedes marks nothing; an OBJECT without markers is its own
// span.
bool find_marked_object(const document_pair& pair, const html::text_range* range, const html::element_ptr& element,
    marked_object& found);
bool find_object_at_selection(const document_pair& pair, marked_object& found);
bool is_selection_in_marked_object(const document_pair& pair);

// Where new content goes: the selection, or, inside a marked object, right before it (the
// caret at or before its picture or link text) or right after it.
bool get_insertion_pointers(const document_pair& pair, html::pointer_ptr& start, html::pointer_ptr& end);
// A new element around the content at the insertion pointers, between markers with `mark`;
// null on failure.
html::element_ptr insert_element_at_selection(const document_pair& pair, html::tag_id id, bool mark);
// Pastes HTML at the selection, between markers with `mark` (the caret then behind the end
// marker); a failed paste leaves no marker. Nothing happens with a control selection.
void paste_marked_html(const document_pair& pair, std::string_view html_text, bool mark);

}
