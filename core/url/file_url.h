#pragma once

#include <string>
#include <string_view>

namespace core {

// Undoes the escapes that editing components put into local links: "%5B" to "[", then
// "%20" to " ", then "%5D" to "]", then "%25" to "%" (four passes in this order, so
// "%2520" gives "%20").
std::string DecodeUrlEscapes(std::string_view text);

// A local path from a file URL: "file://" (any case) is cut, and a "localhost" after it;
// the leading "/" of the path stays (file:///x/a.gif gives /x/a.gif), except before a
// drive letter (file:///C:/a/b.gif gives C:/a/b.gif). Any other text comes back unchanged.
std::string FileUrlToPath(std::string_view url);

// "file://" followed by the absolute path, backslashes turned into "/".
std::string make_file_url(std::string_view path);

// "file://" followed by the absolute path with every byte other than letters, digits,
// "-", ".", "_", "~" and "/" percent-encoded, for a link that must survive any name.
std::string make_encoded_file_url(std::string_view path);

}
