#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::process {

// The program's full path from the PATH search (a name holding "/" is taken as it is);
// nullopt when no executable file of that name is found.
std::optional<std::string> find_program(std::string_view name, std::string_view path_variable);
std::optional<std::string> find_program(std::string_view name);

// How a child ended.
struct run_result {
    bool started = false;  // false: the program could not be started (see error)
    int exit_code = -1;    // the exit code, 128 + n for signal n, -1 when not started
    int signal = 0;        // the signal that ended it, 0 when it exited
    std::string output;    // the last 64 KiB of its standard output and error, interleaved
    std::string error;     // why it could not be started or waited for
};

inline constexpr std::size_t kept_output_size = 64 * 1024;

// Where a child's standard streams come from and go. By default standard input is
// /dev/null and standard output and error share one pipe drained into a 64 KiB tail.
struct spawn_options {
    spawn_options() = default;
    spawn_options(std::string working_folder) : folder(std::move(working_folder)) { }
    spawn_options(const char* working_folder) : folder(working_folder) { }

    std::string folder;         // working folder; empty: the current one
    std::string input_file;     // standard input read from this file
    bool input_pipe = false;    // standard input a pipe the parent keeps (write_input, close_input)
    std::string output_file;    // standard output and error written into this file (made or emptied)
    bool output_lines = false;  // standard output a pipe read by read_line; standard error into error_file
    std::string error_file;     // with output_lines: the file of standard error (empty: /dev/null)
    std::vector<std::string> environment; // "NAME=value" entries replacing or joining the inherited ones
};

// What read_line found.
enum class line_status { line, timed_out, ended };

// A started child: standard streams as the options say, no other descriptor inherited,
// working folder as asked. Ending the object kills and reaps a child still running.
class child {
public:
    // argv[0] is the program; the arguments follow, each passed as it is (no shell).
    static std::unique_ptr<child> spawn(const std::string& program, const std::vector<std::string>& arguments,
        const spawn_options& options, std::string& error);
    ~child();
    child(const child&) = delete;
    child& operator=(const child&) = delete;

    // Drains the output while waiting up to timeout_ms (0xFFFFFFFF: no limit) for the end;
    // nullopt while the child still runs. With output_lines the lines not yet read are the
    // result's output.
    std::optional<run_result> wait(std::uint32_t timeout_ms);
    int pid() const { return pid_; }

    // With input_pipe: writes all of the text; false when the child no longer reads (no
    // SIGPIPE reaches this process) or the input is closed.
    [[nodiscard]] bool write_input(std::string_view text);
    // With input_pipe: the child reads end of file from now on.
    void close_input();

    // With output_lines: the next line of standard output without its line feed, waiting up
    // to timeout_ms; `ended` once the child closed its output and every line was read (a
    // last line without a line feed is still given as a line).
    line_status read_line(std::string& line, std::uint32_t timeout_ms);

private:
    child(int pid, int pidfd, int input, int output, bool lines);
    void keep(const char* data, std::size_t size);
    bool drain();

    int pid_;
    int pidfd_;
    int input_;
    int output_;
    bool lines_;
    std::string kept_;
    std::optional<run_result> result_;
};

// Runs a program to its end (a kept input pipe is closed at once). Tests of callers use a
// scripted runner instead.
class runner {
public:
    virtual ~runner() = default;
    virtual run_result run(const std::string& program, const std::vector<std::string>& arguments,
        const spawn_options& options) = 0;
};

class system_runner final : public runner {
public:
    run_result run(const std::string& program, const std::vector<std::string>& arguments,
        const spawn_options& options) override;
};

// Starts a program in its own session and does not wait for it: a thread of this process
// reaps it when it ends, and it is never killed when this process ends. False when it
// could not be started.
[[nodiscard]] bool launch_detached(const std::string& program, const std::vector<std::string>& arguments);

}
