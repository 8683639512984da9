#pragma once

namespace platform::ui {

// The system's stock icons as bitmaps of our own (resources/talverin/bitmaps/<id>.png), for
// ControlKind::image controls.
inline constexpr int stock_icon_stop = 32513;
inline constexpr int stock_icon_question = 32514;
inline constexpr int stock_icon_exclamation = 32515;
inline constexpr int stock_icon_information = 32516;

}
