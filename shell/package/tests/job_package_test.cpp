#include "shell/package/tests/package_fixture.h"

#include "platform/process/process.h"
#include "shell/package/job_package_error.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

using platform::testing::read_file;
using platform::testing::write_file;
using shell::testing::package_fixture;
using shell::testing::snapshot;

namespace {

// The standard output of a shell script given the arguments as $1, $2 ...
std::string script_output(const std::string& script, const std::vector<std::string>& arguments)
{
    std::vector<std::string> all {"-c", script, "sh"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    platform::process::system_runner runner;
    auto result = runner.run("/bin/sh", all, {});
    EXPECT_EQ(result.exit_code, 0) << script << "\n" << result.output;
    return result.output;
}

std::vector<std::string> sorted_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The members of the tar inside a package, sorted.
std::vector<std::string> package_members(const std::string& package)
{
    return sorted_lines(script_output("unzip -p \"$1\" | tar -tf -", {package}));
}

bool has_work_folder(const std::string& folder)
{
    for (const auto& item : std::filesystem::directory_iterator(folder)) {
        if (item.path().filename().string().rfind(".talverin-", 0) == 0)
            return true;
    }
    return false;
}

}

TEST(JobPackage, ExportsOneTarOfTheMessageUnderThePackagesNameAndImportsItBack)
{
    for (std::string name : {"news", "a b", "it's \"quoted\"", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC", "-lead", "a[1]*?"}) {
        package_fixture f;
        auto request = f.message("news", f.docs + "/" + name + ".gz");
        auto package = shell::export_job_package(request);
        EXPECT_EQ(package, f.docs + "/" + name + ".gz");
        EXPECT_EQ(script_output("unzip -Z1 \"$1\"", {package}), name + ".tar\n");
        auto top = name + "_files/";
        std::vector<std::string> expected {top, top + "Message_Files/", top + "Message_Files/Message_Body.htm",
                top + "Pull_Files/", top + "Pull_Files/logo.gif", top + "Push_Files/", top + "Push_Files/empty/",
                top + "Push_Files/read me.txt", top + name + ".dndtf", top + name + ".objects"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(package_members(package), expected) << name;
        EXPECT_FALSE(has_work_folder(f.docs)) << name;

        auto anchor = f.importer.import_job_package(package, f.dest);
        ASSERT_EQ(anchor, f.dest + "/" + name + ".htm") << name;
        EXPECT_EQ(read_file(anchor), "to be deleted");
        EXPECT_EQ(snapshot(f.dest + "/" + name + "_files"), snapshot(request.companion_folder)) << name;
        EXPECT_EQ(read_file(f.dictionary_file(f.dest + "/" + name, ".dndtf")), "parts of news");
        EXPECT_EQ(read_file(f.dictionary_file(f.dest + "/" + name, ".objects")), read_file(request.manifest_file));
        EXPECT_TRUE(f.prompt.shown.empty()) << name;
        EXPECT_FALSE(has_work_folder(f.dest)) << name;
    }
}

TEST(JobPackage, ReExportingReplacesThePackageWholeAndLeavesAUsersTarAlone)
{
    package_fixture f;
    write_file(f.docs + "/news.tar", "the user's own archive");
    write_file(f.docs + "/news.gz", "an older file of that name");
    auto request = f.message("news", f.docs + "/news.zip");
    auto package = shell::export_job_package(request);
    EXPECT_EQ(package, f.docs + "/news.gz");
    write_file(request.companion_folder + "/Pull_Files/second.gif", "GIF89a");
    shell::export_job_package(request);
    EXPECT_EQ(script_output("unzip -Z1 \"$1\"", {package}), "news.tar\n");
    auto members = package_members(package);
    EXPECT_NE(std::find(members.begin(), members.end(), "news_files/Pull_Files/second.gif"), members.end());
    EXPECT_EQ(read_file(f.docs + "/news.tar"), "the user's own archive");
}

TEST(JobPackage, AFailedExportLeavesThePackageAndTheMessageAsTheyWere)
{
    package_fixture f;
    auto request = f.message("news", f.docs + "/news.gz");
    write_file(request.package, "kept");
    auto before = snapshot(f.root.path());

    auto missing = request;
    missing.manifest_file += ".gone";
    try {
        shell::export_job_package(missing);
        ADD_FAILURE() << "exported without a manifest";
    } catch (const shell::job_package_error& error) {
        EXPECT_STREQ(error.what(), "Some of the objects files don't exist");
    }
    // A FIFO in the message's folder cannot be packed.
    ASSERT_EQ(::mkfifo((request.companion_folder + "/Push_Files/pipe").c_str(), 0600), 0);
    EXPECT_THROW(shell::export_job_package(request), shell::job_package_error);
    ::unlink((request.companion_folder + "/Push_Files/pipe").c_str());
    EXPECT_EQ(snapshot(f.root.path()), before);
}

TEST(JobPackage, ImportsAPackageRenamedBeforeExportButNotOneRenamedAfter)
{
    package_fixture f;
    auto request = f.message("news", f.docs + "/backup.gz");
    auto backup = shell::export_job_package(request);
    EXPECT_EQ(f.importer.import_job_package(backup, f.dest), f.dest + "/backup.htm");
    EXPECT_TRUE(std::filesystem::is_directory(f.dest + "/backup_files/Pull_Files"));

    package_fixture g;
    auto news = shell::export_job_package(g.message("news", g.docs + "/news.gz"));
    std::filesystem::copy_file(news, g.docs + "/x.gz");
    auto before = snapshot(g.root.path());
    EXPECT_EQ(g.importer.import_job_package(g.docs + "/x.gz", g.dest), "");
    ASSERT_EQ(g.prompt.shown.size(), 1u);
    EXPECT_EQ(g.prompt.shown[0].rfind("Unexpected error occured during importing\n\n", 0), 0u) << g.prompt.shown[0];
    EXPECT_NE(g.prompt.shown[0].find("x.tar"), std::string::npos);
    EXPECT_EQ(snapshot(g.root.path()), before);
}

TEST(JobPackage, ABareTarImportsWithoutUnzip)
{
    package_fixture f;
    auto request = f.message("news", f.docs + "/news.gz");
    shell::export_job_package(request);
    script_output("cd \"$1\" && unzip -qq news.gz && chmod 0444 news.tar news.gz", {f.docs});
    auto before = snapshot(f.docs);
    EXPECT_EQ(f.importer.import_job_package(f.docs + "/news.tar", f.dest), f.dest + "/news.htm");
    EXPECT_EQ(snapshot(f.dest + "/news_files"), snapshot(request.companion_folder));
    EXPECT_EQ(snapshot(f.docs), before);
}

TEST(JobPackage, ImportOntoADocumentAsksAndReplacesWholeOrNotAtAll)
{
    package_fixture f;
    auto package = shell::export_job_package(f.message("news", f.docs + "/news.gz"));
    write_file(f.dest + "/news_files/Pull_Files/stale.gif", "old");
    write_file(f.dest + "/news.htm", "old page");
    write_file(f.dictionary_file(f.dest + "/news", ".dndtf"), "old parts");
    auto before = snapshot(f.root.path());

    std::vector<std::string> asked;
    f.importer.confirm_replace = [&](const std::string& base) {
        asked.push_back(base);
        return false;
    };
    EXPECT_EQ(f.importer.import_job_package(package, f.dest), "");
    EXPECT_EQ(asked, std::vector<std::string> {f.dest + "/news"});
    EXPECT_TRUE(f.prompt.shown.empty());
    EXPECT_EQ(snapshot(f.root.path()), before);

    f.importer.confirm_replace = [](const std::string&) { return true; };
    EXPECT_EQ(f.importer.import_job_package(package, f.dest), f.dest + "/news.htm");
    EXPECT_FALSE(std::filesystem::exists(f.dest + "/news_files/Pull_Files/stale.gif"));
    EXPECT_TRUE(std::filesystem::exists(f.dest + "/news_files/Pull_Files/logo.gif"));
    EXPECT_EQ(read_file(f.dictionary_file(f.dest + "/news", ".dndtf")), "parts of news");
    EXPECT_FALSE(has_work_folder(f.dest));
}

TEST(JobPackage, EachExampleTemplateImportsFromAReadOnlyCopy)
{
    for (std::string name : {"templ1", "templ2", "templ3"}) {
        package_fixture f;
        const auto copy = f.home + "/read-only";
        std::filesystem::create_directories(copy);
        std::filesystem::copy_file(platform::testing::share_folder() + "/talverin/templates/" + name + ".gz",
            copy + "/" + name + ".gz");
        ::chmod((copy + "/" + name + ".gz").c_str(), 0444);
        ::chmod(copy.c_str(), 0555);
        auto before = snapshot(copy);
        auto anchor = f.importer.import_job_package(copy + "/" + name + ".gz", f.dest);
        ::chmod(copy.c_str(), 0755);
        EXPECT_EQ(anchor, f.dest + "/" + name + ".htm") << (f.prompt.shown.empty() ? "" : f.prompt.shown[0]);
        EXPECT_EQ(snapshot(copy), before);
        auto body = read_file(f.dest + "/" + name + "_files/Message_Files/Message_Body.htm");
        EXPECT_NE(body.find("<title>Example Template"), std::string::npos) << name;
        EXPECT_NE(read_file(f.dictionary_file(f.dest + "/" + name, ".dndtf")).find(body), std::string::npos) << name;
    }
}
