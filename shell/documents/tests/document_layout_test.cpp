#include "shell/documents/document_layout.h"

#include "platform/testing/file_contents.h"
#include "platform/testing/temporary_folder.h"

#include <gtest/gtest.h>

namespace shell {
namespace {

TEST(document_layout, places_follow_from_the_base_path)
{
    struct case_row {
        const char* file;
        const char* base;
        const char* body_parts;
        const char* companion;
    };
    const case_row rows[] = {
        {"/home/u/a.b/m.htm", "/home/u/a.b/m", "D/%2Fhome%2Fu%2Fa%2Eb%2Fm.dndtf", "/home/u/a.b/m_files"},
        {"C:\\a.b\\m.htm", "C:\\a.b\\m", "D/C%3A%5Ca%2Eb%5Cm.dndtf", "C:\\a.b\\m_files"},
        {"./m.htm", "/cwd/m", "D/%2Fcwd%2Fm.dndtf", "/cwd/m_files"},
        {"x/../y/./m.greetings", "/cwd/y/m", "D/%2Fcwd%2Fy%2Fm.dndtf", "/cwd/y/m_files"},
        {"/a//b/m", "/a/b/m", "D/%2Fa%2Fb%2Fm.dndtf", "/a/b/m_files"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        auto base = document_base_path(row.file, "/cwd");
        EXPECT_EQ(base, row.base);
        EXPECT_EQ(message_part_path(base, 3, "D"), row.body_parts);
        EXPECT_EQ(companion_folder(base), row.companion);
        auto manifest = std::string(row.body_parts);
        manifest.replace(manifest.size() - 6, 6, ".objects");
        EXPECT_EQ(manifest_path(base, "D"), manifest);
    }
    EXPECT_EQ(message_part_path("/f/s", 1, "D"), "/f/s_files/Message_Files/Message_Body-AOL.htm");
    EXPECT_EQ(message_part_path("/f/s", 4, "D"), "");
}

TEST(document_layout, base_from_a_part_path)
{
    EXPECT_EQ(document_base_from_part_path("/f/news_files/Message_Files/Message_Body.htm"), "/f/news");
    EXPECT_EQ(document_base_from_part_path("C:\\f\\news_files\\Message_Files\\Message_Body.txt"), "C:\\f\\news");
    EXPECT_EQ(document_base_from_part_path("/f/news_files/Message_Files/Message_Body-AOL.htm"), "/f/news");
    EXPECT_EQ(document_base_from_part_path("/f/news_files/Pull_Files/a.gif"), "");
    EXPECT_EQ(document_base_from_part_path("/Message_Files/Message_Body.htm"), "");
}

TEST(document_layout, a_base_too_long_for_a_flat_name_has_no_files)
{
    const std::string base = "/" + std::string(300, 'a');
    EXPECT_FALSE(flat_document_name(base));
    EXPECT_FALSE(document_files_for(base, ".htm", "D"));
    EXPECT_EQ(message_part_path(base, 3, "D"), "");
    EXPECT_FALSE(flat_document_name(""));
}

TEST(document_layout, ensure_anchor_writes_the_placeholder_only_when_missing)
{
    platform::testing::temporary_folder root;
    EXPECT_TRUE(ensure_anchor(root.file("m.htm")));
    EXPECT_EQ(platform::testing::read_file(root.file("m.htm")), "to be deleted");
    platform::testing::write_file(root.file("n.htm"), "<html>saved</html>");
    EXPECT_TRUE(ensure_anchor(root.file("n.htm")));
    EXPECT_EQ(platform::testing::read_file(root.file("n.htm")), "<html>saved</html>");
    EXPECT_FALSE(ensure_anchor(root.file("no/such/folder/m.htm")));
}

}
}
