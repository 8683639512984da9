#pragma once

// Virtual key codes the editing document's key handling tests for.

namespace editing::keys {

inline constexpr int backspace = 8;
inline constexpr int enter = 13;
inline constexpr int shift = 16;
inline constexpr int alt = 18;
inline constexpr int left = 37;
inline constexpr int right = 39;
inline constexpr int insert = 45;
inline constexpr int del = 46;
inline constexpr int v = 86;

}
