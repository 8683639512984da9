#pragma once

#include "core/tools/console_tool.h"

#include <string>

namespace shell {

// Runs the tool; any end but exit code 0 throws job_package_error saying what could not be
// done, with the tool's own words.
void run_package_tool(core::console_tool& tool, const std::string& what);

}
