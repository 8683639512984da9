#include "platform/ftp/ftp_session.h"

#include <gtest/gtest.h>

#include <vector>

namespace platform::ftp {
namespace {

TEST(FtpReplyCollector, KeepsTheLastCompleteReplyWithItsContinuationLines)
{
    struct row {
        const char* what;
        std::vector<std::string> lines;
        std::string reply;
        int code;
    };
    const row rows[] = {
        {"one line", {"150 Ok to send.\r\n", "226 Transfer complete. JOB = 4711\r\n"},
            "226 Transfer complete. JOB = 4711", 226},
        {"multi-line", {"150 go\r\n", "226-Thanks.\r\n", " JOB = 4711\r\n", "226 Done.\r\n"},
            "226-Thanks.\r\n JOB = 4711\r\n226 Done.", 226},
        {"a line with another code inside", {"226-a\r\n", "250 not the end\r\n", "226 end\r\n"},
            "226-a\r\n250 not the end\r\n226 end", 226},
        {"an open reply is not complete", {"220 hi\r\n", "226-a\r\n", " b\r\n"}, "220 hi", 220},
        {"bare code", {"226\r\n"}, "226", 226},
        {"not reply lines", {"hello\r\n", "\r\n", "2x6 no\r\n", "026 low\r\n", "626 high\r\n"}, "", 0},
        {"LF only", {"552 Problems\n"}, "552 Problems", 552},
    };
    for (const auto& r : rows) {
        ftp_reply_collector collector;
        for (const auto& line : r.lines)
            collector.add_line(line);
        EXPECT_EQ(collector.last_reply(), r.reply) << r.what;
        EXPECT_EQ(collector.last_code(), r.code) << r.what;
    }
}

TEST(FtpReplyCollector, BoundsLongLinesAndLongReplies)
{
    ftp_reply_collector collector;
    collector.add_line("226-" + std::string(100000, 'x'));
    for (int i = 0; i < 10000; ++i)
        collector.add_line(" more");
    collector.add_line("226 end");
    EXPECT_EQ(collector.last_code(), 226);
    EXPECT_LE(collector.last_reply().size(), (ftp_reply_collector::max_lines + 1) * (ftp_reply_collector::max_line + 2));
    EXPECT_EQ(collector.last_reply().substr(collector.last_reply().size() - 7), "226 end");
}

TEST(FtpCommandText, RefusesLineBreaksAndNul)
{
    EXPECT_TRUE(usable_in_command("secret"));
    EXPECT_TRUE(usable_in_command(""));
    EXPECT_FALSE(usable_in_command("user\r\nNOOP"));
    EXPECT_FALSE(usable_in_command("a\nb"));
    EXPECT_FALSE(usable_in_command(std::string_view("a\0b", 3)));
}

}
}
