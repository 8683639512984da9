// Runs the built program as a user would, with a home of its own.
#include "platform/registry/registry_text.h"
#include "platform/testing/temporary_folder.h"
#include "platform/testing/file_contents.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
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

    // `answers`: what the user does once the program waits (see platform/ui/headless_answers.h).
    run_result run(const std::string& program, std::vector<std::string> arguments = {}, const std::string& answers = {})
    {
        std::vector<std::string> env {"HOME=" + home.file("home"), "XDG_DATA_HOME=" + home.file("data"),
            "XDG_CONFIG_HOME=" + home.file("config"), "TMPDIR=" + home.path(), "LC_ALL=C"};
        if (!answers.empty())
            env.push_back("TALVERIN_HEADLESS_ANSWERS=" + answers);
        std::vector<char*> envp;
        for (auto& entry : env)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        auto errors = home.file("stderr.txt");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        arguments.insert(arguments.begin(), program);
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        run_result result;
        if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
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

TEST_F(ProgramRun, AnUnusableStoreIsReportedOnceAndLeftAsItWas)
{
    struct cause {
        const char* name;
        std::function<void(const std::string& path)> make;
        std::string reason; // after the store's path
    };
    auto text = [](std::string content) {
        return [content](const std::string& path) { std::ofstream(path, std::ios::binary) << content; };
    };
    std::string deep = "talverin-registry 1\n[";
    for (int i = 0; i <= 512; ++i)
        deep += i ? "\\k" : "k";
    deep += "]\n";
    const std::vector<cause> causes {
        {"line cut inside a value name",
            text("talverin-registry 1\n[Software\\Holvane\\Talverin\\Configurations]\n\"Active Con"),
            ":3: unterminated quoted text"},
        {"folder", [](const std::string& path) { std::filesystem::create_directory(path); },
            ": is a folder, not a file"},
        {"named pipe", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
            ": is a named pipe, not a file"},
        {"link to a device", [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); },
            ": is a device, not a file"},
        {"key deeper than the limit", text(deep), ":2: key path deeper than the limit of 512 levels"},
        {"unreadable", [](const std::string& path) {
             std::ofstream(path) << "talverin-registry 1\n";
             ::chmod(path.c_str(), 0);
         }, ": cannot be read: Permission denied"},
    };
    const auto folder = std::filesystem::path(store()).parent_path();
    for (const auto& [name, make, reason] : causes) {
        SCOPED_TRACE(name);
        if (std::string(name) == "unreadable" && ::geteuid() == 0)
            continue; // the superuser reads any file
        std::filesystem::remove_all(home.file("config"));
        std::filesystem::create_directories(folder);
        make(store());
        struct stat before {};
        ASSERT_EQ(::lstat(store().c_str(), &before), 0);
        auto bytes = std::filesystem::is_regular_file(store()) ? read_file(store()) : std::string();

        auto result = run(TALVERIN_PROGRAM);
        EXPECT_EQ(result.status, 0) << result.errors;
        const std::string said = "The settings cannot be read: " + store() + reason + "\n";
        auto first = result.errors.find(said);
        EXPECT_NE(first, std::string::npos) << result.errors;
        EXPECT_EQ(result.errors.find("The settings cannot be read", first + 1), std::string::npos) << result.errors;

        struct stat after {};
        ASSERT_EQ(::lstat(store().c_str(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        if (std::filesystem::is_regular_file(store())) {
            EXPECT_EQ(read_file(store()), bytes);
        }
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string> {"registry.txt"}); // no lock, no temporary
        std::filesystem::permissions(store(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    }
}

TEST_F(ProgramRun, ASymlinkedStoreIsWrittenThroughToItsTargetAndStaysALink)
{
    std::filesystem::create_directories(home.file("dotfiles"));
    std::ofstream(home.file("dotfiles/registry.txt")) << "talverin-registry 1\n[Software\\Holvane\\Talverin\\Settings]\n"
                                                          "\"DocCharset\"=sz:\"utf-8\"\n";
    std::filesystem::create_directories(std::filesystem::path(store()).parent_path());
    std::filesystem::create_symlink("../../../dotfiles/registry.txt", store());
    auto result = run(TALVERIN_PROGRAM);
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_TRUE(std::filesystem::is_symlink(store()));
    auto parsed = platform::registry::parse_registry_text(read_file(home.file("dotfiles/registry.txt")), "dotfiles");
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_NE(parsed.tree.find("Software\\Holvane\\Talverin\\Configurations", "Active Config"), nullptr);
    EXPECT_EQ(*parsed.tree.find("Software\\Holvane\\Talverin\\Settings", "DocCharset"),
        platform::registry::value(std::string("utf-8")));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(home.file("dotfiles")))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string> {"registry.txt"});
}

TEST_F(ProgramRun, AStringTableThatIsAFolderOrLacksTheNeededTextsEndsTheStartNamingTheFile)
{
    std::filesystem::create_directories(home.file("bin"));
    auto program = home.file("bin/talverin");
    std::filesystem::copy_file(TALVERIN_PROGRAM, program);
    auto table = home.file("share/talverin/talverin/strings.txt");
    std::filesystem::create_directories(table);
    auto result = run(program);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errors, "talverin: " + table + ": cannot read the string table: it is a folder, not a file\n");

    std::filesystem::remove(table);
    std::ofstream(table) << "";
    result = run(program);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errors, "talverin: " + table + ": the string table has no text for string 100\n");
    EXPECT_FALSE(std::filesystem::exists(store())); // nothing started, nothing saved
}

TEST_F(ProgramRun, AFreshStoreSettlesOnTheFirstStart)
{
    auto result = run(TALVERIN_PROGRAM);
    EXPECT_EQ(result.status, 0) << result.errors;
    auto first = read_file(store());
    result = run(TALVERIN_PROGRAM);
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(read_file(store()), first);
}

TEST_F(ProgramRun, ATextMessageOpensInItsViewAndClosesUnchanged)
{
    const std::string message = home.file("notes.quorbis_txt");
    const std::string text = "Dear reader,\r\nx < y & z\r\n";
    std::ofstream(message, std::ios::binary) << text;
    auto result = run(TALVERIN_PROGRAM, {message});
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(result.errors, "");
    EXPECT_EQ(read_file(message), text);
}

TEST_F(ProgramRun, ATextMessageIsSavedAsUnderANewName)
{
    const std::string message = home.file("notes.quorbis_txt");
    const std::string copy = home.file("copy.quorbis_txt");
    const std::string text = "Dear reader,\r\nx < y & z";
    std::ofstream(message, std::ios::binary) << text;
    auto result = run(TALVERIN_PROGRAM, {message}, "command 57604\nfile " + copy + "\n");
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(read_file(copy), text);
    EXPECT_EQ(read_file(message), text);
}

TEST_F(ProgramRun, AnHtmlMessageIsSavedAsThenOpensAndSavesAgain)
{
    const std::string anchor = home.file("news.htm");
    const std::string body = home.file("news_files/Message_Files/Message_Body.htm");
    auto result = run(TALVERIN_PROGRAM, {}, "command 57604\nfile " + anchor + "\n");
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_NE(read_file(anchor).find("Quorbis Save Results for project 'news'"), std::string::npos);
    const auto page = read_file(body);
    EXPECT_NE(page.find("<BODY"), std::string::npos) << page;

    // The page file is only a Save Results page: opening reads the message from its folder,
    // File Save writes both again.
    std::ofstream(anchor, std::ios::binary) << "stale";
    result = run(TALVERIN_PROGRAM, {anchor}, "command 57603\n");
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_NE(read_file(anchor).find("Quorbis Save Results for project 'news'"), std::string::npos);
    const auto saved_again = read_file(body);
    EXPECT_NE(saved_again.find("<BODY"), std::string::npos) << saved_again;
    EXPECT_NE(saved_again.find("name=GENERATOR>"), std::string::npos) << "written by the view: " << saved_again;
}
