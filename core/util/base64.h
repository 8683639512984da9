#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace core {

// Base64 (RFC 4648 alphabet, "=" padding) in lines of at most `line_length` characters,
// each ended by `line_end`, the last one too; nothing for empty data. A line length of 0
// gives one line.
std::string base64_encode_lines(std::string_view data, std::size_t line_length = 76,
    std::string_view line_end = "\r\n");

}
