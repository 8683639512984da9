#pragma once

#include <array>
#include <string_view>

namespace core {

// The words of the object kinds, by kind number: an object's name is its kind word and
// a number (picture1, hyperlink3).
inline constexpr std::array<std::string_view, 8> object_kind_words {
    "picture", "flashfile", "pullfile", "clickto", "hyperlink", "mailto", "sendfriend", "unknown"};

inline constexpr int unknown_object_kind = 7;

}
