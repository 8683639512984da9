#pragma once

// Keys at a named anchor (a bookmark), which the keyboard treats as one unit: the arrows step
// over it, Delete and Backspace remove it whole, other keys act before it.

#include "editing/document/editing_commands.h"

namespace editing {

// True when the key was handled here and its default action is to be cancelled. At a named
// anchor: Left (37) puts the caret before it, Right (39) after it, Backspace (8) and Delete
// (46) remove it with its content; any other key moves the caret before it and runs there.
// Shift with an arrow, and modifier keys alone (16-18), are left to the component so that a
// selection can grow. Anywhere else, a link without a name included, nothing changes.
bool on_key_down(const document_pair& pair, int key, bool shift = false);

}
