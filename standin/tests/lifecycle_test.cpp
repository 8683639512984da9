#include "platform/process/process.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/temporary_folder.h"
#include "standin/fixture/quorbis_stand_in.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <poll.h>
#include <set>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Whether the process (not necessarily our child) is gone within the time-out.
bool gone_within(int pid, int timeout_ms)
{
    int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0)
        return errno == ESRCH;
    pollfd ended {fd, POLLIN, 0};
    bool result = ::poll(&ended, 1, timeout_ms) == 1;
    ::close(fd);
    return result;
}

}

TEST(Lifecycle, TwoStandInsGetDistinctPortsAndStartQuickly)
{
    auto start = std::chrono::steady_clock::now();
    standin::QuorbisStandIn first;
    auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "stand-in start-up, certificates included: " << elapsed << " s\n";
    standin::QuorbisStandIn second;
    std::set<std::uint16_t> ports;
    for (const auto* stand_in : {&first, &second}) {
        for (const char* name : {"http", "http2", "https", "ftp", "smtp", "refused"}) {
            EXPECT_NE(stand_in->port(name), 0) << name;
            ports.insert(stand_in->port(name));
        }
    }
    EXPECT_EQ(ports.size(), 12u);
    EXPECT_NE(first.ca_file(), second.ca_file());
}

TEST(Lifecycle, ClosingItsInputEndsItAndItsPrivateFolderGoes)
{
    standin::QuorbisStandIn stand_in;
    auto private_folder = stand_in.ca_file().substr(0, stand_in.ca_file().rfind("/tls/"));
    ASSERT_EQ(::access(private_folder.c_str(), F_OK), 0);
    ASSERT_EQ(::access((standin::pid_folder() + "/" + std::to_string(stand_in.pid())).c_str(), F_OK), 0);
    EXPECT_TRUE(stand_in.stop());
    EXPECT_NE(::access(private_folder.c_str(), F_OK), 0);
    EXPECT_NE(::access((standin::pid_folder() + "/" + std::to_string(stand_in.pid())).c_str(), F_OK), 0);
    EXPECT_EQ(::access(stand_in.record_folder().c_str(), F_OK), 0);
}

TEST(Lifecycle, ItsLifetimeEndsIt)
{
    standin::stand_in_options options;
    options.lifetime_seconds = 1;
    standin::QuorbisStandIn stand_in(options);
    EXPECT_TRUE(gone_within(stand_in.pid(), 10000));
}

TEST(Lifecycle, AnAbortingTestLeavesNone)
{
    platform::process::system_runner runner;
    auto result = runner.run(STANDIN_ABORT_PROBE, {}, "");
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_EQ(result.signal, SIGABRT);
    auto pid = std::atoi(result.output.c_str());
    ASSERT_GT(pid, 0) << result.output;
    EXPECT_TRUE(gone_within(pid, 10000));
}

TEST(Lifecycle, AServerDyingGivesAnErrorNotAHang)
{
    standin::QuorbisStandIn stand_in;
    ::kill(stand_in.pid(), SIGKILL);
    EXPECT_THROW(stand_in.wait_for(1), standin::stand_in_error);
}

TEST(Lifecycle, ABrokenPython3FirstOnPathDoesNotMatter)
{
    platform::testing::temporary_folder folder;
    platform::testing::write_file(folder.file("python3"), "#!/bin/sh\nexit 97\n");
    ::chmod(folder.file("python3").c_str(), 0755);
    std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (folder.path() + ":" + saved).c_str(), 1);
    std::unique_ptr<standin::QuorbisStandIn> stand_in;
    EXPECT_NO_THROW(stand_in = std::make_unique<standin::QuorbisStandIn>());
    ::setenv("PATH", saved.c_str(), 1);
    ASSERT_TRUE(stand_in);
    EXPECT_NE(stand_in->port("http"), 0);
}
