#pragma once

#include <cstdint>

namespace platform::ui {

// Window messages and notifications, with the platform's numbers.
inline constexpr std::uint32_t WM_CREATE = 0x0001;
inline constexpr std::uint32_t WM_DESTROY = 0x0002;
inline constexpr std::uint32_t WM_PAINT = 0x000F;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_NCDESTROY = 0x0082;
inline constexpr std::uint32_t WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr std::uint32_t WM_NCRBUTTONDOWN = 0x00A4;
inline constexpr std::uint32_t WM_NCMBUTTONDOWN = 0x00A7;
inline constexpr std::uint32_t WM_KEYDOWN = 0x0100;
inline constexpr std::uint32_t WM_KEYUP = 0x0101;
inline constexpr std::uint32_t WM_CHAR = 0x0102;
inline constexpr std::uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr std::uint32_t WM_COMMAND = 0x0111;
inline constexpr std::uint32_t WM_TIMER = 0x0113;
inline constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr std::uint32_t WM_MBUTTONDOWN = 0x0207;

// Keyboard and mouse input, which a disabled window does not receive.
constexpr bool is_input_message(std::uint32_t id)
{
    return (id >= WM_KEYDOWN && id <= 0x0109) || (id >= WM_MOUSEMOVE && id <= 0x020E)
        || (id >= 0x00A0 && id <= 0x00AD);
}

// Edit, button and combo-box notifications (the high word of WM_COMMAND's wParam).
inline constexpr int BN_CLICKED = 0;
inline constexpr int EN_CHANGE = 0x0300;
inline constexpr int EN_UPDATE = 0x0400;
inline constexpr int CBN_SELCHANGE = 1;
inline constexpr int CBN_EDITCHANGE = 5;
inline constexpr int LBN_SELCHANGE = 1;
inline constexpr int NM_CLICK = -2;                 // a click in a list view
inline constexpr int LVN_COLUMNCLICK = -108;        // a click on a list view's column heading
inline constexpr int DTN_DATETIMECHANGE = -759;    // a date and time picker's new value

}
