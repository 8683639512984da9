#include "shell/command_line.h"

#include <gtest/gtest.h>

using shell::CommandLine;
using shell::parse_command_line;

namespace {

struct parse_case {
    std::vector<std::string> arguments;
    int edit_mode;
    std::string file;
    std::string result;
    std::string redirector;
    bool remove_link;
    std::size_t ignored;
};

}

TEST(CommandLine, ReadsModesFilesAndSwitches)
{
    const parse_case cases[] = {
        {{}, 0, "", "", "", false, 0},
        {{"/talks/x.htm"}, 0, "/talks/x.htm", "", "", false, 0},          // a path, not a switch
        {{"test.htm"}, 0, "test.htm", "", "", false, 0},                  // no result path from a plain "t..."
        {{"-t/tmp/r", "-ClicktoCustomizeEditMode", "p.htm"}, 2, "p.htm", "/tmp/r", "", false, 0},
        {{"-T/tmp/R"}, 0, "", "/tmp/R", "", false, 0},
        {{"WWW.x.org"}, 0, "", "", "", false, 1},
        {{"HTTPS://x"}, 0, "", "", "", false, 1},
        {{"a.htm", "http://x"}, 0, "a.htm", "", "", false, 1},            // the file still opens
        {{"-formgreetingseditmode", "a.greetings"}, 0, "a.greetings", "", "", false, 1},
        {{"-FormGreetingsEditMode", "g.greetings", "-RedirectorerPath"}, 1, "g.greetings", "", "", false, 1},
        {{"-FormGreetingsEditMode", "g.greetings", "-RedirectorerPath", "/r/p", "-RemoveInsRedirectLnk"}, 1,
            "g.greetings", "", "/r/p", true, 0},
        {{"-RedirectorerPath", "/r", "a.htm"}, 0, "a.htm", "", "/r", false, 0}, // the flag covers one parameter
        {{"a.htm", "b.htm"}, 0, "a.htm", "", "", false, 1},
        {{"-", "-nologo"}, 0, "", "", "", false, 2},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& a : c.arguments)
            shown += "[" + a + "]";
        CommandLine line = parse_command_line(c.arguments);
        EXPECT_EQ(line.edit_mode, c.edit_mode) << shown;
        EXPECT_EQ(line.file_name, c.file) << shown;
        EXPECT_EQ(line.result_path, c.result) << shown;
        EXPECT_EQ(line.redirector_path, c.redirector) << shown;
        EXPECT_EQ(line.remove_redirect_link, c.remove_link) << shown;
        EXPECT_EQ(line.ignored.size(), c.ignored) << shown;
        EXPECT_EQ(line.shell_command,
            c.file.empty() ? CommandLine::ShellCommand::file_new : CommandLine::ShellCommand::file_open)
            << shown;
        EXPECT_TRUE(line.show_splash) << shown;
    }
}

TEST(CommandLine, ChildLaunchArgumentsReadBackAsWritten)
{
    auto clickto = shell::clickto_customize_arguments("/tmp/result.txt", "/w/page.htm");
    EXPECT_EQ(clickto, (std::vector<std::string> {"-t/tmp/result.txt", "-ClicktoCustomizeEditMode", "/w/page.htm"}));
    auto line = parse_command_line(clickto);
    EXPECT_EQ(line.edit_mode, 2);
    EXPECT_EQ(line.result_path, "/tmp/result.txt");
    EXPECT_EQ(line.file_name, "/w/page.htm");

    for (bool remove : {false, true}) {
        auto greetings = shell::form_greetings_arguments("/j/form.greetings", "/j/redirect.htm", remove);
        EXPECT_EQ(greetings.size(), remove ? 5u : 4u); // no empty switch
        auto read = parse_command_line(greetings);
        EXPECT_EQ(read.edit_mode, 1);
        EXPECT_EQ(read.file_name, "/j/form.greetings");
        EXPECT_EQ(read.redirector_path, "/j/redirect.htm");
        EXPECT_EQ(read.remove_redirect_link, remove);
        EXPECT_TRUE(read.ignored.empty());
    }

    // Paths the parser would take for a switch or a web address still name the same file.
    auto odd = parse_command_line(shell::form_greetings_arguments("-x.greetings", "www.r.htm", false));
    EXPECT_EQ(odd.file_name, "./-x.greetings");
    EXPECT_EQ(odd.redirector_path, "./www.r.htm");
    EXPECT_THROW(shell::clickto_customize_arguments("/r", ""), std::invalid_argument);
}
