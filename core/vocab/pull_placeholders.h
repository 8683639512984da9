#pragma once

#include <string>
#include <string_view>

namespace core {

// A pull placeholder: "[pull name=", the name, and "]". The name runs to the last "]" of
// the text examined.
inline constexpr std::string_view pull_placeholder_prefix = "[pull name=";

// "[pull name=" + name + "]".
std::string make_pull_placeholder(std::string_view name);

// start: the first "[pull name=" (-1 when none, result false); end: the last "]" of the
// text (-1 when none). True when both exist and the "]" comes after the prefix.
bool FindPullPlaceholder(std::string_view text, int& start, int& end);
// The name between the prefix and the last "]"; the text is unchanged when there is none.
bool GetPullPlaceholderName(std::string& text);
// Joins "[pull " and "name=" when a line break (CR, LF or CRLF) split them, then keeps the
// placeholder (keep_rest false) or everything from its "[" on (keep_rest true). Without a
// placeholder the text is unchanged and the result false.
bool ExtractPullPlaceholder(std::string& text, bool keep_rest);

// False for an empty reference and for one whose file part (query dropped, last path
// component) is a pull placeholder; true otherwise.
bool IsFileLink(std::string_view reference);
// The file name of a reference: file URL and escapes undone, last path component, and a
// pull placeholder taken off.
std::string GetLinkFileName(std::string_view reference);

}
