#pragma once

#include "core/files/file_path.h"

#include <string>
#include <string_view>

namespace shell {

// The line that opens (end false) or closes (end true) a document kind's body in the
// body-parts file: kind 0 HTML, 1 HTML-lite, 2 text; empty for any other kind.
std::string_view body_part_marker(int kind, bool end);

// Replaces every `from` that begins at or after `start` and before `end` (npos, or beyond
// the text: the whole rest) by `to`; the search goes on behind each inserted `to`, and
// `end` moves with the text. An empty `from` changes nothing. Returns the text.
std::string& replace_all(std::string& text, std::string_view from, std::string_view to, std::size_t start = 0,
    std::size_t end = std::string::npos);

// The folder, a separator unless it ends in one, then the name; an empty folder gives the name.
inline std::string join_path(std::string_view folder, std::string_view name)
{
    return core::path_combine(folder, name);
}

// The path with its extension (from the last dot of the file name on; a leading dot names
// a hidden file, not an extension) replaced by the given one, e.g. ".htm"; a path without
// one gets it appended.
std::string replace_extension(std::string_view path, std::string_view extension);
// The path without its extension: C:\a.b\m.htm gives C:\a.b\m, C:\a.b\m stays.
std::string remove_extension(std::string_view path);

}
