#include "platform/threads/thread_queue.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace platform::threads;

TEST(ThreadQueue, PeekFiltersByRangeAndRemovesOnlyWhatItReturns)
{
    auto self = current_thread_id();
    ASSERT_NE(self, 0u);
    ASSERT_TRUE(post_thread_message(self, WM_USER + 1, 10, -1));
    ASSERT_TRUE(post_thread_message(self, WM_QUIT, 0, 0));
    ASSERT_TRUE(post_message(self, message {7, WM_USER + 2, 20, 2}));

    EXPECT_EQ(peek(0, 0, false), (message {0, WM_USER + 1, 10, -1}));
    EXPECT_EQ(peek(WM_QUIT, WM_QUIT, true), (message {0, WM_QUIT, 0, 0}));
    EXPECT_EQ(peek(WM_USER + 2, WM_USER + 9, false), (message {7, WM_USER + 2, 20, 2}));
    EXPECT_EQ(peek(WM_QUIT, WM_QUIT, true), std::nullopt);

    std::vector<std::uint32_t> left;
    while (auto next = peek(0, 0, true))
        left.push_back(next->id);
    EXPECT_EQ(left, (std::vector<std::uint32_t> {WM_USER + 1, WM_USER + 2}));
    EXPECT_FALSE(platform::threads::wait(0));
}

TEST(ThreadQueue, PostQuitMessageCarriesTheExitCode)
{
    post_quit_message(3);
    auto quit = peek(0, 0, true);
    ASSERT_TRUE(quit);
    EXPECT_EQ(quit->id, WM_QUIT);
    EXPECT_EQ(quit->wparam, 3u);
}

TEST(ThreadQueue, UnknownAndEndedThreadsRefusePosts)
{
    EXPECT_FALSE(post_thread_message(0, WM_USER, 0, 0));

    thread_id ended = 0;
    std::thread worker([&] { ended = current_thread_id(); });
    worker.join();
    ASSERT_NE(ended, 0u);
    EXPECT_FALSE(post_thread_message(ended, WM_USER, 0, 0));

    auto never_started = reserve_thread_queue();
    EXPECT_TRUE(post_thread_message(never_started, WM_USER, 0, 0));
    release_thread_queue(never_started);
    EXPECT_FALSE(post_thread_message(never_started, WM_USER, 0, 0));
    EXPECT_FALSE(attach_thread_queue(never_started));
}

TEST(ThreadQueue, AReservedQueueKeepsMessagesPostedBeforeItsThreadRuns)
{
    auto id = reserve_thread_queue();
    ASSERT_TRUE(post_thread_message(id, WM_USER + 5, 1, 0));
    post_thread_message(id, WM_QUIT, 0, 0);

    std::vector<std::uint32_t> seen;
    std::thread worker([&] {
        ASSERT_TRUE(attach_thread_queue(id));
        EXPECT_EQ(current_thread_id(), id);
        while (auto next = peek(0, 0, true))
            seen.push_back(next->id);
    });
    worker.join();
    EXPECT_EQ(seen, (std::vector<std::uint32_t> {WM_USER + 5, WM_QUIT}));
    EXPECT_FALSE(post_thread_message(id, WM_USER, 0, 0));
}

TEST(ThreadQueue, WaitWakesWhenAnotherThreadPosts)
{
    auto self = current_thread_id();
    std::thread poster([self] {
        for (std::uint32_t i = 0; i < 100; ++i)
            post_thread_message(self, WM_USER + i, i, 0);
    });
    std::vector<std::uint32_t> received;
    while (received.size() < 100) {
        ASSERT_TRUE(platform::threads::wait(INFINITE_WAIT));
        while (auto next = peek(0, 0, true))
            received.push_back(static_cast<std::uint32_t>(next->wparam));
    }
    poster.join();
    for (std::uint32_t i = 0; i < 100; ++i)
        EXPECT_EQ(received[i], i);
}
