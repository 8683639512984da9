#include "core/files/mapped_file.h"
#include "platform/testing/temporary_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string_view>

namespace {

void write(const std::string& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

}

TEST(MappedFile, MapsTheWholeRegularFileReadOnly)
{
    platform::testing::temporary_folder folder;
    const std::string bytes("a\0b\r\nc", 6);
    write(folder.file("x.txt"), bytes);
    core::files::mapped_file view;
    ASSERT_TRUE(view.open(folder.file("x.txt")));
    EXPECT_EQ(std::string_view(view.bytes().data(), view.bytes().size()), bytes);

    core::files::mapped_file moved = std::move(view);
    EXPECT_FALSE(view.is_open());
    EXPECT_EQ(moved.bytes().size(), 6u);
    moved.close();
    EXPECT_FALSE(moved.is_open());
    EXPECT_TRUE(moved.bytes().empty());
}

TEST(MappedFile, RefusesEmptyMissingAndNonRegularFiles)
{
    platform::testing::temporary_folder folder;
    write(folder.file("empty.txt"), "");
    write(folder.file("full.txt"), "x");
    for (const std::string& path : {folder.file("empty.txt"), folder.file("missing.txt"), folder.path()}) {
        core::files::mapped_file view;
        ASSERT_TRUE(view.open(folder.file("full.txt")));
        EXPECT_FALSE(view.open(path)) << path;
        EXPECT_FALSE(view.is_open()) << path;
    }
}
