#pragma once

#include "core/sed/sed_engine.h"

#include <iosfwd>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct sed_run_result {
    int status = 0;
    std::string output; // what the run wrote, also when it failed
};

// An argument vector for sed runs; each run builds a fresh engine, so runs share nothing.
class sed_command {
public:
    sed_command() = default;
    // The whole vector, the program's name first.
    explicit sed_command(std::vector<std::string> arguments);
    // Arguments split from a command-line text; the program's name "sed" is put first.
    static sed_command from_command_line(std::string_view text);

    virtual ~sed_command() = default;
    sed_command(const sed_command&) = default;
    sed_command& operator=(const sed_command&) = default;
    sed_command(sed_command&&) = default;
    sed_command& operator=(sed_command&&) = default;

    virtual std::vector<std::string> arguments();
    // Null when no engine can be made.
    virtual std::unique_ptr<hevtools::sed_engine> create_engine();

    // Runs over the two streams; the engine's exit status, -1 when no engine could be made.
    int run(std::istream& input, std::ostream& output);
    // The output when the status is 0, else an empty text; messages go to the error sink.
    std::string run_on_text(std::string_view input);
    sed_run_result run_on_text_with_status(std::string_view input);

    // The arguments become "sed" followed by every non-empty text, in order.
    void set_arguments(const std::vector<std::string>& texts);
    void set_engine_options(const hevtools::sed::engine_options& options) { options_ = options; }
    const hevtools::sed::engine_options& engine_options() const { return options_; }

protected:
    std::vector<std::string> arguments_;
    hevtools::sed::engine_options options_;
};

// A sed command whose script is held in memory and read through "-s".
class sed_script_command : public sed_command {
public:
    sed_script_command(std::string_view command_line, std::string script);
    sed_script_command(const sed_script_command&) = delete;
    sed_script_command& operator=(const sed_script_command&) = delete;

    // Rewinds the script, so the command can run any number of times.
    std::vector<std::string> arguments() override;
    std::unique_ptr<hevtools::sed_engine> create_engine() override;
    void write_script(std::ostream& out) const;

private:
    std::string script_;
    std::istringstream stream_;
};

// Splits a command-line text into arguments with sed itself: runs of spaces separate them, a
// double-quoted part keeps its spaces and loses its quotes, a backslash before a quote gives a
// quote. Blanks at both ends are dropped first; an empty text gives no arguments.
std::vector<std::string> split_sed_command_line(std::string_view text);

// Removes in place every CR directly before an LF; returns the new length (0 for null).
std::size_t remove_carriage_returns(char* buffer, std::size_t length);

}
