#pragma once

#include <string>
#include <string_view>

namespace core {

// Undoes the escapes the editor writes into local links: "%5B", "%20", "%5D", then "%25",
// one pass each in that order, so "%2520" gives "%20".
std::string DecodeUrlEscapes(std::string_view text);

// A "file://" URL (any case, optionally with "localhost") as a local path; a drive form
// keeps its drive ("file:///C:/a/b.gif" gives "C:/a/b.gif"). Any other text comes back unchanged.
std::string FileUrlToPath(std::string_view url);

// "file://" followed by the absolute path, backslashes turned into "/".
std::string make_file_url(std::string_view path);

}
