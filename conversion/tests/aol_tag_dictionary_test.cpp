#include "conversion/aol_tag_dictionary.h"
#include "platform/testing/temporary_folder.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

using conversion::CDictionary;
using conversion::split_dictionary_lines;
using lines = std::vector<std::string>;

lines split(std::string_view bytes)
{
    lines out;
    for (std::string_view line : split_dictionary_lines({bytes.data(), bytes.size()}))
        out.emplace_back(line);
    return out;
}

lines names(const CDictionary& dictionary)
{
    lines out;
    for (const auto& entry : dictionary.entries())
        out.push_back(entry.GetName());
    return out;
}

struct dictionary_files {
    platform::testing::temporary_folder folder;
    std::string write(const std::string& name, std::string_view bytes)
    {
        std::ofstream(folder.file(name), std::ios::binary) << bytes;
        return folder.file(name);
    }
};

}

TEST(aol_tag_dictionary, SplitsLinesAtEveryKindOfLineEnd)
{
    const std::pair<std::string_view, lines> rows[] = {
        {"", {}},
        {"B", {"B"}},
        {"<B>\r\n<I>\n\r<U>\n<P>\r<A>", {"<B>", "<I>", "<U>", "<P>", "<A>"}},
        {"B\r\n\r\nI\n\nU\r\rP", {"B", "I", "U", "P"}},  // two line ends: an empty line, left out
        {"B\n\r\nI", {"B", "I"}},
        {"; comment\n;<B>\n <B>\n", {" <B>"}},
        {"\r\n\n\r", {}},
        {std::string_view("<B\0>\n", 5), {std::string("<B\0>", 4)}},
    };
    for (const auto& [bytes, expected] : rows)
        EXPECT_EQ(split(bytes), expected) << ::testing::PrintToString(std::string(bytes));

    const std::string long_line = std::string(600, 'x');
    const lines cut = split("<" + long_line + ">\nB");
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(cut[0], "<" + std::string(510, 'x'));
    EXPECT_EQ(cut[1], "B");
}

TEST(aol_tag_dictionary, LoadsTagsFromARealFile)
{
    dictionary_files files;
    CDictionary dictionary;
    ASSERT_TRUE(dictionary.Load(files.write("tags.txt", "; AOL tags\r\n<B>\r\n</B>\n\rI\r\n<FONT color=red>\n<P>")));
    EXPECT_EQ(names(dictionary), (lines {"B", "/B", "I", "FONT", "P"}));

    const std::pair<const char*, bool> finds[] = {
        {"b", true}, {"/b", true}, {"FONT", true}, {"p", true}, {"/p", false}, {"BR", false}, {"", false}};
    for (const auto& [name, found] : finds)
        EXPECT_EQ(dictionary.Find(name), found) << name;
    core::CHTMLTag tag;
    tag.Parse(std::string_view("</i >"), 0);
    EXPECT_FALSE(dictionary.Find(tag));
    tag.Parse(std::string_view("<i x=1>"), 0);
    EXPECT_TRUE(dictionary.Find(tag));

    // A second load replaces the first.
    ASSERT_TRUE(dictionary.Load(files.write("other.txt", "U")));
    EXPECT_EQ(names(dictionary), (lines {"U"}));
    EXPECT_FALSE(dictionary.Find("b"));
}

TEST(aol_tag_dictionary, LongLinesKeepTheirFirst511Characters)
{
    dictionary_files files;
    CDictionary dictionary;
    ASSERT_TRUE(dictionary.Load(files.write("long.txt", std::string(600, 'A') + "\nB")));
    EXPECT_EQ(names(dictionary), (lines {std::string(511, 'A'), "B"}));
}

TEST(aol_tag_dictionary, UnreadableFilesLeaveItEmpty)
{
    dictionary_files files;
    const std::string comments = files.write("comments.txt", ";one\r\n;two");
    const std::pair<std::string, bool> rows[] = {
        {comments, true},
        {files.write("empty.txt", ""), false},
        {files.folder.file("missing.txt"), false},
        {files.folder.path(), false},
    };
    for (const auto& [path, loaded] : rows) {
        CDictionary dictionary;
        ASSERT_TRUE(dictionary.Load(files.write("full.txt", "B")));
        EXPECT_EQ(dictionary.Load(path), loaded) << path;
        EXPECT_TRUE(dictionary.entries().empty()) << path;
        EXPECT_FALSE(dictionary.Find("B")) << path;
    }
}

TEST(aol_tag_dictionary, LineConsumerBuildsOneLine)
{
    conversion::CHTMLLiteParser parser;
    parser.append("a");
    parser.new_line();
    parser.append("b");
    EXPECT_EQ(parser.line(), "a<BR>b");
    EXPECT_TRUE(parser.text.empty());
    EXPECT_TRUE(parser.dictionary.entries().empty());
}
