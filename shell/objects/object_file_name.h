#pragma once

#include <set>
#include <string>
#include <string_view>

namespace shell {

// A safe file name for a title or stored name that is to meet a folder: its last component
// (split at "/" and "\"), CR and LF as blanks and every other control byte as "_"; "", "."
// and ".." give "untitled". Longer names are cut to 255 bytes before their extension, on a
// UTF-8 character boundary.
std::string object_file_name(std::string_view text);

// How names meet in one folder: case ignored.
std::string file_name_key(std::string name);

// The name, or the first of name(0).ext, name(1).ext... whose key is not yet in `given`.
std::string free_file_name(const std::string& name, const std::set<std::string>& given);

}
