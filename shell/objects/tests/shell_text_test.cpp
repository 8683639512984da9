#include "shell/objects/object_file_name.h"
#include "shell/objects/shell_text.h"

#include <gtest/gtest.h>

TEST(ReplaceAll, GoesOnBehindEachInsertAndKeepsToItsWindow)
{
    struct row {
        const char* text;
        const char* from;
        const char* to;
        std::size_t start;
        std::size_t end;
        const char* result;
    } rows[] = {
        {"aaa", "a", "aa", 0, std::string::npos, "aaaaaa"},
        {"aaa", "a", "b", 0, 99, "bbb"},
        {"abcabc", "abc", "x", 0, 3, "xabc"},
        {"abcabc", "b", "bbb", 1, 5, "abbbcabbbc"},  // the window grows with each insert
        {"abcabc", "bc", "", 0, 4, "aabc"},          // and shrinks with each removal
        {"abab", "ab", "x", 1, 3, "abx"},            // begins inside the window, ends behind it
        {"aaa", "", "b", 0, std::string::npos, "aaa"},
        {"aaa", "a", "b", 2, 2, "aaa"},
        {"", "a", "b", 0, std::string::npos, ""},
    };
    for (const auto& r : rows) {
        std::string text = r.text;
        EXPECT_EQ(shell::replace_all(text, r.from, r.to, r.start, r.end), r.result)
            << r.text << " " << r.from << " " << r.start << ".." << r.end;
    }
}

TEST(ShellPaths, JoinAndExtensions)
{
    EXPECT_EQ(shell::join_path("", "a.htm"), "a.htm");
    EXPECT_EQ(shell::join_path("/m", "a.htm"), "/m/a.htm");
    EXPECT_EQ(shell::join_path("/m/", "a.htm"), "/m/a.htm");
    EXPECT_EQ(shell::join_path("C:\\m\\", "a.htm"), "C:\\m\\a.htm");

    struct row {
        const char* path;
        const char* without;
        const char* as_tmp;
    } rows[] = {
        {"C:\\a.b\\m.htm", "C:\\a.b\\m", "C:\\a.b\\m.tmp"},
        {"C:\\a.b\\m", "C:\\a.b\\m", "C:\\a.b\\m.tmp"},
        {"/a.b/m", "/a.b/m", "/a.b/m.tmp"},
        {"/x/.hidden", "/x/.hidden", "/x/.hidden.tmp"},
        {"/x/page.tar.gz", "/x/page.tar", "/x/page.tar.tmp"},
        {"name", "name", "name.tmp"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(shell::remove_extension(r.path), r.without) << r.path;
        EXPECT_EQ(shell::replace_extension(r.path, ".tmp"), r.as_tmp) << r.path;
    }
}

TEST(ShellText, BodyPartMarkersByKind)
{
    EXPECT_EQ(shell::body_part_marker(0, false), "@@HTML_BODY_PART@@");
    EXPECT_EQ(shell::body_part_marker(0, true), "@@HTML_BODY_PART_END@@");
    EXPECT_EQ(shell::body_part_marker(1, false), "@@HTMLLITE_BODY_PART@@");
    EXPECT_EQ(shell::body_part_marker(1, true), "@@HTMLLITE_BODY_PART_END@@");
    EXPECT_EQ(shell::body_part_marker(2, false), "@@TXT_BODY_PART@@");
    EXPECT_EQ(shell::body_part_marker(2, true), "@@TXT_BODY_PART_END@@");
    EXPECT_EQ(shell::body_part_marker(3, false), "");
    EXPECT_EQ(shell::body_part_marker(-1, true), "");
}

TEST(ObjectFileName, StoredNamesStayOneFileInTheirFolder)
{
    struct row {
        std::string text;
        std::string name;
    } rows[] = {
        {"photo.jpg", "photo.jpg"},
        {"../x", "x"},
        {"/etc/passwd", "passwd"},
        {"C:\\Windows\\x", "x"},
        {"a/b", "b"},
        {"..", "untitled"},
        {".", "untitled"},
        {"", "untitled"},
        {"pics/", "untitled"},
        {"x\ny", "x y"},
        {"x\r\ny", "x  y"},
        {std::string("a\tb\0c\x7f", 6), "a_b_c_"},
        {"caf\xc3\xa9.gif", "caf\xc3\xa9.gif"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(shell::object_file_name(r.text), r.name) << r.text;
}

TEST(ObjectFileName, LongNamesAreCutBeforeTheExtensionOnACharacterBoundary)
{
    // 200 two-byte characters: a cut at 251 bytes would split one.
    std::string base;
    for (int i = 0; i < 200; ++i)
        base += "\xc3\xa9";
    const auto name = shell::object_file_name(base + ".gif");
    EXPECT_EQ(name, base.substr(0, 250) + ".gif");

    const std::string plain(300, 'x');
    EXPECT_EQ(shell::object_file_name(plain), plain.substr(0, 255));
    EXPECT_EQ(shell::object_file_name("." + plain), ("." + plain).substr(0, 255));
    // An extension that would leave no room for a name is cut with the rest.
    EXPECT_EQ(shell::object_file_name("a." + plain), ("a." + plain).substr(0, 255));
}
