#include "platform/ui/control_text.h"

namespace platform::ui {

std::string get_window_text(const Control& window)
{
    return window.text;
}

std::string get_list_item_text(const Control& control, int index, bool is_list_box)
{
    const ControlKind expected = is_list_box ? ControlKind::list_box : ControlKind::combo_box;
    if (control.declared.kind != expected)
        return {};
    if (index == -1)
        index = control.selection;
    if (index < 0 || static_cast<std::size_t>(index) >= control.items.size())
        return {};
    return control.items[static_cast<std::size_t>(index)];
}

}
