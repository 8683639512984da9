#pragma once

#include "platform/registry/registry_tree.h"

#include <string>
#include <string_view>

namespace platform::registry {

// The hand-editable text form of a store:
//   talverin-registry 1
//   [Software\Holvane\Talverin\Settings]
//   "Logging"=dword:1
//   "Name"=sz:"text"
//   "Block"=binary:0aff
// Quoted texts take the escapes \\ \" \n \r \t \xHH; "#" lines are comments; CR LF is read.
struct parse_outcome {
    bool ok = false;
    registry_tree tree;
    std::string error; // "<file>:<line>: <reason>" when not ok
};

parse_outcome parse_registry_text(std::string_view text, std::string_view file_name);

// The canonical form: header, then keys in folded-path order, values in stored order.
std::string format_registry_text(const registry_tree& tree);

}
