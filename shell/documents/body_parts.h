#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace shell {

// The body-parts file holds a message's bodies by document kind (0 HTML, 1 HTML-lite,
// 2 text), in kind order, each as its start marker line, the body, "\n", and its end
// marker line (shell::body_part_marker); a missing body has no section.
std::string format_body_parts(const std::array<std::optional<std::string>, 3>& bodies);

// The exact body of a kind's section: the text between its marker lines, less the "\n" the
// writer put after it. Sections are passed over whole, so a body holding another kind's
// start marker is not taken for it. A start marker line that ends in CR LF marks a file that
// went through a Windows text stream: CR LF then reads as LF. A text without any section
// is a body saved before the markers existed: kind 0 is all of it. Otherwise a kind without
// its section has none.
std::optional<std::string> find_marked_section(std::string_view text, int kind);

// read_marked_section: the kind's section of the file appended to `text`; false when the
// kind has none or, for kinds other than 0, the file cannot be read (kind 0 then reads as
// an empty section).
bool read_marked_section(const std::string& path, int kind, std::string& text);

}
