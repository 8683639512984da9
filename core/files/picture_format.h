#pragma once

#include <cstddef>
#include <string_view>

namespace core {

enum class picture_kind { none, gif, png, jpeg, bmp, ico, tiff, webp, svg };

// The picture format whose signature the first bytes of a file carry; none when they carry
// no signature of a format a page can show. SVG is recognised by an "<svg" element start
// among its first bytes, after an optional byte-order mark, XML declaration, comments and
// DOCTYPE. Reads only the bytes given.
picture_kind picture_format(std::string_view head);

// How many leading bytes picture_format needs at most to decide.
inline constexpr std::size_t picture_format_head_size = 4096;

}
