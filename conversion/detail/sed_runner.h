#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace conversion::detail {

// Runs the built-in sed engine with `arguments` (argument 0 is the program name) over the
// input, with the engine's file commands switched off. Returns the engine's status (0 on
// success); `output` holds what the engine wrote and `messages` its messages, joined by "; ",
// which go nowhere else.
int run_sed_text(const std::vector<std::string>& arguments, const std::string& input, std::string& output,
    std::string& messages);
// The same with the engine's pattern and hold space limited to `space_limit` bytes.
int run_sed_text(const std::vector<std::string>& arguments, const std::string& input, std::string& output,
    std::string& messages, std::size_t space_limit);

}
