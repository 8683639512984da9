#pragma once

#include <string>
#include <string_view>

namespace shell {

// The local name of a downloaded file: the address's last path segment (query and fragment
// cut, escapes left as written), each of " &%#^{}`][" replaced by "_", made one safe file name
// (object_file_name: never empty, "." or "..", at most 255 bytes).
std::string download_file_name(std::string_view address);

// The candidate for a collision counter (the name made safe first): the name itself for counter -1, else the name with
// "(counter)" before its extension; in pull form "[pull name=" + candidate + "]". The name
// is shortened before its extension (on a character boundary) so that the result is one
// component of at most 255 bytes, never "." or "..".
std::string download_candidate(std::string_view name, long counter, bool pull_format);

// The user name and password of an address written as "***", for the trace.
std::string masked_address(std::string_view address);

}
