#pragma once

#include <memory>
#include <string>

namespace platform::debug {
class sink;
}
namespace platform::strings {
class string_table;
}

namespace core {

// Where the running program lives and keeps its files, and where debugger output and
// string-table texts come from. Installed once at start-up; until then (and in tools that
// never install one) it is worked out from the process environment.
struct program_environment {
    std::string executable;       // the running program's file
    std::string resources_folder; // <exe dir>/../share/talverin
    std::string data_folder;      // the per-user data folder
    std::string temp_root;        // $TMPDIR, else /tmp
    std::shared_ptr<platform::debug::sink> debug_output;                  // null: nowhere
    std::shared_ptr<const platform::strings::string_table> strings; // null: no texts
};

void install_program_environment(program_environment environment);
// A copy of the installed environment (made from the process environment on first use).
program_environment current_program_environment();

// Writes to the installed debugger output, if any.
void write_debug_output(const std::string& text);

}
