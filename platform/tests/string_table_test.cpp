#include "platform/strings/string_table.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/test_services.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using platform::strings::string_table;
using platform::strings::string_table_error;

TEST(StringTable, ShippedMapiTextsAreByteExact)
{
    auto table = string_table::load(platform::testing::share_folder() + "/talverin/strings.txt");
    EXPECT_EQ(table.text(3075),
        "There was no default logon, and the user failed to log on successfully when the logon dialog box was "
        "displayed.\n Operation failed");
    EXPECT_EQ(table.text(3081),
        "There is a recipient that is not supportedby the underlying messaging system.\nOperation failed");
    EXPECT_EQ(table.text(3085), "One or more unspecified errors occurred. No message was sent. ");
    EXPECT_EQ(table.text(3087), "The text in the message was too large. No message was sent. ");
    EXPECT_EQ(table.text(3088), "There were too many file attachments. No message was sent. ");
    EXPECT_EQ(table.text(3090), "One or more messaging system errors occured.\nOperation  failed.");
    for (unsigned id = 3073; id <= 3090; ++id)
        EXPECT_FALSE(table.text(id).empty()) << id;
    EXPECT_EQ(table.text(1), "");
}

TEST(StringTable, ReadsEscapesCommentsAndCrLf)
{
    auto table = string_table::parse("# comment\r\n\r\n1 \"a\\\\b\\\"c\\n\\t\\x41\"\r\n2 \"\"\n", "t.txt");
    EXPECT_EQ(table.text(1), "a\\b\"c\n\tA");
    EXPECT_EQ(table.text(2), "");
    EXPECT_EQ(table.size(), 2u);
}

TEST(StringTable, LoadErrorsNameFileAndLine)
{
    const std::pair<const char*, const char*> rows[] = {
        {"1 \"a\"\n1 \"b\"\n", "t.txt:2: duplicate id 1"},
        {"1 \"a\"\n\n3 \"bad \\q\"\n", "t.txt:3: unknown escape \\q"},
        {"4 \"open\n", "t.txt:1: unterminated quoted text"},
        {"x \"a\"\n", "t.txt:1: expected `<id> \"<text>\"`"},
        {"5 \"a\" tail\n", "t.txt:1: text after the closing quote"},
        {"6 \"\\x4g\"\n", "t.txt:1: bad \\x escape"},
    };
    for (const auto& [text, message] : rows) {
        try {
            string_table::parse(text, "t.txt");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const string_table_error& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    EXPECT_THROW(string_table::load("/nonexistent/strings.txt"), string_table_error);
}

TEST(StringTable, AFileThatIsNoTableOrLacksARequiredTextIsRefusedNamingTheFile)
{
    platform::testing::temporary_folder folder;
    const unsigned required[] = {100, 3094};
    auto message_of = [&](const std::string& path) {
        try {
            string_table::load(path, required);
        } catch (const string_table_error& e) {
            return std::string(e.what());
        }
        return std::string("loaded");
    };
    std::filesystem::create_directories(folder.file("folder/strings.txt"));
    EXPECT_EQ(message_of(folder.file("folder/strings.txt")),
        folder.file("folder/strings.txt") + ": cannot read the string table: it is a folder, not a file");
    ASSERT_EQ(::mkfifo(folder.file("pipe.txt").c_str(), 0600), 0);
    EXPECT_EQ(message_of(folder.file("pipe.txt")),
        folder.file("pipe.txt") + ": cannot read the string table: it is a named pipe, not a file");
    EXPECT_EQ(message_of("/dev/zero"), "/dev/zero: cannot read the string table: it is a device, not a file");

    platform::testing::write_file(folder.file("empty.txt"), "");
    EXPECT_EQ(message_of(folder.file("empty.txt")),
        folder.file("empty.txt") + ": the string table has no text for string 100");
    platform::testing::write_file(folder.file("blank.txt"), "100 \"x\"\n3094 \"\"\n");
    EXPECT_EQ(message_of(folder.file("blank.txt")),
        folder.file("blank.txt") + ": the string table has no text for string 3094");
    platform::testing::write_file(folder.file("full.txt"), "100 \"x\"\n3094 \"Default\"\n");
    EXPECT_EQ(message_of(folder.file("full.txt")), "loaded");
}
