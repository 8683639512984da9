#pragma once

#include "core/util/program_environment.h"
#include "platform/strings/string_table.h"

#include <memory>

// The program's own string table installed for a test's lifetime; the environment before it
// comes back afterwards.
class installed_program_strings {
public:
    installed_program_strings() : saved_(core::current_program_environment())
    {
        auto environment = saved_;
        environment.strings = std::make_shared<platform::strings::string_table>(
            platform::strings::string_table::load(TALVERIN_STRINGS));
        core::install_program_environment(environment);
    }
    ~installed_program_strings() { core::install_program_environment(saved_); }
    installed_program_strings(const installed_program_strings&) = delete;
    installed_program_strings& operator=(const installed_program_strings&) = delete;

private:
    core::program_environment saved_;
};
