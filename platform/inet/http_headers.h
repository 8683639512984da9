#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::inet {

// Header lines as a caller writes them: split at LF, a CR before the LF dropped, empty lines
// skipped. A line still holding CR or NUL is refused (it would forge further headers).
std::optional<std::vector<std::string>> split_header_lines(std::string_view text);

// The status code of a block starting with its status line ("HTTP/1.1 200 OK"); 0 when none.
int status_code_of(std::string_view block);
// The status line's reason text.
std::string status_text_of(std::string_view block);
// The first line's first word: a response's version ("HTTP/1.1"), a request's method.
std::string first_word_of(std::string_view block);

// Every value of the named field (names compared without regard to ASCII case), in order,
// with surrounding blanks removed.
std::vector<std::string> field_values(std::string_view block, std::string_view name);

// The block as NUL-separated lines ending in an empty line: the platform's raw headers.
std::string raw_headers_nul(std::string_view block);

}
