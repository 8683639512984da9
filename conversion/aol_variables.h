#pragma once

#include <string>
#include <utility>
#include <vector>

namespace conversion {

// The variables the AOL conversion offers the HTML-lite policy. `markup_entities` false
// gives plain characters (set 1), true gives entities (set 2).
std::vector<std::pair<std::string, std::string>> aol_policy_variables(bool markup_entities);

}
