#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace core {

// Length of the character reference that starts at text[at] == '&' ("&name;", "&#digits;" or
// "&#xhex;"), or 0 when none starts there.
std::size_t reference_length(std::string_view text, std::size_t at);

// keep_references: an "&" that begins a character reference stands as it is, so markup text
// goes through any number of times unchanged. exact: every "&" is escaped, for raw values
// that are not markup (passwords, account names, text already decoded).
enum class escape_mode { keep_references, exact };

// Only the "&" that begin no character reference escaped: a value or text as written, with
// nothing else touched.
std::string escape_ampersands(std::string_view text);

// A value for an attribute enclosed in `quote`: "&", "<", ">", '"' and the quote escaped.
std::string escape_attribute_value(std::string_view text, char quote = '"',
    escape_mode mode = escape_mode::keep_references);
// Text between tags: "&", "<" and ">" escaped.
std::string escape_text(std::string_view text, escape_mode mode = escape_mode::keep_references);

}
