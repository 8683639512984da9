#pragma once

#include <string>

namespace platform::strings {
class string_table;
}

namespace broadcast {

inline constexpr int form_creation_mode_command = 34003;

// How the frame shows the form creation mode: the toolbar button pressed, the menu item
// checked and the command's tool tip.
struct form_mode_display {
    bool pressed = false;
    bool checked = false;
    std::string tooltip;
};

// The display of the mode switched on or off; the tool tip is the part after the line
// break of string 34012 (on) or 34013 (off).
form_mode_display CheckFormCreationMode(bool on, const platform::strings::string_table& strings);

}
