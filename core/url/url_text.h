#pragma once

#include <string>
#include <string_view>

namespace core {

// Replaces, in this order, "&nbsp;" by " ", "&lt;" by "<", "&gt;" by ">", "&amp;" by "&",
// "%25" by "%", "%26" by "&", "%3D" and "%3d" by "=".
std::string DecodeEntitiesAndEscapes(std::string_view text);

// The URL up to its first "?".
std::string StripQueryString(std::string_view url);
// As StripQueryString; the part after the "?" goes to query (unchanged when there is none).
std::string SplitQueryString(std::string_view url, std::string& query);

// The path (with its query) of a URL with a host, after canonicalising it: escapes
// before the query are decoded, blanks written as %20, "." and ".." folded. False for an
// empty URL and for one without a host.
bool GetUrlPath(std::string_view url, std::string& path);

}
