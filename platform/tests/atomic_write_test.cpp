#include "platform/files/atomic_write.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/temporary_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using platform::files::atomic_write;
using platform::testing::read_file;
using platform::testing::write_file;

namespace fs = std::filesystem;

namespace {

std::vector<std::string> names_in(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

unsigned mode_of(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 0777;
}

}

TEST(AtomicWrite, ReplacesTheWholeFileWithTheGivenModeAndLeavesNothingBeside)
{
    platform::testing::temporary_folder folder;
    auto path = folder.file("page.htm");
    write_file(path, "old and longer content");
    ASSERT_FALSE(atomic_write(path, "new", 0644));
    EXPECT_EQ(read_file(path), "new");
    EXPECT_EQ(mode_of(path), 0644u);
    ASSERT_FALSE(atomic_write(folder.file("fresh.txt"), "", 0600));
    EXPECT_EQ(read_file(folder.file("fresh.txt")), "");
    EXPECT_EQ(mode_of(folder.file("fresh.txt")), 0600u);
    EXPECT_EQ(names_in(folder.path()), (std::vector<std::string> {"fresh.txt", "page.htm"}));
}

TEST(AtomicWrite, WritesThroughLinksToTheTargetInItsOwnFolderAndKeepsTheLinks)
{
    platform::testing::temporary_folder folder;
    write_file(folder.file("dotfiles/registry.txt"), "old");
    fs::create_directories(folder.file("config"));
    // config/registry.txt -> ../dotfiles/middle (relative) -> <absolute>/dotfiles/registry.txt
    fs::create_symlink(folder.file("dotfiles/registry.txt"), folder.file("dotfiles/middle"));
    fs::create_symlink("../dotfiles/middle", folder.file("config/registry.txt"));

    ASSERT_FALSE(atomic_write(folder.file("config/registry.txt"), "new", 0600));
    EXPECT_TRUE(fs::is_symlink(folder.file("config/registry.txt")));
    EXPECT_TRUE(fs::is_symlink(folder.file("dotfiles/middle")));
    EXPECT_EQ(read_file(folder.file("dotfiles/registry.txt")), "new");
    EXPECT_EQ(names_in(folder.file("config")), std::vector<std::string> {"registry.txt"});
    EXPECT_EQ(names_in(folder.file("dotfiles")), (std::vector<std::string> {"middle", "registry.txt"}));

    // A link whose target does not exist yet makes the target.
    fs::create_symlink(folder.file("dotfiles/later.txt"), folder.file("config/later.txt"));
    ASSERT_FALSE(atomic_write(folder.file("config/later.txt"), "made", 0600));
    EXPECT_TRUE(fs::is_symlink(folder.file("config/later.txt")));
    EXPECT_EQ(read_file(folder.file("dotfiles/later.txt")), "made");
}

TEST(AtomicWrite, FailuresKeepTheOldFileAndLeaveNoTemporary)
{
    platform::testing::temporary_folder folder;
    auto path = folder.file("registry.txt");
    write_file(path, "old");
    EXPECT_EQ(atomic_write(path, "new", 0600, [] { return false; }), std::errc::operation_canceled);
    EXPECT_EQ(read_file(path), "old");

    fs::create_symlink(folder.file("loop-b"), folder.file("loop-a"));
    fs::create_symlink(folder.file("loop-a"), folder.file("loop-b"));
    EXPECT_EQ(atomic_write(folder.file("loop-a"), "new", 0600), std::errc::too_many_symbolic_link_levels);
    EXPECT_EQ(atomic_write(folder.file("missing/registry.txt"), "new", 0600), std::errc::no_such_file_or_directory);
    EXPECT_EQ(names_in(folder.path()), (std::vector<std::string> {"loop-a", "loop-b", "registry.txt"}));
}

TEST(AtomicReplace, ReplacesTheWholeFileWithTheGivenModeAndLeavesNothingBeside)
{
    platform::testing::temporary_folder folder;
    auto path = folder.file("body.htm");
    write_file(path, "old and longer content");
    ASSERT_FALSE(platform::files::atomic_replace(path, "new", 0600));
    EXPECT_EQ(read_file(path), "new");
    EXPECT_EQ(mode_of(path), 0600u);
    EXPECT_EQ(names_in(folder.path()), (std::vector<std::string> {"body.htm"}));
    // A folder that is not there fails and makes nothing.
    EXPECT_TRUE(platform::files::atomic_replace(folder.file("missing/body.htm"), "x", 0600));
    EXPECT_EQ(names_in(folder.path()), (std::vector<std::string> {"body.htm"}));
}
