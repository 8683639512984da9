#include "shell/package/job_archive_listing.h"

#include <gtest/gtest.h>

using shell::check_job_archive_listing;
using shell::check_job_zip_listing;

namespace {

std::string line(char type, const std::string& quoted_name, std::uint64_t size = 5)
{
    return std::string(1, type) + "rw-r--r-- 1000/1000 " + std::to_string(size) + " 2026-12-11 05:46 \"" + quoted_name
        + "\"\n";
}

const std::string sound = line('d', "news_files/", 0) + line('-', "news_files/news.dndtf")
    + line('-', "news_files/news.objects") + line('d', "news_files/Pull_Files/", 0)
    + line('-', "news_files/Pull_Files/a \\\"b\\\"\\n\\303\\251.gif");

}

TEST(JobArchiveListing, AcceptsOnlyFilesAndFoldersInsideTheMessageFolder)
{
    EXPECT_EQ(check_job_archive_listing(sound, "news"), "");
    EXPECT_EQ(check_job_archive_listing(line('-', "-x y_files/-x y.dndtf") + line('-', "-x y_files/-x y.objects"), "-x y"),
        "");
    struct row {
        const char* what;
        std::string extra;
    } rows[] = {
        {"parent", line('-', "../x")},
        {"absolute", line('-', "/abs")},
        {"climbs out", line('-', "news_files/../../x")},
        {"dot", line('-', "news_files/./x")},
        {"empty component", line('-', "news_files//x")},
        {"outside the folder", line('-', "other/x")},
        {"the folder as a file", line('-', "news_files")},
        {"a file named with a slash", line('-', "news_files/x/")},
        {"symlink", "lrwxrwxrwx 0/0 0 2026-12-11 05:46 \"news_files/l\" -> \"/etc\"\n"},
        {"hard link", "hrw-r--r-- 0/0 0 2026-12-11 05:46 \"news_files/h\" link to \"news_files/news.dndtf\"\n"},
        {"fifo", line('p', "news_files/f", 0)},
        {"device", "crw-r--r-- 0/0 1,3 2026-12-11 05:46 \"news_files/null\"\n"},
        {"tar's warning", "tar: Removing leading `/' from member names\n"},
        {"unquoted name", "-rw-r--r-- 0/0 5 2026-12-11 05:46 news_files/x\n"},
        {"text after the name", "-rw-r--r-- 0/0 5 2026-12-11 05:46 \"news_files/x\" extra\n"},
        {"unterminated quote", "-rw-r--r-- 0/0 5 2026-12-11 05:46 \"news_files/x\n"},
        {"nul escape", line('-', "news_files/a\\000b")},
        {"bad escape", line('-', "news_files/a\\qb")},
        {"carriage return", "-rw-r--r-- 0/0 5 2026-12-11 05:46 \"news_files/x\"\r\n"},
        {"size not a number", "-rw-r--r-- 0/0 5x 2026-12-11 05:46 \"news_files/x\"\n"},
        {"owner not numeric", "-rw-r--r-- root/root 5 2026-12-11 05:46 \"news_files/x\"\n"},
        {"size past 64 bits", "-rw-r--r-- 0/0 99999999999999999999 2026-12-11 05:46 \"news_files/x\"\n"},
        {"sizes adding past 64 bits", line('-', "news_files/x", 18446744073709551615ull)},
    };
    for (const auto& r : rows)
        EXPECT_NE(check_job_archive_listing(sound + r.extra, "news"), "") << r.what;
}

TEST(JobArchiveListing, NeedsBothMessageFilesAndKeepsToTheLimits)
{
    EXPECT_NE(check_job_archive_listing(line('-', "news_files/news.dndtf"), "news").find("news_files/news.objects"),
        std::string::npos);
    EXPECT_NE(check_job_archive_listing(line('-', "news_files/news.objects"), "news").find("news_files/news.dndtf"),
        std::string::npos);
    // The folder holding the files is not enough, nor are files of that name inside subfolders.
    EXPECT_NE(check_job_archive_listing(line('d', "news_files/news.dndtf/", 0) + line('-', "news_files/news.objects"),
                  "news"),
        "");
    EXPECT_NE(check_job_archive_listing("", "news"), "");
    EXPECT_NE(check_job_archive_listing(sound, ""), "");

    shell::job_archive_limits limits;
    limits.members = 5;
    EXPECT_EQ(check_job_archive_listing(sound, "news", limits), "");
    limits.members = 4;
    EXPECT_NE(check_job_archive_listing(sound, "news", limits).find("more than 4 entries"), std::string::npos);
    limits = {};
    limits.bytes = 15;
    EXPECT_EQ(check_job_archive_listing(sound, "news", limits), "");
    limits.bytes = 14;
    EXPECT_NE(check_job_archive_listing(sound, "news", limits).find("larger than 14 bytes"), std::string::npos);
}

TEST(JobArchiveListing, AZipMayHoldOnlyTheTarOfItsOwnName)
{
    EXPECT_EQ(check_job_zip_listing("news.tar\n", "news"), "");
    EXPECT_EQ(check_job_zip_listing("news.tar", "news"), "");
    for (const char* names : {"", "x.tar\n", "news.tar\nnews.tar\n", "news.tar\nother\n", "../news.tar\n",
             "dir/news.tar\n", "news.tar\n\n"})
        EXPECT_NE(check_job_zip_listing(names, "news"), "") << names;
}
