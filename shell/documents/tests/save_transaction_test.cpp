#include "shell/documents/save_transaction.h"

#include "platform/testing/file_contents.h"
#include "platform/testing/temporary_folder.h"
#include "shell/documents/testing/document_snapshot.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace shell {
namespace {

using testing::document_snapshot;
using testing::snapshot_document;
using testing::stage_document_version;
using testing::write_document_version;

struct transaction_fixture : ::testing::Test {
    platform::testing::temporary_folder root;
    document_files files {root.file("doc/my news.htm"), root.file("doc/my news_files"),
        root.file("dictionaries/flat.dndtf"), root.file("dictionaries/flat.objects")};

    transaction_fixture() { std::filesystem::create_directories(root.file("doc")); }

    document_snapshot version(const std::string& name)
    {
        platform::testing::temporary_folder other;
        document_files copy {other.file("doc/my news.htm"), other.file("doc/my news_files"),
            other.file("dictionaries/flat.dndtf"), other.file("dictionaries/flat.objects")};
        write_document_version(copy, name);
        return snapshot_document(copy);
    }
};

TEST_F(transaction_fixture, commit_replaces_every_file_and_leaves_no_staging)
{
    write_document_version(files, "1");
    platform::testing::write_file(files.companion + "/Pull_Files/stale.gif", "old only");
    {
        SaveTransaction transaction(files);
        stage_document_version(transaction, "2");
        EXPECT_EQ(transaction.commit(), "");
    }
    EXPECT_EQ(snapshot_document(files), version("2"));
}

TEST_F(transaction_fixture, first_save_of_a_new_document_installs_everything)
{
    {
        SaveTransaction transaction(files);
        stage_document_version(transaction, "1");
        EXPECT_EQ(transaction.commit(), "");
    }
    EXPECT_EQ(snapshot_document(files), version("1"));
}

TEST_F(transaction_fixture, abandoned_transaction_keeps_the_old_bytes)
{
    write_document_version(files, "1");
    auto before = snapshot_document(files);
    {
        SaveTransaction transaction(files);
        stage_document_version(transaction, "2");
    }
    EXPECT_EQ(snapshot_document(files), before);
}

// A fault at a step before the record keeps the old version; from the record on the new
// version is the document, whether the commit itself or a later recovery finishes it.
TEST_F(transaction_fixture, fault_at_each_step_gives_all_old_or_all_new)
{
    const auto old_version = version("1");
    const auto new_version = version("2");
    for (int failing = 0; failing <= static_cast<int>(save_step::remove_record); ++failing) {
        SCOPED_TRACE(failing);
        std::filesystem::remove_all(root.file("doc"));
        std::filesystem::remove_all(root.file("dictionaries"));
        write_document_version(files, "1");
        std::string result;
        {
            SaveTransaction transaction(files, [&](save_step step) { return static_cast<int>(step) != failing; });
            stage_document_version(transaction, "2");
            result = transaction.commit();
        }
        bool before_record = failing <= static_cast<int>(save_step::write_record);
        EXPECT_EQ(result.empty(), !before_record) << result;
        EXPECT_EQ(snapshot_document(files), before_record ? old_version : new_version);
    }
}

// A save that died after its record (the hook stands for the crash: the process ends with
// nothing more done) is finished by the next recovery.
TEST_F(transaction_fixture, recovery_finishes_a_recorded_commit_from_any_step)
{
    const auto new_version = version("2");
    for (int crash = static_cast<int>(save_step::rename_files); crash <= static_cast<int>(save_step::remove_record);
         ++crash) {
        SCOPED_TRACE(crash);
        std::filesystem::remove_all(root.file("doc"));
        std::filesystem::remove_all(root.file("dictionaries"));
        write_document_version(files, "1");
        struct process_gone { };
        try {
            // A hook that throws ends the commit where it stands, as a killed process would.
            SaveTransaction transaction(files, [&](save_step step) {
                if (static_cast<int>(step) == crash)
                    throw process_gone {};
                return true;
            });
            stage_document_version(transaction, "2");
            (void)transaction.commit();
            ADD_FAILURE() << "the commit went past its crash";
        } catch (const process_gone&) {
        }
        EXPECT_EQ(recover_document(files), "");
        EXPECT_EQ(snapshot_document(files), new_version);
    }
}

TEST_F(transaction_fixture, recovery_removes_staging_of_a_dead_save_and_nothing_else)
{
    write_document_version(files, "1");
    const auto kept = root.file("doc/.my news_files.new-keep-this-file");
    platform::testing::write_file(kept, "a user's file");
    auto before = snapshot_document(files);
    platform::testing::write_file(root.file("doc/.my news_files.new-AB12cd/Message_Files/Message_Body.htm"), "x");
    platform::testing::write_file(root.file("doc/.my news.htm.new-Zz9999"), "x");
    platform::testing::write_file(files.body_parts + ".new", "x");
    EXPECT_EQ(recover_document(files), "");
    EXPECT_EQ(snapshot_document(files), before);
}

TEST_F(transaction_fixture, recovery_reports_a_damaged_record_and_changes_nothing)
{
    write_document_version(files, "1");
    platform::testing::write_file(commit_record_path(files), "talverin-commit 1\nsuffix ../x\n");
    auto before = snapshot_document(files);
    auto problem = recover_document(files);
    EXPECT_NE(problem.find("damaged"), std::string::npos) << problem;
    EXPECT_EQ(snapshot_document(files), before);
    EXPECT_THROW(SaveTransaction {files}, std::runtime_error);
}

TEST_F(transaction_fixture, install_moves_an_unpacked_message_over_an_existing_one)
{
    write_document_version(files, "1");
    platform::testing::temporary_folder unpacked;
    document_files source {unpacked.file("page.htm"), unpacked.file("S_files"), unpacked.file("S.dndtf"),
        unpacked.file("S.objects")};
    write_document_version(source, "2");
    EXPECT_EQ(install_message(files, {source.anchor, source.companion, source.body_parts, source.manifest}), "");
    EXPECT_EQ(snapshot_document(files), version("2"));
}

TEST_F(transaction_fixture, failed_install_keeps_the_existing_document)
{
    write_document_version(files, "1");
    auto before = snapshot_document(files);
    platform::testing::temporary_folder unpacked;
    platform::testing::write_file(unpacked.file("S_files/Message_Files/Message_Body.htm"), "x");
    auto problem = install_message(files, {std::nullopt, unpacked.file("S_files"), unpacked.file("missing.dndtf"),
        unpacked.file("missing.objects")});
    EXPECT_NE(problem.find("missing.dndtf"), std::string::npos) << problem;
    EXPECT_EQ(snapshot_document(files), before);
}

TEST_F(transaction_fixture, install_without_a_page_writes_the_placeholder)
{
    platform::testing::temporary_folder unpacked;
    document_files source {unpacked.file("unused.htm"), unpacked.file("S_files"), unpacked.file("S.dndtf"), unpacked.file("S.objects")};
    write_document_version(source, "1");
    EXPECT_EQ(install_message(files, {std::nullopt, source.companion, source.body_parts, source.manifest}), "");
    EXPECT_EQ(platform::testing::read_file(files.anchor), "to be deleted");
}

}
}
