#include "platform/registry/file_store.h"
#include "platform/registry/registry_text.h"
#include "platform/testing/temporary_folder.h"
#include "platform/testing/file_contents.h"

#include <filesystem>
#include <functional>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>

extern char** environ;

using namespace platform::registry;

using platform::testing::read_file;
using platform::testing::write_file;

namespace {

pid_t spawn_writer(const std::string& store, const std::string& prefix, int count)
{
    std::string program = REGISTRY_WRITER_PROBE;
    std::string count_text = std::to_string(count);
    char* argv[] = {program.data(), const_cast<char*>(store.c_str()), const_cast<char*>(prefix.c_str()),
        count_text.data(), nullptr};
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
    return pid;
}

constexpr hive user = hive::current_user;

}

TEST(FileStore, WritesTheCanonicalHandEditableFormWithMode0600)
{
    platform::testing::temporary_folder folder;
    auto path = folder.file("config/holvane/talverin/registry.txt");
    file_store registry(path);
    ASSERT_EQ(registry.write(user, "Software\\Holvane\\Talverin\\Settings", "Logging", std::uint32_t {1}), status::ok);
    ASSERT_EQ(registry.write(user, "Software\\Holvane\\Talverin\\Settings", "n", std::string("a\"b")), status::ok);
    ASSERT_EQ(registry.write(user, "Software\\Holvane\\Talverin\\Settings", "bin", binary {0x0a, 0xff}), status::ok);
    EXPECT_EQ(read_file(path),
        "talverin-registry 1\n"
        "[Software\\Holvane\\Talverin\\Settings]\n"
        "\"Logging\"=dword:1\n"
        "\"n\"=sz:\"a\\\"b\"\n"
        "\"bin\"=binary:0aff\n");
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(folder.file("config/holvane/talverin").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(FileStore, ReadsHandEditsCommentsAndCrLf)
{
    platform::testing::temporary_folder folder;
    auto path = folder.file("registry.txt");
    write_file(path, "talverin-registry 1\r\n# edited by hand\r\n[Software\\X]\r\n\"a\"=dword:0x1F\r\n\"b\"=sz:\"t\\x41\"\r\n");
    file_store registry(path);
    EXPECT_EQ(std::get<std::uint32_t>(registry.read(user, "Software\\X", "a").data), 31u);
    EXPECT_EQ(std::get<std::string>(registry.read(user, "Software\\X", "b").data), "tA");
    // A change made by another writer is seen on the next read.
    write_file(path, "talverin-registry 1\n[Software\\X]\n\"a\"=dword:7\n");
    EXPECT_EQ(std::get<std::uint32_t>(registry.read(user, "Software\\X", "a").data), 7u);
}

TEST(FileStore, AnUnusableFileIsReportedKeptInMemoryAndNeverWritten)
{
    struct cause {
        const char* name;
        std::function<void(const std::string& path)> make;
        std::string reason; // after "<path>"
    };
    auto text = [](std::string content) { return [content](const std::string& path) { write_file(path, content); }; };
    std::string deep = "talverin-registry 1\n[";
    for (std::size_t i = 0; i <= max_key_depth; ++i)
        deep += i ? "\\k" : "k";
    deep += "]\n";
    const std::vector<cause> causes {
        {"line cut inside a value name", text("talverin-registry 1\n[K]\n\"v\"=dword:1\n\"Logg\n"),
            ":4: unterminated quoted text"},
        {"folder", [](const std::string& path) { std::filesystem::create_directories(path); }, ": is a folder, not a file"},
        {"named pipe", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
            ": is a named pipe, not a file"},
        {"link to a device", [](const std::string& path) { std::filesystem::create_symlink("/dev/zero", path); },
            ": is a device, not a file"},
        {"larger than the limit", [](const std::string& path) {
             write_file(path, "talverin-registry 1\n");
             std::filesystem::resize_file(path, max_store_size + 1);
         }, ": is larger than the limit of " + std::to_string(max_store_size) + " bytes"},
        {"key deeper than the limit", text(deep), ":2: key path deeper than the limit of 512 levels"},
        {"key path longer than the limit",
            text("talverin-registry 1\n[" + std::string(max_key_path_length + 1, 'k') + "]\n"),
            ":2: key path longer than the limit of 32767 bytes"},
        {"value larger than the limit",
            text("talverin-registry 1\n[K]\n\"b\"=binary:" + std::string(2 * (max_value_size + 1), 'a') + "\n"),
            ":3: value larger than the limit of 1048576 bytes"},
        {"unreadable", [](const std::string& path) {
             write_file(path, "talverin-registry 1\n");
             ::chmod(path.c_str(), 0);
         }, ": cannot be read: Permission denied"},
    };
    for (const auto& [name, make, reason] : causes) {
        SCOPED_TRACE(name);
        if (std::string(name) == "unreadable" && ::geteuid() == 0)
            continue; // the superuser reads any file
        platform::testing::temporary_folder folder;
        auto path = folder.file("registry.txt");
        make(path);
        auto identity = [&] {
            struct stat info {};
            ::lstat(path.c_str(), &info);
            return std::tuple(info.st_mode, info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
        };
        auto identity_before = identity();
        bool small = std::filesystem::is_regular_file(path) && std::filesystem::file_size(path) < 65536;
        auto bytes_before = small ? read_file(path) : std::string();

        file_store registry(path);
        EXPECT_EQ(registry.unusable_reason(), path + reason);
        EXPECT_EQ(registry.read(user, "K", "v").code, status::not_found);
        // The run goes on in memory: what it writes it reads back, and the file stays.
        EXPECT_EQ(registry.write(user, "K", "x", std::uint32_t {7}), status::ok);
        EXPECT_EQ(std::get<std::uint32_t>(registry.read(user, "K", "x").data), 7u);
        EXPECT_EQ(identity(), identity_before);
        if (small) {
            EXPECT_EQ(read_file(path), bytes_before);
        }
        EXPECT_EQ(registry.unusable_reason(), path + reason);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add);
    }
}

TEST(FileStore, AFileDamagedDuringTheRunIsLeftAloneAndTheRunKeepsWhatItHad)
{
    platform::testing::temporary_folder folder;
    auto path = folder.file("registry.txt");
    file_store registry(path);
    ASSERT_EQ(registry.write(user, "K", "v", std::uint32_t {1}), status::ok);
    const std::string damaged = "talverin-registry 1\n[K\n";
    write_file(path, damaged);
    EXPECT_EQ(registry.write(user, "K", "w", std::uint32_t {2}), status::ok);
    EXPECT_EQ(registry.unusable_reason(), path + ":2: key line must be [path]");
    EXPECT_EQ(std::get<std::uint32_t>(registry.read(user, "K", "v").data), 1u);
    EXPECT_EQ(std::get<std::uint32_t>(registry.read(user, "K", "w").data), 2u);
    EXPECT_EQ(read_file(path), damaged);
}

TEST(FileStore, ASymlinkedStoreIsWrittenThroughAndTheLinkStays)
{
    platform::testing::temporary_folder folder;
    write_file(folder.file("dotfiles/registry.txt"), "talverin-registry 1\n[K]\n\"v\"=dword:1\n");
    std::filesystem::create_directories(folder.file("config"));
    std::filesystem::create_symlink("../dotfiles/registry.txt", folder.file("config/registry.txt"));
    file_store registry(folder.file("config/registry.txt"));
    EXPECT_EQ(std::get<std::uint32_t>(registry.read(user, "K", "v").data), 1u);
    ASSERT_EQ(registry.write(user, "K", "w", std::uint32_t {2}), status::ok);
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file("config/registry.txt")));
    EXPECT_EQ(read_file(folder.file("dotfiles/registry.txt")), "talverin-registry 1\n[K]\n\"v\"=dword:1\n\"w\"=dword:2\n");
}

TEST(FileStore, ADeepKeyIsReadAndWrittenBackOnceNotOncePerParent)
{
    platform::testing::temporary_folder folder;
    auto path = folder.file("registry.txt");
    std::string key;
    for (std::size_t i = 0; i < max_key_depth; ++i)
        key += (i ? "\\" : "") + std::string(60, 'a' + static_cast<char>(i % 26));
    ASSERT_LE(key.size(), max_key_path_length);
    const std::string stored = "talverin-registry 1\n[" + key + "]\n\"v\"=dword:1\n";
    write_file(path, stored);
    file_store registry(path);
    ASSERT_EQ(registry.write(user, key, "w", std::uint32_t {2}), status::ok);
    EXPECT_EQ(read_file(path), stored + "\"w\"=dword:2\n");
    EXPECT_EQ(registry.subkeys(user, key.substr(0, 60)).data.size(), 1u);
}

TEST(FileStore, FailureBeforeRenameKeepsTheOldFileAndLeavesNoTemporary)
{
    platform::testing::temporary_folder folder;
    auto path = folder.file("registry.txt");
    file_store registry(path);
    ASSERT_EQ(registry.write(user, "K", "v", std::uint32_t {1}), status::ok);
    auto before = read_file(path);
    registry.set_before_rename_hook([] { return false; });
    EXPECT_EQ(registry.write(user, "K", "v", std::uint32_t {2}), status::io_error);
    EXPECT_EQ(read_file(path), before);
    EXPECT_EQ(std::get<std::uint32_t>(registry.read(user, "K", "v").data), 1u);
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        auto name = entry.path().filename().string();
        EXPECT_TRUE(name == "registry.txt" || name == "registry.lock") << name;
    }
}

TEST(FileStore, ConcurrentStoresAndProcessesLoseNoWrite)
{
    platform::testing::temporary_folder folder;
    auto path = folder.file("registry.txt");
    constexpr int count = 200;
    pid_t child = spawn_writer(path, "child", count);
    auto writer = [&](const std::string& prefix) {
        file_store registry(path);
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(registry.write(user, "Software\\Race", prefix + std::to_string(i), std::uint32_t(i)), status::ok);
    };
    std::thread first(writer, "one");
    std::thread second(writer, "two");
    first.join();
    second.join();
    int child_status = 0;
    ASSERT_EQ(waitpid(child, &child_status, 0), child);
    ASSERT_TRUE(WIFEXITED(child_status) && WEXITSTATUS(child_status) == 0);

    file_store reader(path);
    auto names = reader.value_names(user, "Software\\Race");
    ASSERT_TRUE(names.ok());
    EXPECT_EQ(names.data.size(), 3u * count);
    for (const char* prefix : {"one", "two", "child"}) {
        for (int i = 0; i < count; i += 37)
            EXPECT_EQ(std::get<std::uint32_t>(reader.read(user, "Software\\Race", prefix + std::to_string(i)).data),
                std::uint32_t(i));
    }
}

TEST(RegistryText, RejectsMalformedLinesWithTheirNumber)
{
    const std::pair<const char*, const char*> rows[] = {
        {"not a header\n", "f:1: first line must be \"talverin-registry 1\""},
        {"talverin-registry 1\n\"v\"=dword:1\n", "f:2: value before any key"},
        {"talverin-registry 1\n[K]\n\"v\"=dword:x\n", "f:3: bad dword value"},
        {"talverin-registry 1\n[K]\n\"v\"=dword:4294967296\n", "f:3: bad dword value"},
        {"talverin-registry 1\n[K]\n\"v\"=binary:abc\n", "f:3: odd number of hex digits"},
        {"talverin-registry 1\n[K]\n\"v\"=sz:\"open\n", "f:3: unterminated quoted text"},
        {"talverin-registry 1\n[K]\n\"v\"=sz:\"a\" b\n", "f:3: text after quoted value"},
        {"talverin-registry 1\n[A\\\\B]\n", "f:2: invalid key name"},
        {"talverin-registry 1\n[K]\nv=dword:1\n", "f:3: expected a key line, a quoted value name or a comment"},
    };
    for (const auto& [text, error] : rows) {
        auto outcome = parse_registry_text(text, "f");
        EXPECT_FALSE(outcome.ok) << text;
        EXPECT_EQ(outcome.error, error);
    }
    EXPECT_TRUE(parse_registry_text("", "f").ok);
}
