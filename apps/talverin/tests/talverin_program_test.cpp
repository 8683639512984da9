// Runs the built program as a user would, with a home of its own.
#include "platform/registry/registry_text.h"
#include "platform/testing/temporary_folder.h"
#include "platform/testing/file_contents.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

using platform::testing::read_file;

namespace {

struct run_result {
    int status = -1;
    std::string errors;
};

class ProgramRun : public ::testing::Test {
protected:
    platform::testing::temporary_folder home;
    std::string store() const { return home.file("config/holvane/talverin/registry.txt"); }
    std::string log() const { return home.file("data/talverin/talverin.log"); }

    void seed_store(const std::string& text)
    {
        std::filesystem::create_directories(std::filesystem::path(store()).parent_path());
        std::ofstream(store(), std::ios::binary) << text;
    }

    run_result run(const std::string& program)
    {
        std::vector<std::string> env {"HOME=" + home.file("home"), "XDG_DATA_HOME=" + home.file("data"),
            "XDG_CONFIG_HOME=" + home.file("config"), "TMPDIR=" + home.path(), "LC_ALL=C"};
        std::vector<char*> envp;
        for (auto& entry : env)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        auto errors = home.file("stderr.txt");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::string name = program;
        char* argv[] = {name.data(), nullptr};
        pid_t pid = -1;
        run_result result;
        if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data()) == 0) {
            int status = 0;
            waitpid(pid, &status, 0);
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        posix_spawn_file_actions_destroy(&actions);
        result.errors = read_file(errors);
        return result;
    }
};

}

TEST_F(ProgramRun, TracesTheOsLineThenItsOwnLineWhenLoggingIsOn)
{
    seed_store("talverin-registry 1\n[Software\\Holvane\\Talverin\\Settings]\n\"Logging\"=dword:1\n");
    auto result = run(TALVERIN_PROGRAM);
    EXPECT_EQ(result.status, 0) << result.errors;
    auto text = read_file(log());
    auto os = text.find(" OS: Linux ");
    auto own = text.find(" main() -- Talverin ");
    ASSERT_NE(os, std::string::npos) << text;
    ASSERT_NE(own, std::string::npos) << text;
    EXPECT_LT(os, own);
    EXPECT_NE(text.find("data folder: " + home.file("data/talverin")), std::string::npos) << text;
}

TEST_F(ProgramRun, WritesNoLogWithoutTheSetting)
{
    auto result = run(TALVERIN_PROGRAM);
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_FALSE(std::filesystem::exists(log()));
}

TEST_F(ProgramRun, EndsWithStatusOneNamingWhatIsMissing)
{
    // A copy of the program with no share folder beside it.
    std::filesystem::create_directories(home.file("bin"));
    auto lonely = home.file("bin/talverin");
    std::filesystem::copy_file(TALVERIN_PROGRAM, lonely);
    auto result = run(lonely);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.errors.find(home.file("share/talverin")), std::string::npos) << result.errors;

    // A share folder whose string table is broken.
    std::filesystem::create_directories(home.file("share/talverin/talverin"));
    std::ofstream(home.file("share/talverin/talverin/strings.txt")) << "1 \"a\"\n1 \"b\"\n";
    result = run(lonely);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.errors.find(home.file("share/talverin/talverin/strings.txt") + ":2: duplicate id 1"),
        std::string::npos)
        << result.errors;
}

TEST_F(ProgramRun, AFreshHomeGetsTheDefaultConfigurationInItsOwnKey)
{
    auto result = run(TALVERIN_PROGRAM);
    EXPECT_EQ(result.status, 0) << result.errors;
    auto parsed = platform::registry::parse_registry_text(read_file(store()), store());
    ASSERT_TRUE(parsed.ok) << parsed.error;
    const std::string configurations = "Software\\Holvane\\Talverin\\Configurations";
    EXPECT_TRUE(parsed.tree.has_key(configurations + "\\Default"));
    auto values = parsed.tree.value_names(configurations);
    EXPECT_EQ(values.data, (std::vector<std::string> {"Active Config"}));
    ASSERT_NE(parsed.tree.find(configurations, "Active Config"), nullptr);
    EXPECT_EQ(*parsed.tree.find(configurations, "Active Config"), platform::registry::value(std::string("Default")));
}
