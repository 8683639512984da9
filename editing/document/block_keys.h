#pragma once

// Enter, Delete and Backspace in the editing document, and the block around the caret: Delete
// and Backspace at a marked object's edge select the whole object first; Enter in a block
// starts a new DIV; documents other than the HTML messages get a plain line break.

#include "editing/document/editing_commands.h"

#include <string>

namespace editing {

// The nearest DIV, P or BODY at or above the insertion point, with the insertion start pointer.
bool find_enclosing_block(const document_pair& pair, html::pointer_ptr& start, std::string& tag_name, html::element_ptr& block);
bool is_selection_in_div(const document_pair& pair);
// True when the key now selects a whole marked object (the caret stepping into or out of
// one); a selection, or a step that stays inside or outside, is left to the component.
bool on_delete_key(const document_pair& pair, bool backspace);
// Splits the block at the caret into DIVs: in a DIV the part after the caret becomes a new
// DIV after it with the same alignment; in a P or the BODY both parts become DIVs inside it.
// The caret goes to the start of the part after it.
void on_enter_in_block(const document_pair& pair);
// A BR at the insertion point, the caret after it.
void insert_line_break(const document_pair& pair);
// Makes the enclosing block a DIV (`div`) or a P; the BODY is kept and its content wrapped.
void convert_enclosing_block(const document_pair& pair, bool div);

}
