#pragma once

// The editing document's own handling of a key-down, in order: the paste keys, the anchor
// keys (HTML message only), then Enter, Delete and Backspace by the kind of message.

#include "editing/document/editing_commands.h"

#include <functional>

namespace editing {

enum class message_kind { html = 0, html_lite = 1, other = 2 };

// True when the component's default action for the key is to be cancelled. Ctrl+V and
// Shift+Insert call `paste`. While a form field (or any element but the BODY) is active every
// other key is the component's; with a control selected Enter is cancelled in HTML-lite and
// other messages and nothing else runs.
bool dispatch_key_down(const document_pair& pair, message_kind kind, int key, bool ctrl, bool shift,
    const std::function<void()>& paste);

}
