#include "core/files/file_path.h"
#include "core/files/file_text.h"
#include "core/tools/console_tool.h"
#include "core/util/program_environment.h"
#include "platform/testing/scripted_runner.h"
#include "platform/testing/temporary_folder.h"
#include "platform/testing/file_contents.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

using core::console_tool;

using platform::testing::read_file;

namespace {

core::console_tool_file_ref probe_tool()
{
    return std::make_shared<core::console_tool_file>(core::console_tool_file {"probe", PROCESS_PROBE, ""});
}

}

TEST(ConsoleTool, ExitCodesReachTheCallerUnchanged)
{
    struct row {
        std::vector<std::string> arguments;
        int code;
    } rows[] = {
        {{"exit", "0"}, 0},
        {{"exit", "3"}, 3},
        {{"signal", std::to_string(SIGTERM)}, 128 + SIGTERM},
    };
    for (const auto& r : rows) {
        console_tool run(probe_tool(), r.arguments);
        EXPECT_EQ(run.console_tool_exit_code(), r.code) << r.arguments[1];
        EXPECT_EQ(run.error_text(), "");
    }
}

TEST(ConsoleTool, ArgumentsAndFolderArriveAsGiven)
{
    platform::testing::temporary_folder folder;
    console_tool run(probe_tool(), {"report", "a b", "\"q\"", "$(x)", core::tool_file_argument("-x.txt"), ""},
        folder.path());
    ASSERT_EQ(run.console_tool_exit_code(), 0) << run.error_text();
    char resolved[4096];
    ASSERT_TRUE(realpath(folder.path().c_str(), resolved));
    EXPECT_EQ(run.output(), "cwd=" + std::string(resolved)
            + "\nfds=0,1,2\nstdin=eof\narg=a b\narg=\"q\"\narg=$(x)\narg=./-x.txt\narg=\n");
}

TEST(ConsoleTool, StandardInputAndOutputCanBeFiles)
{
    platform::testing::temporary_folder folder;
    std::ofstream(folder.path() + "/in.txt") << "line\n";
    platform::process::spawn_options options(folder.path());
    options.input_file = folder.path() + "/in.txt";
    options.output_file = folder.path() + "/out.txt";
    console_tool run(probe_tool(), {"echo"}, options);
    ASSERT_EQ(run.console_tool_exit_code(), 0) << run.error_text();
    EXPECT_EQ(run.output(), "");
    EXPECT_EQ(read_file(folder.path() + "/out.txt"), "err\nline\nfds=3\n");
}

TEST(ConsoleTool, AMissingToolGivesMinusOneAndSaysWhatToInstall)
{
    platform::testing::temporary_folder empty;
    ::setenv("PATH", empty.path().c_str(), 1);
    auto tar = core::console_tool_init_from_resource(core::tar_tool_id);
    EXPECT_EQ(tar->path, "");
    console_tool run(tar, {"-cf", "x.tar", "--", "a"});
    EXPECT_EQ(run.console_tool_exit_code(), -1);
    EXPECT_EQ(run.error_text(), "tar was not found on PATH; install the Debian package tar");

    auto mismatched = core::console_tool_init_from_resource(core::zip_tool_id, "tar");
    EXPECT_EQ(mismatched->path, "");
    EXPECT_EQ(mismatched->error_text, "the resource id 441 names zip, not tar");

    console_tool unknown(core::console_tool_init_from_resource(7), {});
    EXPECT_EQ(unknown.console_tool_exit_code(), -1);
    EXPECT_EQ(unknown.error_text(), "no console tool has the resource id 7");

    auto vanished = std::make_shared<core::console_tool_file>(core::console_tool_file {"zip", "/nonexistent/zip", ""});
    console_tool never_started(vanished, {});
    EXPECT_EQ(never_started.console_tool_exit_code(), -1);
    EXPECT_NE(never_started.error_text(), "");
}

TEST(ConsoleTool, CallersCanScriptTheRunner)
{
    platform::testing::scripted_runner runner;
    platform::process::run_result failed;
    failed.started = true;
    failed.exit_code = 2;
    failed.output = "zip error: Nothing to do!";
    runner.answer(failed);
    core::set_console_tool_runner(&runner);
    auto zip = std::make_shared<core::console_tool_file>(core::console_tool_file {"zip", "/usr/bin/zip", ""});
    console_tool run(zip, {"-q", "job.gz", "job.tar"}, "/work/job");
    EXPECT_EQ(run.console_tool_exit_code(), 2);
    EXPECT_EQ(run.output(), "zip error: Nothing to do!");
    core::set_console_tool_runner(nullptr);
    ASSERT_EQ(runner.calls().size(), 1u);
    EXPECT_EQ(runner.calls()[0].program, "/usr/bin/zip");
    EXPECT_EQ(runner.calls()[0].arguments, (std::vector<std::string> {"-q", "job.gz", "job.tar"}));
    EXPECT_EQ(runner.calls()[0].folder, "/work/job");
}

TEST(ConsoleTool, RealToolsRoundTripAwkwardNames)
{
    auto tar = core::console_tool_init_from_resource(core::tar_tool_id);
    auto zip = core::console_tool_init_from_resource(core::zip_tool_id);
    auto unzip = core::console_tool_init_from_resource(core::unzip_tool_id);
    ASSERT_NE(tar->path, "") << tar->error_text;
    ASSERT_NE(zip->path, "") << zip->error_text;
    ASSERT_NE(unzip->path, "") << unzip->error_text;

    platform::testing::temporary_folder work;
    auto source = work.file("source");
    ::mkdir(source.c_str(), 0700);
    const std::vector<std::string> names {"a b.txt", "n\xC3\xA4m\xC3\xA9.txt", "-lead.txt"};
    for (const auto& name : names)
        std::ofstream(source + "/" + name, std::ios::binary) << "content of " << name << "\n";

    // Archive names are fresh names only: zip refuses an existing empty file.
    auto archive = core::temp_file_path_init_in_folder(work.path(), "", "tar", true);
    auto packed = core::temp_file_path_init_in_folder(work.path(), "", "gz", true);
    ASSERT_FALSE(packed.exists());

    std::vector<std::string> tar_arguments {"-cf", archive.path(), "--"};
    tar_arguments.insert(tar_arguments.end(), names.begin(), names.end());
    console_tool pack(tar, tar_arguments, source);
    ASSERT_EQ(pack.console_tool_exit_code(), 0) << pack.output();
    console_tool compress(zip, {"-q", "-j", packed.path(), archive.path()});
    ASSERT_EQ(compress.console_tool_exit_code(), 0) << compress.output();

    console_tool list_zip(unzip, {"-l", packed.path()});
    ASSERT_EQ(list_zip.console_tool_exit_code(), 0);
    EXPECT_NE(list_zip.output().find(archive.file_name()), std::string::npos) << list_zip.output();

    auto unpacked = work.file("unpacked");
    auto restored = work.file("restored");
    ::mkdir(unpacked.c_str(), 0700);
    ::mkdir(restored.c_str(), 0700);
    console_tool expand(unzip, {"-o", "-q", packed.path(), "-d", unpacked});
    ASSERT_EQ(expand.console_tool_exit_code(), 0) << expand.output();
    auto inner = unpacked + "/" + archive.file_name();
    console_tool list_tar(tar, {"-tf", inner});
    ASSERT_EQ(list_tar.console_tool_exit_code(), 0);
    EXPECT_EQ(list_tar.output(), names[0] + "\n" + names[1] + "\n" + names[2] + "\n");
    console_tool extract(tar, {"-xf", inner}, restored);
    ASSERT_EQ(extract.console_tool_exit_code(), 0) << extract.output();
    for (const auto& name : names)
        EXPECT_EQ(read_file(restored + "/" + name), read_file(source + "/" + name)) << name;

    console_tool broken(tar, {"-xf", work.file("missing.tar")}, restored);
    EXPECT_EQ(broken.console_tool_exit_code(), 2);
    EXPECT_NE(broken.output(), "");
}

TEST(ConsoleTool, AChildsEndIsWaitedForLikeATasksEnd)
{
    std::string error;
    auto running = platform::process::child::spawn(PROCESS_PROBE, {"pause"}, "", error);
    ASSERT_TRUE(running) << error;
    core::child_end end(*running);
    EXPECT_EQ(core::wait_for(end, 0), core::wait_result::timed_out);
    ::kill(running->pid(), SIGTERM);
    EXPECT_EQ(core::wait_for(end, core::infinite_timeout), core::wait_result::signalled);
    EXPECT_EQ(running->wait(0)->exit_code, 128 + SIGTERM);
}

TEST(ConsoleTool, AFileSizeCapEndsAToolWritingPastIt)
{
    platform::testing::temporary_folder folder;
    auto sh = std::make_shared<core::console_tool_file>(core::console_tool_file {"sh", "/bin/sh", ""});
    struct row {
        std::uint64_t bytes;
        bool within;
    } rows[] = {{4096, true}, {4097, false}};
    for (const auto& r : rows) {
        console_tool run(sh, {"-c", "head -c " + std::to_string(r.bytes) + " /dev/zero > big"}, folder.path());
        run.limit_file_size(4096);
        int code = run.console_tool_exit_code();
        EXPECT_EQ(code == 0, r.within) << r.bytes << ": " << code << " " << run.error_text();
        EXPECT_LE(core::get_file_size(folder.file("big")), 4096u);
    }
}
