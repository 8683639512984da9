#include "core/errors/wizard_thrower.h"
#include "core/tasks/monitor.h"

#include <cstring>
#include <future>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>
#include <vector>

using core::wait_result;

TEST(Monitor, NamesHoldTheObjectAndTheProcess)
{
    core::monitor first;
    core::monitor second;
    char pid[32];
    std::snprintf(pid, sizeof pid, "%lX", static_cast<unsigned long>(getpid()));
    EXPECT_EQ(first.name().rfind("monitor_", 0), 0u);
    EXPECT_NE(first.name(), second.name());
    EXPECT_EQ(first.name().substr(first.name().size() - std::strlen(pid)), pid);
    EXPECT_EQ(core::monitor("job_%lX_%lX").name().rfind("job_", 0), 0u);
}

TEST(Monitor, NestedAcquisitionsCountOnTheHoldingThread)
{
    core::monitor lock;
    {
        core::monitor_guard outer(lock);
        core::monitor_guard middle(lock, 0);
        EXPECT_EQ(lock.acquire(core::infinite_timeout, 1), wait_result::signalled);
        EXPECT_EQ(lock.lock_count(), 3);
        lock.release();
        EXPECT_EQ(lock.lock_count(), 2);
    }
    EXPECT_EQ(lock.lock_count(), 0);
    EXPECT_EQ(lock.holder(), 0u);
}

TEST(Monitor, ThreadsIncrementingUnderGuardsLoseNothing)
{
    core::monitor lock;
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i) {
                core::monitor_guard guard(lock);
                ++counter;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 4 * 5000);
    EXPECT_EQ(lock.lock_count(), 0);
}

TEST(Monitor, ATimedAcquireOfALockHeldElsewhereTimesOutKeepsTheCountAndReports)
{
    core::monitor lock;
    std::promise<void> held;
    std::promise<void> done;
    std::thread holder([&] {
        core::monitor_guard guard(lock);
        held.set_value();
        done.get_future().wait();
    });
    held.get_future().wait();

    core::set_current_thrower(&core::worker_thrower());
    EXPECT_EQ(lock.acquire(0, 2), wait_result::timed_out);
    EXPECT_EQ(lock.lock_count(), 1);
    try {
        core::monitor_guard guard(lock, 0);
        ADD_FAILURE() << "the guard took a lock held elsewhere";
    } catch (const hevtools::thread_synch_error& e) {
        EXPECT_EQ(e.outcome(), static_cast<std::uint32_t>(wait_result::timed_out));
        EXPECT_EQ(e.count(), 1u);
        EXPECT_NE(e.thread_id(), 0u);
    }
    EXPECT_EQ(lock.lock_count(), 1);
    // A release by a thread that holds nothing is reported and changes nothing.
    EXPECT_THROW(lock.release(), hevtools::thread_synch_error);
    EXPECT_EQ(lock.lock_count(), 1);
    core::set_current_thrower(nullptr);

    done.set_value();
    holder.join();
    EXPECT_EQ(lock.lock_count(), 0);
}
