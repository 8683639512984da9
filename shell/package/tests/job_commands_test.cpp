#include "shell/package/job_commands.h"

#include "core/files/file_text.h"
#include "platform/testing/file_contents.h"
#include "shell/documents/document_layout.h"
#include "shell/documents/tests/doc_manager_fixture.h"
#include "shell/package/tests/package_fixture.h"

#include <gtest/gtest.h>

using platform::prompts::IDNO;
using platform::prompts::IDOK;
using platform::prompts::IDYES;
using platform::prompts::MB_ICONEXCLAMATION;
using platform::prompts::MB_ICONINFORMATION;
using platform::prompts::MB_ICONSTOP;
using platform::prompts::MB_OK;
using platform::prompts::MB_YESNO;
using platform::testing::read_file;
using platform::testing::write_file;

namespace {

struct command_fixture : shell::testing::doc_manager_fixture {
    std::string base = folder() + "/docs/news";
    std::vector<int> flags_while_saving;

    std::string notice() { return test.services.strings.text(shell::IDS_EXPORT_NOTICE); }

    // The document's save: writes every part while the flag asks for it.
    bool save_message()
    {
        flags_while_saving.push_back(manager().write_every_part());
        for (int kind = 0; kind < 3; ++kind)
            write_file(shell::message_files_folder(base) + "/" + std::string(shell::message_part_name(kind)), "part");
        write_file(base + ".htm", "page");
        auto files = shell::document_files_for(base, ".htm", manager().dictionaries_folder());
        write_file(files->body_parts, "parts");
        write_file(files->manifest, "1.0.0.0\n");
        return true;
    }

    void run_export(bool saves)
    {
        shell::export_job_command(host, manager(), [&] { return saves ? save_message() : false; },
            [&] { return base; }, ".htm");
    }
};

}

TEST(JobCommands, ExportSavesEveryPartOnceThenKeepsOnlyTheChosenOnes)
{
    command_fixture f;
    f.manager().set_save_mask(1);
    const auto package = f.folder() + "/out/news letter.gz";
    std::filesystem::create_directories(f.folder() + "/out");
    f.host.expect_message(f.notice(), MB_OK | MB_ICONINFORMATION, IDOK);
    f.host.expect_file_dialog({{}, {package}});
    f.host.expect_message("Job was exported to the file: " + package
            + ".\nWarning, once you've provided a name for the exported file, it must not be changed.\nRenaming the "
              "file prior to Import will render the file useless.",
        MB_OK | MB_ICONINFORMATION, IDOK);
    f.run_export(true);
    EXPECT_EQ(f.flags_while_saving, std::vector<int> {1});
    EXPECT_EQ(f.manager().write_every_part(), 0);
    ASSERT_EQ(f.host.file_requests.size(), 1u);
    EXPECT_EQ(f.host.file_requests[0].default_name, "news.gz");
    EXPECT_TRUE(f.host.file_requests[0].overwrite_prompt);
    EXPECT_GT(core::get_file_size(package), 0u);
    const auto parts = shell::message_files_folder(f.base);
    EXPECT_TRUE(std::filesystem::exists(parts + "/Message_Body.htm"));
    EXPECT_FALSE(std::filesystem::exists(parts + "/Message_Body-AOL.htm"));
    EXPECT_FALSE(std::filesystem::exists(parts + "/Message_Body.txt"));
}

TEST(JobCommands, ExportClearsTheWriteEveryPartFlagWhenTheSaveFailsAndStopsWithoutItsFiles)
{
    command_fixture f;
    f.host.expect_message(f.notice(), MB_OK | MB_ICONINFORMATION, IDOK);
    f.run_export(false);
    EXPECT_EQ(f.manager().write_every_part(), 0);
    EXPECT_TRUE(f.host.file_requests.empty());

    // A save that leaves no manifest behind cannot be exported.
    f.host.expect_message(f.notice(), MB_OK | MB_ICONINFORMATION, IDOK);
    f.host.expect_message("Some of the objects files don't exist", MB_OK | MB_ICONSTOP, IDOK);
    shell::export_job_command(f.host, f.manager(),
        [&] {
            f.save_message();
            std::filesystem::remove(shell::document_files_for(f.base, ".htm", f.manager().dictionaries_folder())->manifest);
            return true;
        },
        [&] { return f.base; }, ".htm");
    EXPECT_EQ(f.manager().write_every_part(), 0);
    EXPECT_TRUE(f.host.file_requests.empty());
}

TEST(JobCommands, ImportAsksBeforeReplacingADocumentAndNoKeepsItByteForByte)
{
    shell::testing::package_fixture p;
    auto package = shell::export_job_package(p.message("news", p.docs + "/news.gz"));
    command_fixture f;
    shell::job_package_importer importer(f.host, f.test.services.strings, p.dictionaries, ".htm");
    write_file(p.dest + "/news_files/Pull_Files/old.gif", "old");
    auto before = shell::testing::snapshot(p.root.path());
    const auto question = p.dest + "/news.htm already exists.\nDo you want to replace it?";

    f.host.expect_file_dialog({{}, {package}});
    f.host.expect_browse_folder(p.dest);
    f.host.expect_message(question, MB_YESNO | MB_ICONEXCLAMATION, IDNO);
    EXPECT_EQ(shell::import_job_command(f.host, importer, ".htm"), "");
    EXPECT_EQ(shell::testing::snapshot(p.root.path()), before);

    f.host.expect_file_dialog({{}, {package}});
    f.host.expect_browse_folder(p.dest);
    f.host.expect_message(question, MB_YESNO | MB_ICONEXCLAMATION, IDYES);
    EXPECT_EQ(shell::import_job_command(f.host, importer, ".htm"), p.dest + "/news.htm");
    EXPECT_FALSE(std::filesystem::exists(p.dest + "/news_files/Pull_Files/old.gif"));
    EXPECT_EQ(read_file(p.dest + "/news_files/Pull_Files/logo.gif"), std::string("GIF89a\0\1\2", 9));

    // Cancelling either question imports nothing.
    f.host.expect_file_dialog({{}, {}});
    EXPECT_EQ(shell::import_job_command(f.host, importer, ".htm"), "");
    f.host.expect_file_dialog({{}, {package}});
    f.host.expect_browse_folder(std::nullopt);
    EXPECT_EQ(shell::import_job_command(f.host, importer, ".htm"), "");
}
