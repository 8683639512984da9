#include "core/sed/sed_command.h"

#include <gtest/gtest.h>

TEST(SedFileCommands, SwitchedOffTheyFailToCompileAndTouchNoFile)
{
    const char* scripts[] = {"r in.txt", "w out.txt", "W out.txt", "s/a/b/w out.txt", "lw out.txt", "1r in.txt\np"};
    for (const char* script : scripts) {
        hevtools::sed::recording_error_sink errors;
        hevtools::sed::memory_file_opener files;
        files.files["in.txt"] = "file";
        hevtools::sed::engine_options options;
        options.errors = &errors;
        options.files = &files;
        options.file_commands = false;
        core::sed_command command({"sed", "-e", script});
        command.set_engine_options(options);
        const auto result = command.run_on_text_with_status("a\n");
        EXPECT_EQ(result.status, 2) << script;
        EXPECT_EQ(result.output, "") << script;
        EXPECT_TRUE(files.created.empty()) << script;
        ASSERT_EQ(errors.messages.size(), 1u) << script;
        EXPECT_EQ(errors.messages[0].rfind("sed: file commands are switched off ", 0), 0u) << errors.messages[0];
    }
}

TEST(SedFileCommands, OtherCommandsRunAsUsualWhenSwitchedOff)
{
    hevtools::sed::engine_options options;
    options.file_commands = false;
    core::sed_command command({"sed", "-e", "s/a/b/g\n$p"});
    command.set_engine_options(options);
    EXPECT_EQ(command.run_on_text_with_status("aa\n").output, "bb\nbb\n");
}
