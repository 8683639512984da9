#include "core/url/file_url.h"

#include <gtest/gtest.h>
#include <unistd.h>

TEST(DecodeUrlEscapes, RunsFourPassesInOrder)
{
    struct row {
        const char* text;
        const char* decoded;
    } rows[] = {
        {"%5Bpull%20name=a%5D", "[pull name=a]"},
        {"%2520", "%20"},
        {"%255B", "%5B"},
        {"a%2", "a%2"},
        {"%5b%20", "%5b "},
        {"", ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(core::DecodeUrlEscapes(r.text), r.decoded) << r.text;
}

TEST(FileUrlToPath, CutsTheSchemeAndLocalhostAndKeepsTheRoot)
{
    struct row {
        const char* url;
        const char* path;
    } rows[] = {
        {"file:///x/a.gif", "/x/a.gif"},
        {"FILE:///home/u/a b.gif", "/home/u/a b.gif"},
        {"file://localhost/x/a.gif", "/x/a.gif"},
        {"file:///C:/a/b.gif", "C:/a/b.gif"},
        {"FILE:///C:/a/b.gif", "C:/a/b.gif"},
        {"file://localhostess/a", "localhostess/a"},
        {"http://host/a.gif", "http://host/a.gif"},
        {"pictures/a.gif", "pictures/a.gif"},
        {"file:/", "file:/"},
        {"file://", ""},
        {"", ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(core::FileUrlToPath(r.url), r.path) << r.url;
}

TEST(MakeFileUrl, GivesAnAbsolutePathWithForwardSlashes)
{
    EXPECT_EQ(core::make_file_url("/home/u/a.gif"), "file:///home/u/a.gif");
    EXPECT_EQ(core::make_file_url("C:\\m\\a.gif"), "file:///C:/m/a.gif");
    char here[4096];
    ASSERT_TRUE(getcwd(here, sizeof here));
    EXPECT_EQ(core::make_file_url("x/a.gif"), std::string("file://") + here + "/x/a.gif");
    EXPECT_EQ(core::FileUrlToPath(core::make_file_url("/home/u/a.gif")), "/home/u/a.gif");
}
