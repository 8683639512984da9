#pragma once

#include "core/tasks/wait.h"
#include "platform/process/process.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// Resource ids of the console tools the program runs.
inline constexpr int tar_tool_id = 179;
inline constexpr int zip_tool_id = 441;
inline constexpr int unzip_tool_id = 442;

// An installed console tool, found on PATH; path is empty when it is missing, and
// error_text then says what to install.
struct console_tool_file {
    std::string name;
    std::string path;
    std::string error_text;
};
using console_tool_file_ref = std::shared_ptr<const console_tool_file>;

// The tool of a resource id (179 tar, 441 zip, 442 unzip). Nothing is written out: the
// system's own tool is used. A name, when given, must be the id's tool name.
console_tool_file_ref console_tool_init_from_resource(int resource_id, std::string_view name = {});

// A file argument that a tool cannot take for an option: "-name" goes as "./-name".
std::string tool_file_argument(std::string_view name);

// The runner every console tool uses; null restores the system runner. Tests of callers
// install a scripted one.
void set_console_tool_runner(platform::process::runner* runner);

// One run of a tool with an argument vector (no shell, nothing re-split) in a folder
// (empty: the current one). Exit codes reach the caller unchanged, for it to judge.
// Callers pass file names through tool_file_argument, put "--" before tar's members, and
// never pass tar's -P or unzip's "-:" (both let an archive write outside its folder).
// The end of a started child, for core::wait_for.
class child_end final : public waitable {
public:
    explicit child_end(platform::process::child& child) : child_(child) { }
    wait_result wait_until_ended(std::uint32_t timeout_ms) override
    {
        return child_.wait(timeout_ms) ? wait_result::signalled : wait_result::timed_out;
    }

private:
    platform::process::child& child_;
};

class console_tool {
public:
    // The options name the working folder (a folder text converts to them) and, when a caller
    // needs them, the tool's standard input and output files.
    console_tool(console_tool_file_ref tool, std::vector<std::string> arguments,
        platform::process::spawn_options options = {});

    // Every later run goes through prlimit with this limit on the size of any file the
    // tool writes: a tool writing past it is ended (SIGXFSZ) and the run fails.
    void limit_file_size(std::uint64_t bytes) { file_size_cap_ = bytes; }

    // Runs the tool to its end and gives its exit code: 128 + n after signal n, -1 when it
    // could not be started (error_text() says why). Each call is a new run.
    int console_tool_exit_code();

    const std::string& output() const { return output_; }
    const std::string& error_text() const { return error_text_; }
    int exit_code() const { return exit_code_; }

private:
    console_tool_file_ref tool_;
    std::vector<std::string> arguments_;
    platform::process::spawn_options options_;
    std::uint64_t file_size_cap_ = 0;
    int exit_code_ = -1;
    std::string output_;
    std::string error_text_;
};

}
