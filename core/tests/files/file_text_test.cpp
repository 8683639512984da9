#include "core/files/file_text.h"
#include "files_fixture.h"

#include <fcntl.h>
#include <sstream>
#include <unistd.h>

TEST(FileSizes, FormatWithTheUnitAndTheNumberFormat)
{
    core::number_format point;
    core::number_format comma {",", ".", 3};
    auto grouped = core::grouped_number_format(",");
    struct row {
        std::uint64_t size;
        const core::number_format* format;
        const char* text;
    } rows[] = {
        {1048576, &point, "1 Mb"},
        {1536, &point, "1.500 Kb"},
        {1023, &point, "1023 b"},
        {0, &point, "0 b"},
        {1536, &comma, "1,500 Kb"},
        {1048576, &comma, "1 Mb"},
        {5368709120ull, &grouped, "5,120 Mb"},
        {5368709120ull + 524288, &grouped, "5,120.500 Mb"},
        {5368709120ull, &comma, "5.120 Mb"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(core::format_size(r.size, "%s Mb", "%s Kb", "%s b", *r.format), r.text) << r.size;
    EXPECT_EQ(core::format_size(2048, "", "", "", point), "2048");
    EXPECT_EQ(core::format_size(2048, "%s Mb", "", "%s%% b", point), "2048% b");
}

class FileSize : public ProgramFolders { };

TEST_F(FileSize, ReadsSixtyFourBitSizes)
{
    auto path = root.file("sparse.bin");
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 5368709120ll), 0);
    ::close(fd);
    EXPECT_EQ(core::get_file_size(path), 5368709120ull);
    EXPECT_EQ(core::format_file_size(path, "%s Mb", "%s Kb", "%s b", core::number_format {}), "5120 Mb");
    EXPECT_EQ(core::get_file_size(root.file("missing")), 0u);
}

TEST_F(FileSize, TellsAnUnreadableFileFromAnEmptyOne)
{
    auto empty = root.file("empty.txt");
    int fd = ::open(empty.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(core::read_file_size(empty), std::optional<std::uint64_t>(0));
    EXPECT_EQ(core::read_file_size(root.file("missing")), std::nullopt);
    EXPECT_EQ(core::read_file_size(root.path()), std::nullopt);
}

TEST(FileText, UrlsBecomeFileNames)
{
    EXPECT_EQ(core::url_to_file_name("http://www.example.com/page?id=7"), "http-www.example.com-page-id=7");
    EXPECT_EQ(core::url_to_file_name("a:b,c\\d|e&f\"g*h"), "a-b-c-d-e-f-g-h");
}

TEST(FileText, ReplaceAllGoesOnBehindEachReplacement)
{
    EXPECT_EQ(core::cstring_replace_all_chained("banana", "a", "aa"), "baanaanaa");
    EXPECT_EQ(core::cstring_replace_all_chained("<P>x<P>", "<P>", "<P><P>&nbsp;</P>"),
        "<P><P>&nbsp;</P>x<P><P>&nbsp;</P>");
    EXPECT_EQ(core::cstring_replace_all_chained("aaa", "a", "b", 1), "abb");
    EXPECT_EQ(core::cstring_replace_all_chained("aaa", "", "b"), "aaa");
    EXPECT_EQ(core::cstring_replace_all_chained("aaa", "a", "b", 3), "aaa");
    std::ostringstream out;
    EXPECT_TRUE(core::write_cstring_to_file(out, std::string("a\0b", 3)));
    EXPECT_EQ(out.str(), std::string("a\0b", 3));
}
