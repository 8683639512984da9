#include "platform/process/process.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/temporary_folder.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using platform::process::run_result;

namespace {

run_result run_probe(const std::vector<std::string>& arguments, const std::string& folder = "")
{
    platform::process::system_runner runner;
    return runner.run(PROCESS_PROBE, arguments, folder);
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

}

TEST(Process, ArgumentsArriveIntactWithOnlyTheStandardDescriptors)
{
    // A descriptor of ours that must not reach the child.
    int stray = ::open("/dev/null", O_RDONLY);
    std::vector<std::string> arguments {"report", "two words", "\"quoted\"", "$(x)", "-leading", "", "it's", "a\\b"};
    auto result = run_probe(arguments, "/");
    ::close(stray);
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_EQ(result.exit_code, 0);
    std::vector<std::string> expected {"cwd=/", "fds=0,1,2", "stdin=eof"};
    for (std::size_t i = 1; i < arguments.size(); ++i)
        expected.push_back("arg=" + arguments[i]);
    EXPECT_EQ(lines(result.output), expected);
}

TEST(Process, ExitCodesAndSignalsReachTheCaller)
{
    struct row {
        std::vector<std::string> arguments;
        int exit_code;
        int signal;
    } rows[] = {
        {{"exit", "0"}, 0, 0},
        {{"exit", "3"}, 3, 0},
        {{"exit", "255"}, 255, 0},
        {{"signal", std::to_string(SIGTERM)}, 128 + SIGTERM, SIGTERM},
        {{"signal", std::to_string(SIGKILL)}, 128 + SIGKILL, SIGKILL},
    };
    for (const auto& r : rows) {
        auto result = run_probe(r.arguments);
        EXPECT_TRUE(result.started);
        EXPECT_EQ(result.exit_code, r.exit_code) << r.arguments[1];
        EXPECT_EQ(result.signal, r.signal) << r.arguments[1];
    }
}

TEST(Process, AFloodOfOutputDoesNotDeadlockAndTheLastPartIsKept)
{
    auto result = run_probe({"flood", std::to_string(1 << 20)});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output.size(), platform::process::kept_output_size);
    EXPECT_EQ(result.output.substr(result.output.size() - 3), "END");
}

TEST(Process, MissingProgramsAndFoldersAreReportedNotRun)
{
    platform::process::system_runner runner;
    auto missing = runner.run("/nonexistent/tool", {}, "");
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(missing.exit_code, -1);
    EXPECT_NE(missing.error.find("/nonexistent/tool"), std::string::npos);

    auto no_folder = runner.run(PROCESS_PROBE, {"exit", "0"}, "/nonexistent-folder");
    EXPECT_FALSE(no_folder.started);
    EXPECT_EQ(no_folder.exit_code, -1);
    EXPECT_NE(no_folder.error.find("the folder /nonexistent-folder does not exist"), std::string::npos);
}

TEST(Process, AWaitWithTimeoutReturnsWhileTheChildRuns)
{
    std::string error;
    auto running = platform::process::child::spawn(PROCESS_PROBE, {"pause"}, "", error);
    ASSERT_TRUE(running) << error;
    EXPECT_FALSE(running->wait(0));
    ::kill(running->pid(), SIGTERM);
    auto ended = running->wait(0xFFFFFFFFu);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->signal, SIGTERM);
}

TEST(Process, FindProgramSearchesThePathInOrder)
{
    EXPECT_EQ(platform::process::find_program("ls", "/nonexistent:/usr/bin:/bin"), "/usr/bin/ls");
    EXPECT_EQ(platform::process::find_program("no-such-tool-here", "/bin:/usr/bin"), std::nullopt);
    EXPECT_EQ(platform::process::find_program("ls", ":relative:"), std::nullopt);
    EXPECT_EQ(platform::process::find_program(PROCESS_PROBE, ""), std::string(PROCESS_PROBE));
    EXPECT_EQ(platform::process::find_program("", "/bin"), std::nullopt);
}

using platform::testing::read_file;

TEST(Process, StandardInputFromAFileAndOutputIntoAFile)
{
    platform::testing::temporary_folder folder;
    auto input = folder.file("in.txt");
    auto output = folder.file("out.txt");
    std::ofstream(input) << "first\nsecond\n";
    platform::process::spawn_options options;
    options.input_file = input;
    options.output_file = output;
    platform::process::system_runner runner;
    auto result = runner.run(PROCESS_PROBE, {"echo"}, options);
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(read_file(output), "err\nfirst\nsecond\nfds=3\n");

    options.input_file = folder.file("missing.txt");
    auto missing = runner.run(PROCESS_PROBE, {"echo"}, options);
    EXPECT_FALSE(missing.started);
    EXPECT_NE(missing.error.find("missing.txt"), std::string::npos);
}

TEST(Process, AKeptPipeAndLinesReadOneByOneWithErrorsInAFile)
{
    platform::testing::temporary_folder folder;
    auto errors = folder.file("err.txt");
    platform::process::spawn_options options;
    options.input_pipe = true;
    options.output_lines = true;
    options.error_file = errors;
    std::string error;
    auto running = platform::process::child::spawn(PROCESS_PROBE, {"echo"}, options, error);
    ASSERT_TRUE(running) << error;

    std::string line;
    EXPECT_EQ(running->read_line(line, 50), platform::process::line_status::timed_out);
    ASSERT_TRUE(running->write_input("one\ntwo\nthree"));
    ASSERT_EQ(running->read_line(line, 10000), platform::process::line_status::line);
    EXPECT_EQ(line, "one");
    ASSERT_EQ(running->read_line(line, 10000), platform::process::line_status::line);
    EXPECT_EQ(line, "two");
    running->close_input();
    ASSERT_EQ(running->read_line(line, 10000), platform::process::line_status::line);
    EXPECT_EQ(line, "three");
    EXPECT_EQ(running->read_line(line, 10000), platform::process::line_status::ended);
    auto ended = running->wait(0xFFFFFFFFu);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->exit_code, 0);
    // Only the three standard descriptors reached the child.
    EXPECT_EQ(read_file(errors), "err\nfds=3\n");
    EXPECT_FALSE(running->write_input("late\n"));
}

TEST(Process, WritingToAChildThatEndedFailsWithoutASignal)
{
    platform::process::spawn_options options;
    options.input_pipe = true;
    options.output_lines = true;
    std::string error;
    auto running = platform::process::child::spawn(PROCESS_PROBE, {"exit", "0"}, options, error);
    ASSERT_TRUE(running) << error;
    ASSERT_TRUE(running->wait(0xFFFFFFFFu));
    EXPECT_FALSE(running->write_input(std::string(1 << 17, 'x')));

    options.output_file = "/dev/null";
    EXPECT_FALSE(platform::process::child::spawn(PROCESS_PROBE, {"exit", "0"}, options, error));
    EXPECT_NE(error.find("a pipe and a file at once"), std::string::npos);
}

TEST(Process, DetachedProgramRunsInItsOwnSession)
{
    platform::testing::temporary_folder folder;
    const auto fifo = folder.file("stat");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The shell execs cat in its own process, which reports its pid and session id.
    ASSERT_TRUE(platform::process::launch_detached("/bin/sh", {"-c", "exec cat /proc/self/stat > \"$0\"", fifo}));
    std::string stat = platform::testing::read_file(fifo); // blocks until the child has written
    std::istringstream fields(stat);
    std::string pid, name, state, parent, group, session;
    fields >> pid >> name >> state >> parent >> group >> session;
    EXPECT_EQ(session, pid) << stat;
    EXPECT_FALSE(platform::process::launch_detached(folder.file("no-such-program"), {}));
}

TEST(Process, EnvironmentEntriesReplaceOrJoinTheInheritedOnes)
{
    platform::process::spawn_options options;
    options.environment = {"LC_ALL=C", "PATH=/nowhere"};
    platform::process::system_runner runner;
    auto result = runner.run("/bin/sh", {"-c", "printf '%s|%s|%s' \"$LC_ALL\" \"$PATH\" \"$HOME\""}, options);
    ASSERT_TRUE(result.started) << result.error;
    const char* home = std::getenv("HOME");
    EXPECT_EQ(result.output, std::string("C|/nowhere|") + (home ? home : ""));
}
