// The talverin program itself, started as a child with a home of its own.
#include "app_fixture.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct program_run {
    int status = -1;
    std::string errors;
};

struct program_home {
    platform::testing::temporary_folder root;
    std::string store() const { return root.file("config/holvane/talverin/registry.txt"); }

    program_run run(const std::string& arguments)
    {
        for (const char* folder : {"home", "data", "config", "tmp"})
            fs::create_directories(root.file(folder));
        std::string command = "env HOME=" + root.file("home") + " XDG_DATA_HOME=" + root.file("data")
            + " XDG_CONFIG_HOME=" + root.file("config") + " TMPDIR=" + root.file("tmp") + " " TALVERIN_PROGRAM
            + " " + arguments + " 2>" + root.file("stderr.txt");
        int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, shell::testing::read_file(root.file("stderr.txt"))};
    }
};

}

TEST(Program, HeadlessRunWritesTheDefaultsAndEndsWithStatus0)
{
    program_home home;
    auto run = home.run("");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    auto store = shell::testing::read_file(home.store());
    EXPECT_NE(store.find("\"SMTPDestAddr\"=sz:\"broadcast@example.com\""), std::string::npos) << store;
    EXPECT_NE(store.find("\"CustomColor15\"=dword:15790320"), std::string::npos);
    EXPECT_EQ(store.find("HTTPBroadcastURL"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(home.root.file("data/talverin/templates")));
}

TEST(Program, RefusedChildStartPrintsOneLineAndChangesNothing)
{
    program_home home;
    ASSERT_EQ(home.run("").status, 0);
    auto before = shell::testing::read_file(home.store());
    auto run = home.run("-FormGreetingsEditMode notes.htm");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << run.errors;
    EXPECT_EQ(shell::testing::read_file(home.store()), before);
}
