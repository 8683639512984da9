#include "shell/package/tests/package_fixture.h"
#include "shell/package/tests/ustar_writer.h"

#include "platform/process/process.h"

#include <gtest/gtest.h>
#include <random>

using platform::testing::write_file;
using shell::testing::package_fixture;
using shell::testing::pax_record;
using shell::testing::snapshot;
using shell::testing::ustar_archive;
using shell::testing::ustar_member;

namespace {

void run_script(const std::string& script, const std::string& folder)
{
    platform::process::system_runner runner;
    auto result = runner.run("/bin/sh", {"-c", script}, folder);
    ASSERT_EQ(result.exit_code, 0) << script << "\n" << result.output;
}

ustar_member file(const std::string& name, const std::string& content = "x")
{
    return {name, '0', content, "", 0644};
}

const std::vector<ustar_member> message_files {
    {"news_files/", '5', "", "", 0755}, file("news_files/news.dndtf", "parts"), file("news_files/news.objects", "1.0")};

std::vector<ustar_member> with(std::vector<ustar_member> extra)
{
    auto members = message_files;
    members.insert(members.end(), extra.begin(), extra.end());
    return members;
}

struct hostile_row {
    const char* what;
    std::vector<ustar_member> members;
    // Run in the packages folder after news.tar is written there; empty: news.tar is the package.
    std::string zip_script;
    shell::job_import_limits limits {};
};

}

TEST(HostilePackage, IsRefusedLeavingDestinationPackageFolderAndHomeUnchanged)
{
    const std::string zipped = "zip -q -j news.gz news.tar && rm news.tar";
    const std::string long_climb = "news_files/" + std::string(120, 'd') + "/../../../x";
    shell::job_import_limits small;
    small.archive.bytes = 1000;
    shell::job_import_limits capped;
    capped.file_size_cap = 64 * 1024;
    const hostile_row rows[] = {
        {"parent", with({file("../x")}), zipped},
        {"absolute", with({file("/abs")}), zipped},
        {"climbs out", with({file("news_files/../../x")}), ""},
        {"outside the folder", with({file("other/x")}), ""},
        {"symlink then through it", with({{"news_files/l", '2', "", "../..", 0777}, file("news_files/l/x")}), ""},
        {"hard link", with({{"news_files/h", '1', "", "../../docs/keep.txt", 0644}}), ""},
        {"fifo", with({{"news_files/f", '6', "", "", 0644}}), ""},
        {"pax path", with({{"pax", 'x', pax_record("path", "../x"), "", 0644}, file("news_files/ok")}), ""},
        {"long name with ..", with({{"././@LongLink", 'L', long_climb + std::string(1, '\0'), "", 0644},
                                 file("news_files/short")}),
            ""},
        {"no body-parts file", {file("news_files/news.objects")}, zipped},
        {"a member over the limit", with({file("news_files/big", std::string(2000, 'b'))}), zipped, small},
        {"bomb past the cap", with({file("news_files/zeros", std::string(1 << 20, '\0'))}), zipped, capped},
        {"zip with two entries", message_files, "cp news.tar other.tar && zip -q -j news.gz news.tar other.tar && rm news.tar other.tar"},
        {"zip entry under another name", message_files, "mv news.tar x.tar && zip -q -j news.gz x.tar && rm x.tar"},
        {"zip entry in a folder", message_files, "mkdir d && mv news.tar d/ && zip -q news.gz d/news.tar && rm -r d"},
        {"zip entry a symlink", message_files,
            "mv news.tar ../real.tar && ln -s ../real.tar news.tar && zip -q -y news.gz news.tar && rm news.tar"},
        {"not a zip", message_files, "mv news.tar news.gz"},
        {"not a tar", {}, "printf 'garbage' > news.tar"},
    };
    for (const auto& row : rows) {
        package_fixture f;
        const auto packages = f.home + "/packages";
        write_file(f.home + "/docs/keep.txt", "kept");
        write_file(packages + "/news.tar", ustar_archive(row.members));
        if (!row.zip_script.empty())
            run_script(row.zip_script, packages);
        const auto package = packages + (std::filesystem::exists(packages + "/news.gz") ? "/news.gz" : "/news.tar");
        auto before = snapshot(f.root.path());

        shell::job_package_importer importer(f.prompt, f.strings, f.dictionaries, ".htm", row.limits);
        EXPECT_EQ(importer.import_job_package(package, f.dest), "") << row.what;
        ASSERT_EQ(f.prompt.shown.size(), 1u) << row.what;
        EXPECT_EQ(f.prompt.shown[0].rfind("Unexpected error occured during importing", 0), 0u) << row.what;
        EXPECT_EQ(snapshot(f.root.path()), before) << row.what << ": " << f.prompt.shown[0];
    }
}

TEST(HostilePackage, GeneratedArchivesYieldOnlyFilesAndFoldersInsideTheMessageFolder)
{
    const std::vector<std::string> names {"news_files/a", "news_files/d/", "news_files/d/b", "news_files/../x", "../x",
        "/abs", "news_files", "x", "news_files/./c", "news_files//e", "news_files/d/..", "news_files/\xC3\xA9 \"q\"\n",
        "news_files/news.dndtf", "news_files/news.objects", "news_files/-f"};
    const std::string types = "00000555126x";
    std::mt19937 random(20261211);
    int accepted = 0;
    for (int round = 0; round < 500; ++round) {
        package_fixture f;
        const auto packages = f.home + "/packages";
        std::vector<ustar_member> members;
        if (random() % 2)
            members = message_files;
        auto count = random() % 6;
        for (unsigned i = 0; i < count; ++i) {
            ustar_member member;
            member.name = names[random() % names.size()];
            member.type = types[random() % types.size()];
            member.mode = random() % 2 ? 0755 : 0;
            if (member.type == '0')
                member.content = std::string(random() % 700, 'c');
            if (member.type == '1' || member.type == '2')
                member.link = names[random() % names.size()];
            if (member.type == 'x')
                member.content = pax_record("path", names[random() % names.size()]);
            members.insert(members.begin() + random() % (members.size() + 1), member);
        }
        write_file(packages + "/news.tar", ustar_archive(members));
        auto before = snapshot(f.root.path());

        auto anchor = f.importer.import_job_package(packages + "/news.tar", f.dest);
        auto after = snapshot(f.root.path());
        if (anchor.empty()) {
            EXPECT_EQ(after, before) << "round " << round;
            continue;
        }
        ++accepted;
        EXPECT_EQ(anchor, f.dest + "/news.htm");
        for (const auto& [path, what] : after) {
            if (before.count(path))
                continue;
            bool placed = path == "home/dest/news.htm" || path == "home/dest/news_files"
                || path.rfind("home/dest/news_files/", 0) == 0 || path.rfind("data/dictionaries/", 0) == 0;
            EXPECT_TRUE(placed) << "round " << round << ": " << path;
            EXPECT_TRUE(what == "folder" || what.rfind("file ", 0) == 0) << "round " << round << ": " << path;
        }
    }
    EXPECT_GT(accepted, 10);
}
