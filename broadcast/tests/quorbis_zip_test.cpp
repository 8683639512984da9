#include "broadcast/job/broadcast_ref.h"
#include "broadcast/package/package_error.h"
#include "broadcast/package/quorbis_zip.h"
#include "core/files/file_path.h"
#include "core/tools/console_tool.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/scripted_runner.h"
#include "program_folders.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <sys/stat.h>

using broadcast::broadcast_ref;
using broadcast::package_error;
using broadcast::quorbis_broadcast;
using broadcast::quorbis_zip;

namespace {

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Runs a real program to its end; its output.
std::string run(const std::string& name, const std::vector<std::string>& arguments, const std::string& folder = {})
{
    auto program = platform::process::find_program(name);
    if (!program)
        return "(" + name + " missing)";
    platform::process::system_runner runner;
    auto result = runner.run(*program, arguments, folder);
    EXPECT_EQ(result.exit_code, 0) << name << ": " << result.output << result.error;
    return result.output;
}


}

class QuorbisZip : public BroadcastFolders {
protected:
    void TearDown() override
    {
        core::set_console_tool_runner(nullptr);
        if (saved_path_)
            ::setenv("PATH", saved_path_->c_str(), 1);
        BroadcastFolders::TearDown();
    }

    // A job whose files lie in the test folder, with the given attachment names.
    broadcast_ref make_job(const std::vector<std::string>& attachments)
    {
        auto job = broadcast_ref::make(std::make_unique<quorbis_broadcast>());
        platform::testing::write_file(job->body_file_name(0, true), "<html><body>Hello</body></html>");
        platform::testing::write_file(job->body_file_name(2, true), "Hello");
        job->bodies = {{0, job->body_file_name(0, true)}, {2, job->body_file_name(2, true)}};
        for (const auto& name : attachments) {
            auto path = root.file("files/" + name);
            platform::testing::write_file(path, "content of " + name);
            job->add_push_file(path);
        }
        return job;
    }

    void empty_path()
    {
        saved_path_ = std::getenv("PATH");
        ::setenv("PATH", root.file("bin").c_str(), 1);
    }

    broadcast::command_file_inputs inputs {{}, broadcast::service_account {"ann", "pw"}, "1.0.0.0", false};
    broadcast::system_time_zone zone;

private:
    std::optional<std::string> saved_path_;
};

TEST_F(QuorbisZip, TheArchiveUnpacksToThePackageByteForByte)
{
    std::vector<std::string> names {"a b.pdf", "M\xC3\xBCller \"quoted\".txt", "-C", "--remove-files", "*.doc"};
    auto job = make_job(names);
    quorbis_zip package(true, true);
    package.write_command_file(job, inputs, zone);
    auto compressed = package.build_archive();
    EXPECT_EQ(compressed, package.compressed_file());
    EXPECT_EQ(compressed.substr(compressed.size() - 7), ".tar.gz");

    auto entries = lines_of(run("unzip", {"-Z1", compressed}));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].rfind("tfc", 0), 0u);
    EXPECT_EQ(entries[0].substr(entries[0].size() - 4), ".tar");

    auto out = root.file("out");
    std::filesystem::create_directories(out);
    run("unzip", {"-q", compressed, "-d", out});
    auto tar = core::path_combine(out, entries[0]);
    std::vector<std::string> expected {"command.txt", "body.htm", "body.txt"};
    expected.insert(expected.end(), names.begin(), names.end());
    EXPECT_EQ(lines_of(run("tar", {"-tf", tar})), expected);
    std::filesystem::create_directories(out + "/x");
    run("tar", {"-xf", tar, "-C", out + "/x"});
    for (const auto& name : expected) {
        auto packed = core::path_combine(package.package_folder(), name);
        ASSERT_TRUE(present(packed)) << name;
        EXPECT_EQ(platform::testing::read_file(out + "/x/" + name), platform::testing::read_file(packed)) << name;
    }
    EXPECT_EQ(platform::testing::read_file(out + "/x/-C"), "content of -C");
    EXPECT_EQ(platform::testing::read_file(core::standard_folder_file_path(0, "last.tar.gz")), platform::testing::read_file(compressed));
    auto command = platform::testing::read_file(out + "/x/command.txt");
    EXPECT_NE(command.find("\nattachment --remove-files\n"), std::string::npos) << command;
}

TEST_F(QuorbisZip, EndingRemovesPackageFolderAndArchivesButNotTheLastCopy)
{
    std::string folder, compressed;
    {
        auto job = make_job({"a.pdf"});
        quorbis_zip package(false, true);
        package.write_command_file(job, inputs, zone);
        folder = package.package_folder();
        compressed = package.build_archive();
        EXPECT_TRUE(present(compressed));
    }
    EXPECT_FALSE(present(folder));
    EXPECT_FALSE(present(compressed));
    EXPECT_TRUE(present(core::standard_folder_file_path(0, "last.tar.gz")));
}

TEST_F(QuorbisZip, AnOldArchiveAtTheTargetIsReplacedNotUpdated)
{
    auto job = make_job({"a.pdf"});
    quorbis_zip package(true, true);
    package.write_command_file(job, inputs, zone);
    platform::testing::write_file(root.file("old.txt"), "old");
    run("zip", {"-q", package.compressed_file(), "old.txt"}, root.path());
    package.build_archive();
    EXPECT_EQ(lines_of(run("unzip", {"-Z1", package.compressed_file()})).size(), 1u);

    // An empty file at the target (zip refuses those) goes too.
    quorbis_zip second(true, true);
    second.write_command_file(job, inputs, zone);
    platform::testing::write_file(second.compressed_file(), "");
    second.build_archive();
    EXPECT_EQ(lines_of(run("unzip", {"-Z1", second.compressed_file()})).size(), 1u);
}

TEST_F(QuorbisZip, ToolsRunWithMembersAfterDashDashInTheirFolders)
{
    platform::testing::scripted_runner runner;
    core::set_console_tool_runner(&runner);
    auto job = make_job({"-x.pdf"});
    quorbis_zip package(true, true);
    package.write_command_file(job, inputs, zone);
    EXPECT_THROW(package.build_archive(), package_error); // the scripted zip writes nothing
    ASSERT_EQ(runner.calls().size(), 2u);
    core::file_path compressed(package.compressed_file());
    EXPECT_EQ(runner.calls()[0].arguments,
        (std::vector<std::string> {"-cf", runner.calls()[0].arguments[1], "--", "command.txt", "body.htm", "body.txt",
            "-x.pdf"}));
    EXPECT_EQ(runner.calls()[0].folder, package.package_folder());
    EXPECT_EQ(core::file_path(runner.calls()[0].arguments[1]).extension(), "tar");
    EXPECT_EQ(runner.calls()[1].arguments,
        (std::vector<std::string> {compressed.file_name(), core::file_path(runner.calls()[0].arguments[1]).file_name()}));
    EXPECT_EQ(runner.calls()[1].folder, compressed.parent_folder());
}

TEST_F(QuorbisZip, FailedToolsFailThePackageAndKeepTheLastArchive)
{
    auto last = core::standard_folder_file_path(0, "last.tar.gz");
    platform::testing::write_file(last, "earlier broadcast");
    auto failed = [](int code, std::string output) {
        platform::process::run_result result;
        result.started = true;
        result.exit_code = code;
        result.output = std::move(output);
        return result;
    };
    struct row {
        const char* name;
        std::vector<platform::process::run_result> answers;
        const char* message;
    } rows[] = {
        {"tar exit 2", {failed(2, "tar: a.pdf: Cannot stat\n")}, "exit code 2): tar: a.pdf: Cannot stat"},
        {"zip exit 12", {failed(0, ""), failed(12, "zip error: Nothing to do!\n")}, "compress the broadcast archive"},
        {"zip leaves nothing", {failed(0, ""), failed(0, "")}, "missing or empty"},
        {"tar killed", {failed(128 + 9, "")}, "exit code 137"},
        {"tar not started", {platform::process::run_result {false, -1, 0, "", "no such program"}}, "no such program"},
    };
    for (const auto& r : rows) {
        platform::testing::scripted_runner runner;
        for (const auto& answer : r.answers)
            runner.answer(answer);
        core::set_console_tool_runner(&runner);
        auto job = make_job({"a.pdf"});
        quorbis_zip package(true, true);
        package.write_command_file(job, inputs, zone);
        try {
            package.build_archive();
            ADD_FAILURE() << r.name << " passed";
        } catch (const package_error& error) {
            EXPECT_NE(std::string(error.what()).find(r.message), std::string::npos) << r.name << ": " << error.what();
        }
        EXPECT_EQ(platform::testing::read_file(last), "earlier broadcast") << r.name;
    }
}

TEST_F(QuorbisZip, TarMissingFromPathFailsThePackage)
{
    auto job = make_job({"a.pdf"});
    quorbis_zip package(true, true);
    package.write_command_file(job, inputs, zone);
    empty_path();
    try {
        package.build_archive();
        ADD_FAILURE() << "built without tar";
    } catch (const package_error& error) {
        EXPECT_NE(std::string(error.what()).find("tar was not found"), std::string::npos) << error.what();
    }
}

TEST_F(QuorbisZip, AFileGoneBeforeTarFailsThePackage)
{
    auto job = make_job({"a.pdf"});
    quorbis_zip package(true, true);
    package.write_command_file(job, inputs, zone);
    ASSERT_TRUE(core::file_path(core::path_combine(package.package_folder(), "a.pdf")).remove());
    EXPECT_THROW(package.build_archive(), package_error);
    EXPECT_FALSE(present(core::standard_folder_file_path(0, "last.tar.gz")));
}

TEST_F(QuorbisZip, AMissingAttachmentFailsTheCommandFileNamingIt)
{
    auto job = make_job({});
    job->add_push_file(root.file("files/gone.pdf"));
    quorbis_zip package(true, true);
    try {
        package.write_command_file(job, inputs, zone);
        ADD_FAILURE() << "a missing attachment was accepted";
    } catch (const package_error& error) {
        EXPECT_NE(std::string(error.what()).find("gone.pdf"), std::string::npos) << error.what();
    }
}

TEST_F(QuorbisZip, AJobWithoutBodiesHasNothingToArchive)
{
    auto job = broadcast_ref::make(std::make_unique<quorbis_broadcast>());
    quorbis_zip package(true, true);
    package.write_command_file(job, inputs, zone);
    EXPECT_FALSE(present(core::path_combine(package.package_folder(), "command.txt")));
    EXPECT_TRUE(package.files_to_archive().empty());
    EXPECT_THROW(package.build_archive(), package_error);
}

TEST_F(QuorbisZip, AdoptedFormFilesReachThePackageIntact)
{
    auto companion = root.file("data/html_form_push_files");
    platform::testing::write_file(companion + "/Message_Files/Message_Body.htm", "greetings page");
    platform::testing::write_file(companion + "/Push_Files/body.htm", "greetings attachment");
    platform::testing::write_file(companion + "/Pull_Files/command.txt", "greetings pull file");
    auto job = make_job({});
    job->is_form_ = true;
    job->send_form_as_attachment_ = true;
    auto form_copy = job->temp_folder() + "/Form/body.htm";
    platform::testing::write_file(form_copy, "the form");
    job->add_push_file(form_copy);
    job->adopt_form_folders(root.file("data/html_form_push.greetings"));

    quorbis_zip package(true, true);
    package.write_command_file(job, inputs, zone);
    std::map<std::string, std::string> expected {{"body.htm", "greetings page"}, {"body.txt", "Hello"},
        {"body0001.htm", "the form"}, {"body0002.htm", "greetings attachment"},
        {"command0003.txt", "greetings pull file"}};
    ASSERT_EQ(package.files_to_archive().size(), expected.size());
    for (const auto& name : package.files_to_archive())
        EXPECT_EQ(platform::testing::read_file(core::path_combine(package.package_folder(), name)), expected[name]) << name;
    auto command = platform::testing::read_file(core::path_combine(package.package_folder(), "command.txt"));
    EXPECT_NE(command.find("\npull command0003.txt autopull no \n"), std::string::npos) << command;
}
