#include "broadcast/log/broadcast_log.h"
#include "platform/process/process.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/fixed_clock.h"
#include "platform/testing/temporary_folder.h"

#include <gtest/gtest.h>
#include <cctype>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <vector>

using platform::testing::read_file;

namespace {

std::string entry_text(const std::string& writer, int number)
{
    return "MAPI SMTP broadcast. Job name: " + writer + "-" + std::to_string(number)
        + ". Job was sent to the Quorbis server.\r\n";
}

}

TEST(BroadcastLog, EntriesArePrefixedAndAppendedToALogMadeWhenMissing)
{
    platform::testing::temporary_folder folder;
    platform::testing::fixed_clock clock;
    auto path = folder.file("Broadcast.log");
    EXPECT_TRUE(broadcast::broadcast_log("FTP broadcast. Job name: news. Job number 17\r\n", clock, path));
    EXPECT_TRUE(broadcast::broadcast_log("FTP broadcast. Job name: news. Job number 18\r\n", clock, path));
    EXPECT_EQ(read_file(path),
        "12/10/26 14:03:05 FTP broadcast. Job name: news. Job number 17\r\n"
        "12/10/26 14:03:05 FTP broadcast. Job name: news. Job number 18\r\n");
}

TEST(BroadcastLog, AnEntryThatCannotBeWrittenIsLostWithoutThrowing)
{
    platform::testing::temporary_folder folder;
    platform::testing::fixed_clock clock;
    EXPECT_FALSE(broadcast::broadcast_log("x\r\n", clock, folder.file("missing/Broadcast.log")));
    EXPECT_FALSE(broadcast::broadcast_log("x\r\n", clock, ""));
    ::mkdir(folder.file("a folder").c_str(), 0700);
    EXPECT_FALSE(broadcast::broadcast_log("x\r\n", clock, folder.file("a folder")));
}

TEST(BroadcastLog, ThreadsAndProcessesWritingAtOnceKeepEveryEntryWhole)
{
    constexpr int per_writer = 500;
    platform::testing::temporary_folder folder;
    auto path = folder.file("Broadcast.log");

    std::vector<std::unique_ptr<platform::process::child>> probes;
    for (const char* writer : {"p0", "p1"}) {
        std::string error;
        probes.push_back(platform::process::child::spawn(BROADCAST_LOG_PROBE,
            {path, writer, std::to_string(per_writer)}, folder.path(), error));
        ASSERT_TRUE(probes.back()) << error;
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &path] {
            platform::system_clock clock("C");
            for (int i = 0; i < per_writer; ++i)
                EXPECT_TRUE(broadcast::broadcast_log(entry_text("t" + std::to_string(t), i), clock, path));
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (auto& probe : probes) {
        auto result = probe->wait(0xFFFFFFFF);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->exit_code, 0) << result->output;
    }

    auto log = read_file(path);
    // "mm/dd/yy hh:mm:ss " then the text of one writer's numbered entry.
    const std::string prefix = "99/99/99 99:99:99 ";
    const std::string job_name = "MAPI SMTP broadcast. Job name: ";
    std::map<std::string, std::vector<int>> seen;
    std::size_t start = 0;
    int lines = 0;
    while (start < log.size()) {
        auto end = log.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "unterminated entry at " << start;
        std::string line = log.substr(start, end - start);
        ASSERT_GT(line.size(), prefix.size() + job_name.size() + 3) << line;
        for (std::size_t i = 0; i < prefix.size(); ++i)
            ASSERT_TRUE(prefix[i] == '9' ? std::isdigit(static_cast<unsigned char>(line[i])) != 0 : line[i] == prefix[i])
                << line;
        auto body = line.substr(prefix.size());
        ASSERT_EQ(body.rfind(job_name, 0), 0u) << line;
        auto writer = body.substr(job_name.size(), 2);
        auto number = std::stoi(body.substr(job_name.size() + 3));
        ASSERT_EQ(body, entry_text(writer, number).substr(0, body.size())) << line;
        ASSERT_EQ(body.size() + 2, entry_text(writer, number).size()) << line;
        seen[writer].push_back(number);
        start = end + 2;
        ++lines;
    }
    EXPECT_EQ(lines, 10 * per_writer);
    ASSERT_EQ(seen.size(), 10u);
    for (const auto& [writer, numbers] : seen) {
        ASSERT_EQ(numbers.size(), static_cast<std::size_t>(per_writer)) << writer;
        for (int i = 0; i < per_writer; ++i)
            EXPECT_EQ(numbers[i], i) << writer;
    }
}
