// A save killed at any instant leaves, once recovered, the whole old message or the whole
// new one: a child process saves version 2 over version 1 and is killed at each step of
// the commit and at random instants of the save.
#include "message_document_fixture.h"

#include "core/files/file_tree.h"

#include <chrono>
#include <csignal>
#include <ctime>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace shell {
namespace {

using testing::document_snapshot;
using testing::snapshot_document;

namespace fs = std::filesystem;

const std::string page_1 = "<html><body><p>version 1</p></body></html>";
const std::string page_2 = "<html><body><p>version 2 with more text</p></body></html>";

struct document_save_kill : testing::message_document_fixture, ::testing::Test {
    document_files files;
    std::string backup = test.root.path() + "/backup";
    document_snapshot old_version;

    void SetUp() override
    {
        ASSERT_TRUE(save_as("news.htm", page_1));
        files = files_of(path("news"));
        ASSERT_EQ(core::copy_tree(folder_path, backup + "/docs"), "");
        ASSERT_EQ(core::copy_tree(manager().dictionaries_folder(), backup + "/dictionaries"), "");
        old_version = snapshot_document(files);
    }

    void restore()
    {
        fs::remove_all(folder_path);
        fs::remove_all(manager().dictionaries_folder());
        ASSERT_EQ(core::copy_tree(backup + "/docs", folder_path), "");
        ASSERT_EQ(core::copy_tree(backup + "/dictionaries", manager().dictionaries_folder()), "");
        ASSERT_EQ(snapshot_document(files), old_version);
    }

    // The wait status of a child that arms its end, then saves version 2.
    int save_in_child(const std::function<void()>& arm)
    {
        pid_t pid = ::fork();
        if (pid == 0) {
            arm();
            view.page = page_2;
            ::_exit(doc().DoFileSave() ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return status;
    }
};

// A timer that delivers SIGKILL to the process after the delay.
void kill_after(std::chrono::nanoseconds delay)
{
    sigevent event {};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = SIGKILL;
    timer_t timer {};
    if (::timer_create(CLOCK_MONOTONIC, &event, &timer) != 0)
        ::_exit(3);
    itimerspec when {};
    auto ns = std::max<long long>(delay.count(), 1);
    when.it_value.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    when.it_value.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    if (::timer_settime(timer, 0, &when, nullptr) != 0)
        ::_exit(3);
}

TEST_F(document_save_kill, killed_save_recovers_to_all_old_or_all_new)
{
    const auto started = std::chrono::steady_clock::now();
    int status = save_in_child([] { });
    const auto save_time = std::chrono::steady_clock::now() - started;
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const auto new_version = snapshot_document(files);
    ASSERT_NE(new_version, old_version);

    for (int step = 0; step <= static_cast<int>(save_step::remove_record); ++step) {
        SCOPED_TRACE("killed at step " + std::to_string(step));
        restore();
        status = save_in_child([this, step] {
            doc().set_save_step_hook([step](save_step now) {
                if (static_cast<int>(now) == step)
                    ::raise(SIGKILL);
                return true;
            });
        });
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        EXPECT_EQ(recover_document(files), "");
        EXPECT_EQ(snapshot_document(files), step <= static_cast<int>(save_step::write_record) ? old_version : new_version);
    }

    const unsigned seed = 20261211;
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<long long> instant(0, std::chrono::nanoseconds(save_time).count() * 3 / 2);
    int killed = 0;
    for (int run = 0; run < 50; ++run) {
        const auto delay = std::chrono::nanoseconds(instant(random));
        SCOPED_TRACE("seed " + std::to_string(seed) + ", run " + std::to_string(run) + ", "
            + std::to_string(delay.count()) + " ns");
        restore();
        status = save_in_child([delay] { kill_after(delay); });
        ASSERT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << status;
        killed += WIFSIGNALED(status);
        EXPECT_EQ(recover_document(files), "");
        const auto now = snapshot_document(files);
        EXPECT_TRUE(now == old_version || now == new_version);
    }
    std::printf("%d of 50 saves were killed before their end\n", killed);
}

}
}
