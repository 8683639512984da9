#pragma once

#include <string>
#include <string_view>

namespace core {

// The text with every byte sequence that is not well-formed UTF-8 (overlong forms,
// surrogates and code points past U+10FFFF included) replaced by U+FFFD.
std::string sanitize_utf8(std::string_view bytes);

// UTF-16 bytes (without a byte-order mark) as UTF-8; unpaired surrogates and a trailing odd
// byte become U+FFFD.
std::string utf16_to_utf8(std::string_view bytes, bool big_endian);

// Appends the code point as UTF-8.
void append_utf8(std::string& out, char32_t code_point);

// The first bytes of the text, at most `size`, less a character the cut would split (bytes
// that are no UTF-8 are cut where asked).
std::string_view utf8_prefix(std::string_view text, std::size_t size);

}
