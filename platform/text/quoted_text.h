#pragma once

#include <string>
#include <string_view>

namespace platform::text {

// Quoted texts of our hand-editable files (registry store, string table): "..." with the
// escapes \\ \" \n \r \t \xHH.

// The value of a hexadecimal digit, or -1.
int hex_digit(char c);

// Reads the quoted text that starts at text[pos] == '"'; on success leaves pos after the
// closing quote. On failure returns false with the reason.
bool read_quoted(std::string_view text, std::size_t& pos, std::string& out, std::string& reason);

// Appends the text quoted, escaping backslash, quote and control bytes.
void append_quoted(std::string& out, std::string_view text);

}
