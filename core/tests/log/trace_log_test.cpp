#include "core/log/trace_log.h"
#include "platform/testing/fixed_clock.h"
#include "platform/testing/recording_sink.h"
#include "platform/testing/temporary_folder.h"
#include "platform/testing/file_contents.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

using platform::testing::read_file;

namespace {

struct logger_fixture {
    platform::testing::temporary_folder folder;
    platform::testing::fixed_clock clock;
    platform::testing::recording_sink sink;
    std::optional<std::string> description = "Linux 6.1.0 #1 SMP x86_64";
    core::trace_logger logger {{folder.file("talverin.log"), &clock, &sink, [this] { return description; }}};
    std::string log() const { return read_file(folder.file("talverin.log")); }
};

constexpr const char* stamp = "12/10/26 14:03:05 ";

}

TEST(TraceLog, FormatsLinesWithStampAndOneNewline)
{
    const std::pair<std::string, std::string> rows[] = {
        {"x", "x\n"},
        {"x\n", "x\n"},
        {"", "\n"},
        {"a %d %s", "a 7 b\n"},
    };
    for (const auto& [message, line] : rows) {
        logger_fixture f;
        if (message == "a %d %s")
            f.logger.write("a %d %s", 7, "b");
        else
            f.logger.write("%s", message.c_str());
        EXPECT_EQ(f.log(), std::string(stamp) + "OS: Linux 6.1.0 #1 SMP x86_64\n" + stamp + line) << message;
    }
}

TEST(TraceLog, CutsMessagesAt1024BytesAndKeepsArgumentsLiteral)
{
    logger_fixture f;
    f.logger.write("%s", std::string(3000, 'x').c_str());
    f.logger.write("%s", "%s%n");
    auto log = f.log();
    auto first = log.find('\n') + 1;
    auto line = log.substr(first, log.find('\n', first) - first + 1);
    EXPECT_EQ(line, std::string(stamp) + std::string(1024, 'x') + "\n");
    EXPECT_NE(log.find(std::string(stamp) + "%s%n\n"), std::string::npos);
}

TEST(TraceLog, OsLineComesFirstOnceInFileAndSink)
{
    logger_fixture f;
    f.description.reset();
    f.logger.write("one");
    f.logger.write("two");
    auto lines = f.sink.texts();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(stamp) + "OS: Unknown\n");
    EXPECT_EQ(lines[1], std::string(stamp) + "one\n");
    EXPECT_EQ(f.log(), lines[0] + lines[1] + lines[2]);
}

TEST(TraceLog, UnwritableLogDropsTheLineAndGoesOn)
{
    platform::testing::temporary_folder folder;
    platform::testing::fixed_clock clock;
    platform::testing::recording_sink sink;
    std::filesystem::create_directory(folder.file("a-folder"));
    std::ofstream(folder.file("a-file")) << "x";
    for (auto path : {folder.file("a-folder"), folder.file("a-file/below.log")}) {
        core::trace_logger logger({path, &clock, &sink, {}});
        logger.write("line");
    }
    EXPECT_EQ(sink.texts().size(), 4u);
    EXPECT_TRUE(std::filesystem::is_directory(folder.file("a-folder")));
    EXPECT_EQ(read_file(folder.file("a-file")), "x");
}

TEST(TraceLog, MacroEvaluatesNothingWhenOff)
{
    logger_fixture f;
    core::install_trace_logger(&f.logger);
    int evaluated = 0;
    auto argument = [&] {
        ++evaluated;
        return 1;
    };
    core::trace_enabled = 0;
    TRACE_LOG("value %d", argument());
    EXPECT_EQ(evaluated, 0);
    EXPECT_FALSE(std::filesystem::exists(f.folder.file("talverin.log")));
    core::trace_enabled = 1;
    TRACE_LOG("value %d", argument());
    core::trace_enabled = 0;
    core::install_trace_logger(nullptr);
    EXPECT_EQ(evaluated, 1);
    EXPECT_NE(f.log().find("value 1\n"), std::string::npos);
}

TEST(TraceLog, ThreadsAndProcessesInterleaveWholeLines)
{
    logger_fixture f;
    constexpr int threads = 8;
    constexpr int lines = 2000;
    // Two child processes write through loggers of their own into the same file.
    std::vector<pid_t> children;
    for (int c = 0; c < 2; ++c) {
        std::string program = TRACE_LOG_PROBE;
        std::string log = f.folder.file("talverin.log");
        std::string prefix = "child" + std::to_string(c);
        std::string count = "500";
        char* argv[] = {program.data(), log.data(), prefix.data(), count.data(), nullptr};
        pid_t pid = -1;
        ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
        children.push_back(pid);
    }
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < lines; ++i)
                f.logger.write("thread %d line %d %s", t, i, std::string(100, 'p').c_str());
        });
    }
    for (auto& worker : workers)
        worker.join();
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
    }
    std::set<std::string> seen;
    std::istringstream in(f.log());
    std::string line;
    int thread_lines = 0, child_lines = 0;
    while (std::getline(in, line)) {
        if (line.find("OS: ") != std::string::npos)
            continue;
        if (line.find(" child") != std::string::npos) {
            ASSERT_TRUE(line.find(" child0 line ") != std::string::npos || line.find(" child1 line ") != std::string::npos)
                << line;
            EXPECT_TRUE(seen.insert(line.substr(line.find(" child"))).second) << "twice: " << line;
            ++child_lines;
            continue;
        }
        ASSERT_TRUE(line.starts_with(stamp)) << line;
        ASSERT_TRUE(line.ends_with(std::string(100, 'p'))) << line;
        EXPECT_TRUE(seen.insert(line).second) << "twice: " << line;
        ++thread_lines;
    }
    EXPECT_EQ(thread_lines, threads * lines);
    EXPECT_EQ(child_lines, 1000);
}
