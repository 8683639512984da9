#include "shell/view/program_ui_queue.h"

#include "platform/ui/messages.h"
#include "platform/ui/tick_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;
using shell::ProgramUiQueue;
using pump_result = html::ui_queue::pump_result;

namespace {

struct queue_fixture {
    platform::ui::steady_tick_clock ticks;
    platform::ui::MessageQueue queue {ticks};
    std::vector<std::uint32_t> user_messages;

    platform::ui::window_id user_window()
    {
        platform::ui::window_options options;
        options.handler = [this](const platform::ui::message& message) {
            if (message.id >= platform::ui::WM_USER)
                user_messages.push_back(message.id);
            return std::intptr_t {0};
        };
        return queue.create_window(std::move(options));
    }
};

}

TEST(ProgramUiQueue, TasksFromWorkersRunOnTheProgramsLoopWhichEndsWithTheLastUserWindow)
{
    queue_fixture f;
    ProgramUiQueue pages(f.queue);
    const auto window = f.user_window();
    std::vector<int> ran;
    std::thread worker([&] {
        pages.post([&] { ran.push_back(1); });
        pages.post([&, window] {
            ran.push_back(2);
            f.queue.destroy_window(window);
        });
    });
    worker.join();
    // The service window alone does not keep the loop running.
    EXPECT_EQ(f.queue.run(), 0);
    EXPECT_EQ(ran, (std::vector<int> {1, 2}));
    EXPECT_EQ(f.queue.window_count(), 1u);
    EXPECT_EQ(f.queue.user_window_count(), 0u);
}

TEST(ProgramUiQueue, APumpDispatchesTheProgramsMessagesUntilATaskRunsOrTheDeadlinePasses)
{
    queue_fixture f;
    ProgramUiQueue pages(f.queue);
    const auto window = f.user_window();
    f.queue.post(window, platform::ui::WM_USER + 5);
    bool ran = false;
    pages.post([&] { ran = true; });
    EXPECT_EQ(pages.pump_one(pages.now() + 10s, nullptr), pump_result::dispatched);
    EXPECT_TRUE(ran);
    EXPECT_EQ(f.user_messages, (std::vector<std::uint32_t> {platform::ui::WM_USER + 5}))
        << "a message posted before the task is not held back";

    // Nothing posted: the deadline's timer wakes the wait.
    EXPECT_EQ(pages.pump_one(pages.now() + 5ms, nullptr), pump_result::timed_out);
    EXPECT_EQ(pages.pump_one(pages.now() - 1ms, nullptr), pump_result::timed_out);
    EXPECT_EQ(f.queue.window_count(), 2u) << "the deadline timer leaves no window behind";
}

TEST(ProgramUiQueue, AQuitMetWhilePumpingIsReportedAndStaysForTheProgramsLoopOnce)
{
    queue_fixture f;
    ProgramUiQueue pages(f.queue);
    f.user_window();
    f.queue.post_quit(7);
    int code = 0;
    EXPECT_EQ(pages.pump_one(pages.now() + 10s, &code), pump_result::quit);
    EXPECT_EQ(code, 7);
    // The waiting loader hands the quit back: it is not queued twice.
    pages.post_quit(code);
    EXPECT_EQ(f.queue.run(), 7);
    bool ran = false;
    pages.post([&] { ran = true; });
    f.queue.pump();
    EXPECT_TRUE(ran) << "no second quit was left in the queue";
}

TEST(ProgramUiQueue, ATaskThatPumpsAgainHasItsOwnDeadline)
{
    queue_fixture f;
    ProgramUiQueue pages(f.queue);
    pump_result inner = pump_result::dispatched;
    bool second = false;
    pages.post([&] {
        inner = pages.pump_one(pages.now() + 5ms, nullptr);
        pages.post([&] { second = true; });
    });
    EXPECT_EQ(pages.pump_one(pages.now() + 10s, nullptr), pump_result::dispatched);
    EXPECT_EQ(inner, pump_result::timed_out);
    EXPECT_EQ(pages.pump_one(pages.now() + 10s, nullptr), pump_result::dispatched);
    EXPECT_TRUE(second);
}

TEST(ProgramUiQueue, TasksStillQueuedWhenTheAdapterGoesAreDropped)
{
    queue_fixture f;
    auto pages = std::make_unique<ProgramUiQueue>(f.queue);
    bool ran = false;
    pages->post([&] { ran = true; });
    pages.reset();
    f.queue.pump();
    EXPECT_FALSE(ran);
}
