#pragma once

#include <string>
#include <string_view>

namespace shell {

// A safe file name for a title or stored name that is to meet a folder: its last component
// (split at "/" and "\"), CR and LF as blanks and every other control byte as "_"; "", "."
// and ".." give "untitled". Longer names are cut to 255 bytes before their extension, on a
// UTF-8 character boundary.
std::string object_file_name(std::string_view text);

}
