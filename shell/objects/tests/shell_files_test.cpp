#include "core/errors/errors.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/temporary_folder.h"
#include "shell/objects/shell_files.h"

#include <filesystem>
#include <gtest/gtest.h>

using platform::testing::read_file;
using platform::testing::write_file;

TEST(WriteStringToFile, WritesTheBytesAndReportsAFailure)
{
    platform::testing::temporary_folder folder;
    const auto path = folder.file("body.htm");
    write_file(path, "an older and longer text");
    EXPECT_EQ(shell::write_string_to_file(std::string("a\0b\r\n", 5), path), path);
    EXPECT_EQ(read_file(path), std::string("a\0b\r\n", 5));
    EXPECT_THROW(shell::write_string_to_file("x", folder.file("missing/body.htm")), hevtools::win32api_error);
}

TEST(WorkingCopies, CopiedOnceRemovedOnlyWhenMade)
{
    platform::testing::temporary_folder root;
    const auto work = root.file("work");
    std::filesystem::create_directory(work);
    write_file(root.file("report.pdf"), "first");

    shell::push_file_record record {root.file("report.pdf")};
    ASSERT_TRUE(shell::make_working_copy(record, work));
    EXPECT_TRUE(record.copied);
    EXPECT_EQ(record.path, work + "/report.pdf");
    write_file(root.file("report.pdf"), "second");
    ASSERT_TRUE(shell::make_working_copy(record, work));
    EXPECT_EQ(read_file(work + "/report.pdf"), "first");

    const auto out = root.file("out");
    std::filesystem::create_directory(out);
    EXPECT_TRUE(shell::copy_into_folder(record, out));
    EXPECT_EQ(read_file(out + "/report.pdf"), "first");
    EXPECT_EQ(record.path, work + "/report.pdf");

    shell::remove_working_copy(record);
    EXPECT_FALSE(std::filesystem::exists(work + "/report.pdf"));
    EXPECT_TRUE(record.path.empty());
    EXPECT_FALSE(record.copied);

    // The user's own file is never deleted, only forgotten.
    shell::push_file_record original {root.file("report.pdf")};
    shell::remove_working_copy(original);
    EXPECT_TRUE(std::filesystem::exists(root.file("report.pdf")));
}

TEST(WorkingCopies, AFailedCopyKeepsTheRecordAndNamesStayInTheFolder)
{
    platform::testing::temporary_folder root;
    const auto work = root.file("work");
    std::filesystem::create_directory(work);

    shell::push_file_record missing {root.file("gone.pdf")};
    EXPECT_FALSE(shell::make_working_copy(missing, work));
    EXPECT_EQ(missing.path, root.file("gone.pdf"));
    EXPECT_FALSE(missing.copied);
    EXPECT_FALSE(shell::copy_into_folder(missing, work));

    // A name written the Windows way lands under its last component.
    write_file(root.file("a\\b.pdf"), "x");
    shell::push_file_record windows {root.file("a\\b.pdf")};
    ASSERT_TRUE(shell::make_working_copy(windows, work));
    EXPECT_EQ(windows.path, work + "/b.pdf");
}
