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

// A started child: standard input from /dev/null, standard output and error on one pipe,
// no other descriptor inherited, working folder as asked. Ending the object kills and reaps
// a child still running.
class child {
public:
    // argv[0] is the program; the arguments follow, each passed as it is (no shell).
    static std::unique_ptr<child> spawn(const std::string& program, const std::vector<std::string>& arguments,
        const std::string& folder, std::string& error);
    ~child();
    child(const child&) = delete;
    child& operator=(const child&) = delete;

    // Drains the output while waiting up to timeout_ms (0xFFFFFFFF: no limit) for the end;
    // nullopt while the child still runs.
    std::optional<run_result> wait(std::uint32_t timeout_ms);
    int pid() const { return pid_; }

private:
    child(int pid, int pidfd, int output);
    void keep(const char* data, std::size_t size);
    bool drain();

    int pid_;
    int pidfd_;
    int output_;
    std::string kept_;
    std::optional<run_result> result_;
};

// Runs a program to its end. Tests of callers use a scripted runner instead.
class runner {
public:
    virtual ~runner() = default;
    virtual run_result run(const std::string& program, const std::vector<std::string>& arguments,
        const std::string& folder) = 0;
};

class system_runner final : public runner {
public:
    run_result run(const std::string& program, const std::vector<std::string>& arguments,
        const std::string& folder) override;
};

}
