#pragma once

#include "core/tests/files/files_fixture.h"
#include "platform/strings/string_table.h"

#include <memory>

// The program's folders in a fresh temporary folder, with the program's own string table.
class BroadcastFolders : public ProgramFolders {
protected:
    void SetUp() override
    {
        ProgramFolders::SetUp();
        auto environment = core::current_program_environment();
        environment.strings = std::make_shared<platform::strings::string_table>(
            platform::strings::string_table::load(TALVERIN_STRINGS));
        core::install_program_environment(environment);
    }
};
