#include "editing/document/key_dispatch.h"

#include "editing/document/anchor_keys.h"
#include "editing/document/block_keys.h"
#include "editing/document/key_codes.h"

namespace editing {

bool dispatch_key_down(const document_pair& pair, message_kind kind, int key, bool ctrl, bool shift,
    const std::function<void()>& paste)
{
    if ((ctrl && key == keys::v) || (shift && key == keys::insert)) {
        if (paste)
            paste();
        return true;
    }
    if (!pair.document || is_non_body_element_active(pair))
        return false;
    if (is_control_selection(pair))
        return key == keys::enter && kind != message_kind::html;
    if (kind == message_kind::html && on_key_down(pair, key, shift))
        return true;
    switch (key) {
    case keys::enter:
        if (kind == message_kind::other) {
            insert_line_break(pair);
            return true;
        }
        if (kind == message_kind::html && !is_selection_in_div(pair))
            return false;
        on_enter_in_block(pair);
        return true;
    case keys::del:
    case keys::backspace:
        return kind != message_kind::other && on_delete_key(pair, key == keys::backspace);
    default:
        return false;
    }
}

}
