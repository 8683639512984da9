#include "shell/downloads/download_name.h"

#include <gtest/gtest.h>

namespace {

TEST(DownloadName, TheAddressGivesOneSafeComponent)
{
    struct row {
        const char* address;
        std::string name;
    } rows[] = {
        {"http://h/ a b&c.gif", "_a_b_c.gif"},
        {"http://h/dir/pic.gif?x=1#top", "pic.gif"},
        {"HTTP://h/p%20q.gif", "p_20q.gif"},
        {"http://h/{x}^`[1].png", "_x____1_.png"},
        {"http://h/", "untitled"},
        {"http://h", "untitled"},
        {"http://h/..", "untitled"},
        {"http://h/.", "untitled"},
        {"http://h/?x=1", "untitled"},
        {"http://h/%2e%2e%2fx", "_2e_2e_2fx"},
        {"http://h/a\\..", "untitled"},
        {"ftp://u:p@h/pub/hello.txt", "hello.txt"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(shell::download_file_name(r.address), r.name) << r.address;
}

TEST(DownloadName, LongNamesAreCutBeforeTheirExtension)
{
    const auto name = shell::download_file_name("http://h/" + std::string(300, 'a') + ".gif");
    EXPECT_EQ(name.size(), 255u);
    EXPECT_EQ(name.substr(name.size() - 4), ".gif");

    for (const long counter : {-1L, 0L, 12345L}) {
        for (const bool pull : {false, true}) {
            const auto candidate = shell::download_candidate(name, counter, pull);
            EXPECT_LE(candidate.size(), 255u);
            EXPECT_EQ(candidate.find('/'), std::string::npos);
            EXPECT_EQ(candidate.substr(candidate.size() - (pull ? 5 : 4)), pull ? ".gif]" : ".gif");
        }
    }
    // Bytes that are no UTF-8 are cut where they must be, never to nothing.
    const auto loose = shell::download_file_name("http://h/" + std::string(300, '\xA9'));
    EXPECT_EQ(loose.size(), 255u);
    EXPECT_EQ(shell::download_candidate(std::string(300, '\xA9'), 5, true).size(), 255u);
    // A multibyte character at the cut stays whole.
    EXPECT_EQ(shell::download_candidate(std::string(238, 'a') + "\xC3\xA9" + ".gif", -1, true),
        "[pull name=" + std::string(238, 'a') + ".gif]");
    const auto wide = shell::download_candidate(std::string(130, 'a') + std::string(70, '\xC3') + ".gif", 7, true);
    EXPECT_LE(wide.size(), 255u);
}

TEST(DownloadName, CandidatesCountBeforeTheExtension)
{
    struct row {
        const char* name;
        long counter;
        bool pull;
        const char* candidate;
    } rows[] = {
        {"file", -1, false, "file"},
        {"file", 0, false, "file(0)"},
        {"file", 1, false, "file(1)"},
        {"pic.gif", -1, false, "pic.gif"},
        {"pic.gif", 0, false, "pic(0).gif"},
        {"pic.gif", -1, true, "[pull name=pic.gif]"},
        {"pic.gif", 0, true, "[pull name=pic(0).gif]"},
        {".hidden", 2, false, ".hidden(2)"},
        {"..", -1, false, "untitled"},
        {".", 3, true, "[pull name=untitled(3)]"},
        {"", -1, false, "untitled"},
        {"a/../b.gif", -1, false, "b.gif"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(shell::download_candidate(r.name, r.counter, r.pull), r.candidate) << r.name << " " << r.counter;
}

TEST(DownloadName, TheTraceNeverShowsALogin)
{
    EXPECT_EQ(shell::masked_address("ftp://user:secret@h/pub/x"), "ftp://***@h/pub/x");
    EXPECT_EQ(shell::masked_address("http://h/a@b"), "http://h/a@b");
    EXPECT_EQ(shell::masked_address("http://h/x"), "http://h/x");
}

}
