#pragma once

#include "platform/ui/dialog.h"

#include <string>

namespace platform::ui {

// The whole text of a control: an edit's or combo box's text, a button's or static's caption.
std::string get_window_text(const Control& window);

// The text of an item of a list box (`is_list_box`) or a combo box; -1 stands for the
// current selection. Empty when there is no such item, no selection, or the control is
// not of the kind named.
std::string get_list_item_text(const Control& control, int index, bool is_list_box);

}
