#pragma once

#include "platform/ras/dialup_networking.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ras {

// The largest logon-data file read.
inline constexpr std::size_t max_dial_params_file = 1024 * 1024;

struct dial_params_table {
    std::map<std::string, dial_params> entries; // by entry name
    std::vector<std::string> problems;          // lines skipped, with their number and reason
};

// The stored logon data of the dial-up entries, one line each:
//   "<entry>" "<user>" "<password>" "<domain>"
// quoted as the hand-editable files are. Blank lines and "#" comments are skipped; a line
// that is not four quoted texts, names no entry or exceeds the field limits is skipped and
// reported; of two lines for one entry the last counts.
dial_params_table parse_dial_params(std::string_view text);

// The table's text, which parse_dial_params reads back to the same entries.
std::string format_dial_params(const std::map<std::string, dial_params>& entries);

}
