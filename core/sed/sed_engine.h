#pragma once

#include "core/sed/sed_io.h"
#include "core/sed/sed_limits.h"
#include "core/sed/sed_program.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace hevtools::sed {

// Set by code, never by arguments.
struct engine_options {
    error_sink* errors = nullptr;         // null: the process's error stream
    file_opener* files = nullptr;         // null: files on disk
    std::istream* script_stream = nullptr; // what "-s" compiles; without one "-s" is an unknown flag
    std::uint64_t branch_limit = limits::default_branch_limit;
    std::size_t space_limit = limits::default_space_limit;
    bool file_commands = true;            // false: r, w, W, "l w" and the w flag fail to compile
};

}

namespace hevtools {

// One sed run: compiles the options and scripts of an argument vector, runs every input and
// returns the exit status. Fatal errors are reported and end the run with their status.
class sed_engine {
public:
    sed_engine();
    explicit sed_engine(sed::engine_options options);
    virtual ~sed_engine();
    sed_engine(const sed_engine&) = delete;
    sed_engine& operator=(const sed_engine&) = delete;

    // Runs the compiled script over one input; a null stream cannot be opened.
    virtual void execute(std::istream* input, const std::string& name);
    virtual std::istream* input_stream() const;
    virtual std::ostream* output_stream() const;
    // Flushes and closes every output and resets the engine for a new run.
    virtual void finish();
    virtual void set_input_stream(std::istream* input);
    virtual void set_output_stream(std::ostream* output);
    virtual int main(int argc, const char* const* argv);
    int main(const std::vector<std::string>& arguments);

    struct run_state; // everything one run holds; defined with the executor

private:
    sed::engine_options options_;
    std::istream* input_;
    std::ostream* output_;
    std::unique_ptr<run_state> run_;
};

}
