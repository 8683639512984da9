#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace conversion {

// The text search of the view's rewriters: the first byte of `what` matches exactly, the rest
// ignoring ASCII case ("<UL" finds "<ul", never "(UL"). npos when nothing is found or `what`
// is empty.
std::size_t find_text(std::string_view text, std::string_view what, std::size_t from = 0);

// Whether `what` stands at `at` by the same rule.
bool text_at(std::string_view text, std::size_t at, std::string_view what);

// Every `what` replaced by `with`, one scan left to right; replaced text is not searched again.
std::string replace_text(std::string_view text, std::string_view what, std::string_view with);

// The text without blanks (space, tab, CR, LF) at either end.
std::string_view trim_blanks(std::string_view text);

}
