#include "core/errors/wizard_thrower.h"
#include "core/files/file_path.h"
#include "core/files/file_tree.h"
#include "core/files/path_parts.h"
#include "files_fixture.h"

#include <unistd.h>

using core::file_path;

TEST(FilePath, SplitsLinuxAndWindowsWrittenPaths)
{
    struct row {
        const char* path;
        const char* parent;
        const char* name;
        const char* base;
        const char* extension;
    } rows[] = {
        {"/home/u/news.htm", "/home/u", "news.htm", "news", "htm"},
        {"/home/u/archive.tar.gz", "/home/u", "archive.tar.gz", "archive.tar", "gz"},
        {"/news", "/", "news", "news", ""},
        {"news.htm", "", "news.htm", "news", "htm"},
        {"/home/u/.profile", "/home/u", ".profile", ".profile", ""},
        {"/home/u/", "/home/u", "", "", ""},
        {"C:\\m\\news.htm", "C:\\m", "news.htm", "news", "htm"},
        {"C:\\news.htm", "C:\\", "news.htm", "news", "htm"},
        {"C:", "C:", "", "", ""},
        {"pictures\\a b.gif", "pictures", "a b.gif", "a b", "gif"},
        {"", "", "", "", ""},
    };
    for (const auto& r : rows) {
        file_path p(r.path);
        EXPECT_EQ(p.parent_folder(), r.parent) << r.path;
        EXPECT_EQ(p.file_name(true), r.name) << r.path;
        EXPECT_EQ(p.file_name(false), r.base) << r.path;
        EXPECT_EQ(p.extension(), r.extension) << r.path;
    }
}

TEST(FilePath, CombinesSetsExtensionsMovesAndResolves)
{
    EXPECT_EQ(core::path_combine("/a", "b"), "/a/b");
    EXPECT_EQ(core::path_combine("/a/", "b"), "/a/b");
    EXPECT_EQ(core::path_combine("C:\\m\\", "b"), "C:\\m\\b");
    EXPECT_EQ(core::path_combine("", "b"), "b");

    struct extension_row {
        const char* path;
        const char* extension;
        const char* result;
    } extensions[] = {
        {"/j/job.tar", "tar.gz", "/j/job.tar.gz"},
        {"/j/job", ".txt", "/j/job.txt"},
        {"/j/job.txt", "", "/j/job"},
        {"job.htm", "html", "job.html"},
        {"C:\\j\\job.htm", "gz", "C:\\j\\job.gz"},
    };
    for (const auto& r : extensions) {
        file_path p(r.path);
        p.set_extension(r.extension);
        EXPECT_EQ(p.path(), r.result) << r.path << " + " << r.extension;
    }

    file_path moved("C:\\m\\news.htm");
    moved.move_to_folder("/home/u");
    EXPECT_EQ(moved.path(), "/home/u/news.htm");

    struct resolve_row {
        const char* base;
        const char* relative;
        const char* result;
    } resolves[] = {
        {"/home/u/doc", "../pictures/a.gif", "/home/u/pictures/a.gif"},
        {"/home/u/doc", "./a/./b", "/home/u/doc/a/b"},
        {"/home/u", "", "/home/u"},
        {"", "x/../y", "x/../y"},
        {"C:\\m\\doc", "..\\a.gif", "C:/m/a.gif"},
        {"/", "../../a", "/a"},
        {"doc", "../../a", "../a"},
    };
    for (const auto& r : resolves) {
        file_path p(r.base);
        p.resolve_relative_path(r.relative);
        EXPECT_EQ(p.path(), r.result) << r.base << " + " << r.relative;
    }
}

class Files : public ProgramFolders { };

TEST_F(Files, CopiesIntoAFolderOntoItselfAndNeverFromAMissingSource)
{
    write_file(root.file("a.txt"), "alpha");
    ::mkdir(root.file("into").c_str(), 0700);
    file_path source(root.file("a.txt"));

    EXPECT_TRUE(source.copy_to(root.file("into")));
    EXPECT_EQ(read_file(root.file("into/a.txt")), "alpha");

    EXPECT_TRUE(source.copy_to(root.file("a.txt")));
    EXPECT_EQ(read_file(root.file("a.txt")), "alpha");

    write_file(root.file("b.txt"), "kept");
    EXPECT_FALSE(file_path(root.file("missing.txt")).copy_to(root.file("b.txt")));
    EXPECT_EQ(read_file(root.file("b.txt")), "kept");
    EXPECT_FALSE(source.copy_to(root.file("b.txt"), false));
    EXPECT_EQ(read_file(root.file("b.txt")), "kept");
}

TEST_F(Files, RemoveOnReleaseDeletesFilesEmptyFoldersAndLinksOnly)
{
    write_file(root.file("outside.txt"), "target");
    ::symlink(root.file("outside.txt").c_str(), root.file("link").c_str());
    ::mkdir(root.file("full").c_str(), 0700);
    write_file(root.file("full/x"), "x");
    write_file(root.file("gone.txt"), "g");
    {
        file_path link(root.file("link"), true);
        auto full = core::folder_path_create(root.file("full"), true);
        auto empty = core::folder_path_create_in(root.path(), "empty", true);
        EXPECT_TRUE(empty.is_directory());
        file_path gone(root.file("gone.txt"), true);
        file_path moved_from(root.file("gone.txt"), true);
        file_path taker = std::move(moved_from);
        taker.keep();
    }
    EXPECT_FALSE(present(root.file("link")));
    EXPECT_EQ(read_file(root.file("outside.txt")), "target");
    EXPECT_EQ(read_file(root.file("full/x")), "x");
    EXPECT_FALSE(present(root.file("empty")));
    EXPECT_FALSE(present(root.file("gone.txt")));
}

TEST(FlatNames, EncodeToExactFormsAndDecodeBack)
{
    EXPECT_EQ(core::encode_path_as_name("/home/u/news.htm"), "%2Fhome%2Fu%2Fnews%2Ehtm");
    EXPECT_EQ(core::encode_path_as_name("C:\\m\\news.htm"), "C%3A%5Cm%5Cnews%2Ehtm");
    for (const char* path : {"/home/u/news.htm", "C:\\m\\news.htm", "x%3A", "C:\\a%2Eb", "100%", "%%", "a.b.c",
             "/tmp/%2F%5C/..", ""})
        EXPECT_EQ(core::decode_path_from_name(core::encode_path_as_name(path)), path) << path;
    // Names the earlier decoder read right still read the same.
    EXPECT_EQ(core::decode_path_from_name("C%3A%5Cm%5Cnews%2Ehtm"), "C:\\m\\news.htm");
    EXPECT_EQ(core::decode_path_from_name("a%41"), "a%41");
}

TEST(FlatNames, ANameTooLongForAFileIsReportedNotCut)
{
    std::string path = "/" + std::string(200, 'a') + "/" + std::string(40, 'b') + ".htm";
    core::set_current_thrower(&core::worker_thrower());
    EXPECT_THROW(core::checked_path_name(path, ".objects"), hevtools::win32api_error);
    EXPECT_EQ(core::checked_path_name("/home/u/news.htm", ".objects"), "%2Fhome%2Fu%2Fnews%2Ehtm");
    core::set_current_thrower(nullptr);
}

class TempNames : public ProgramFolders {
protected:
    void TearDown() override
    {
        core::set_temp_name_source(nullptr);
        ProgramFolders::TearDown();
    }
};

TEST_F(TempNames, GeneratedNamesSkipTakenOnesAndFailClearlyWhenAllAreTaken)
{
    auto name = core::file_path_make_temp_name(root.path(), "", "");
    EXPECT_EQ(name.file_name().size(), 3 + 16 + 4);
    EXPECT_EQ(name.file_name().substr(0, 3), "tfc");
    EXPECT_EQ(name.extension(), "tmp");
    EXPECT_FALSE(name.exists());

    // The source gives a taken name 99 times, then a free one; then only taken ones.
    int calls = 0;
    int repeats = 99;
    core::set_temp_name_source([&]() -> std::uint64_t { return ++calls <= repeats ? 0xabc : 0xdef; });
    write_file(root.file("tfc0000000000000abc.html"), "someone else's");
    auto fresh = core::temp_file_path_init_in_folder(root.path(), "", "html", true);
    EXPECT_EQ(fresh.path(), root.file("tfc0000000000000def.html"));
    EXPECT_EQ(calls, 100);

    calls = 0;
    repeats = 1000;
    core::set_current_thrower(&core::worker_thrower());
    EXPECT_THROW(core::temp_file_path_init_in_folder(root.path(), "", "html", true), hevtools::win32api_error);
    core::set_current_thrower(nullptr);
    EXPECT_EQ(read_file(root.file("tfc0000000000000abc.html")), "someone else's");

    auto named = core::temp_file_path_init_in_folder(root.path(), "command", "txt", true);
    EXPECT_EQ(named.path(), root.file("command.txt"));
}

TEST_F(TempNames, TheTemporaryFolderIsPrivateAndASymlinkIsRefused)
{
    auto folder = core::standard_folder_path(0);
    EXPECT_EQ(folder, root.file("tmp/talverin-" + std::to_string(::geteuid())));
    struct stat info {};
    ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    auto environment = core::current_program_environment();
    environment.temp_root = root.file("other");
    ::mkdir(environment.temp_root.c_str(), 0700);
    ::mkdir(root.file("elsewhere").c_str(), 0700);
    auto planted = environment.temp_root + "/talverin-" + std::to_string(::geteuid());
    ASSERT_EQ(::symlink(root.file("elsewhere").c_str(), planted.c_str()), 0);
    core::install_program_environment(environment);
    auto chosen = core::standard_folder_path(0);
    EXPECT_NE(chosen, planted);
    EXPECT_EQ(chosen.rfind(environment.temp_root + "/talverin-", 0), 0u);
    ASSERT_EQ(::lstat(chosen.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));

    auto in_temp = core::temp_file_path_init(0, "", "gz", true);
    EXPECT_EQ(core::file_path(in_temp.path()).parent_folder(), chosen);
}

TEST_F(TempNames, OlderNamesMakeTheirFileOnlyForTmp)
{
    {
        auto kept = core::temp_file_name_init(root.path(), "", "TMP", true);
        EXPECT_TRUE(present(kept.path()));
        EXPECT_EQ(core::file_path(kept.path()).file_name().rfind("tfc", 0), 0u);
        auto prefixed = core::temp_file_name_init(root.path(), "", "", true, "qbw");
        EXPECT_TRUE(present(prefixed.path()));
        EXPECT_EQ(core::file_path(prefixed.path()).file_name().rfind("qbw", 0), 0u);
        auto other = core::temp_file_name_init(root.path(), "", ".html", true);
        EXPECT_FALSE(present(other.path()));
        EXPECT_EQ(core::file_path(other.path()).extension(), "html");
        auto named = core::temp_file_name_init(root.path(), "page", ".html", false);
        EXPECT_EQ(named.path(), root.file("page.html"));
        auto bare = core::temp_file_name_init(root.path(), "page", "", false);
        EXPECT_EQ(bare.path(), root.file("page"));
        auto in_temp = core::temp_file_name_init("", "", "", true);
        EXPECT_EQ(core::file_path(in_temp.c_str()).parent_folder(), core::standard_folder_path(0));

        auto folder = core::temp_folder_name_init(root.path(), "", true);
        EXPECT_TRUE(core::file_path(folder.path()).is_directory());
        EXPECT_EQ(core::file_path(folder.path()).extension(), "");
        write_file(folder.path() + "/inside", "kept");
        auto emptied = core::temp_folder_name_init(root.path(), "empty", true);
        EXPECT_TRUE(present(root.file("empty")));
        auto at = core::temp_folder_name_init_at(1, "work", true);
        EXPECT_EQ(at.path(), root.file("data/work"));
        EXPECT_TRUE(present(at.path()));

        ::setenv("KEEP_PATH", folder.c_str(), 1);
        ::setenv("KEPT_PATH", kept.c_str(), 1);
    }
    EXPECT_FALSE(present(std::getenv("KEPT_PATH")));
    EXPECT_TRUE(present(std::getenv("KEEP_PATH")));
    EXPECT_FALSE(present(root.file("empty")));
    EXPECT_FALSE(present(root.file("data/work")));
}

TEST_F(Files, PathPartsSplitAndRebuild)
{
    core::path_parts parts("C:\\m\\news.htm");
    EXPECT_STREQ(parts.folder(), "C:\\m\\");
    EXPECT_STREQ(parts.name(true), "news.htm");
    EXPECT_STREQ(parts.name(false), "news");
    EXPECT_STREQ(parts.extension(), ".htm");
    parts.set_folder("/home/u");
    EXPECT_STREQ(parts.full(), "/home/u/news.htm");
    parts.set_extension(".txt");
    EXPECT_STREQ(parts.full(), "/home/u/news.txt");
    parts.set_name("report", false);
    EXPECT_STREQ(parts.full(), "/home/u/report.txt");
    parts.set_name("job.tar", true);
    EXPECT_STREQ(parts.full(), "/home/u/job.tar");
    EXPECT_STREQ(parts.extension(), ".tar");

    core::path_parts bare("readme");
    EXPECT_EQ(bare.folder(), nullptr);
    EXPECT_EQ(bare.extension(), nullptr);

    core::path_parts file(root.file("touched"));
    EXPECT_FALSE(file.exists());
    EXPECT_TRUE(file.touch());
    EXPECT_TRUE(file.exists());
    EXPECT_STREQ(core::path_parts::in_folder(1, "").full(), root.file("bin/talverin").c_str());
    EXPECT_STREQ(core::path_parts::in_folder(0, "x.txt").full(),
        (core::standard_folder_path(0) + "/x.txt").c_str());
}

TEST_F(Files, NamedProgramFilesPreferTheDataFolderThenTheResources)
{
    EXPECT_EQ(core::standard_folder_file_path(1, "loose.dtd"), root.file("data/loose.dtd"));
    write_file(root.file("share/talverin/loose.dtd"), "r");
    EXPECT_EQ(core::standard_folder_file_path(1, "loose.dtd"), root.file("share/talverin/loose.dtd"));
    write_file(root.file("data/loose.dtd"), "d");
    EXPECT_EQ(core::standard_folder_file_path(1, "loose.dtd"), root.file("data/loose.dtd"));
    EXPECT_EQ(core::program_path(false), root.file("bin"));
}

TEST_F(Files, LogTextsAppendToTheLogStreamFileAndTempStreamsGoWhenAsked)
{
    core::dump_to_temp_file("first\n");
    core::dump_to_temp_file("second\n");
    EXPECT_EQ(read_file(root.file("data/talverin-stream.log")), "first\nsecond\n");
    {
        hevtools::temp_stream<> stream(root.path(), 1, true, std::ios::binary);
        stream.stream() << "settings";
        stream.stream().flush();
        EXPECT_EQ(read_file(root.file("talverin.config")), "settings");
    }
    EXPECT_FALSE(present(root.file("talverin.config")));
}

TEST_F(Files, SameFileBytesComparesWholeRegularFiles)
{
    const std::string big(300 * 1024, 'x');
    std::string big_changed_last = big;
    big_changed_last.back() = 'y';
    struct row {
        const char* label;
        std::string first;
        std::string second;
        bool same;
    };
    const row rows[] = {
        {"equal short files", "picture", "picture", true},
        {"equal empty files", "", "", true},
        {"one byte differs", "picture", "pictura", false},
        {"lengths differ", "picture", "picture!", false},
        {"equal files beyond one read", big, big, true},
        {"the last byte of a long file differs", big, big_changed_last, false},
    };
    for (const auto& r : rows) {
        write_file(root.file("a"), r.first);
        write_file(root.file("b"), r.second);
        EXPECT_EQ(core::same_file_bytes(root.file("a"), root.file("b")), r.same) << r.label;
    }
    write_file(root.file("a"), "picture");
    EXPECT_TRUE(core::same_file_bytes(root.file("a"), root.file("a"))) << "one file";
    EXPECT_FALSE(core::same_file_bytes(root.file("a"), root.file("missing"))) << "a missing file";
    EXPECT_FALSE(core::same_file_bytes(root.file("tmp"), root.file("tmp"))) << "a folder";
    EXPECT_TRUE(core::on_same_file_system(root.file("a"), root.file("tmp")));
    EXPECT_FALSE(core::on_same_file_system(root.file("a"), root.file("missing")));
}
