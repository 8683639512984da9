#include "platform/com/com_error.h"
#include "platform/strings/string_table.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/testing/manual_clock.h"
#include "platform/ui/testing/scripted_host.h"
#include "platform/ui/worker_prompt.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

using namespace platform::ui;
namespace ui_testing = platform::ui::testing;

namespace {

struct ui_thread {
    ui_testing::ManualClock clock;
    MessageQueue queue {clock};
    std::vector<std::uint32_t> received;
    window_id window = 0;

    ui_thread()
    {
        window_options options;
        options.handler = [this](const message& m) {
            if (m.id >= WM_USER)
                received.push_back(m.id);
            return std::intptr_t {0};
        };
        window = queue.create_window(std::move(options));
    }
};

}

TEST(RunUntil, DispatchesPostsFromAnotherThreadUntilThePredicateHolds)
{
    ui_thread ui;
    std::jthread poster([&] {
        for (std::uint32_t i = 0; i < 200; ++i)
            ui.queue.post(ui.window, WM_USER + i);
    });
    EXPECT_TRUE(ui.queue.run_until([&] { return ui.received.size() == 200; }));
    EXPECT_EQ(ui.received.front(), WM_USER);
    EXPECT_EQ(ui.received.back(), WM_USER + 199);
    EXPECT_FALSE(ui.queue.quit_pending());
}

TEST(RunUntil, AQuitStopsTheDispatchingAndStaysPendingForRun)
{
    ui_thread ui;
    ui.queue.post(ui.window, WM_USER + 1);
    ui.queue.post_quit(7);
    ui.queue.post(ui.window, WM_USER + 2);
    EXPECT_FALSE(ui.queue.run_until([] { return false; }));
    EXPECT_EQ(ui.received, (std::vector<std::uint32_t> {WM_USER + 1}));
    EXPECT_TRUE(ui.queue.quit_pending());
    // A second wait returns at once: the quit is still pending, not taken again.
    EXPECT_FALSE(ui.queue.run_until([] { return false; }));
    EXPECT_EQ(ui.queue.run(), 7);
    EXPECT_FALSE(ui.queue.quit_pending());
}

TEST(RunUntil, WakesForADueTimer)
{
    ui_thread ui;
    int ticks = 0;
    window_options options;
    options.handler = [&](const message& m) {
        if (m.id == WM_TIMER) {
            ++ticks;
            ui.clock.advance(std::chrono::milliseconds(100));
        }
        return std::intptr_t {0};
    };
    auto timed = ui.queue.create_window(std::move(options));
    ui.queue.set_timer(timed, 1, std::chrono::milliseconds(100));
    ui.clock.advance(std::chrono::milliseconds(100));
    EXPECT_TRUE(ui.queue.run_until([&] { return ticks == 5; }));
}

TEST(BringToFront, RecordsOnlyAWindowThatExists)
{
    ui_thread ui;
    EXPECT_EQ(ui.queue.foreground_window(), 0u);
    ui.queue.bring_to_front(ui.window + 100);
    EXPECT_EQ(ui.queue.foreground_window(), 0u);
    ui.queue.bring_to_front(ui.window);
    EXPECT_EQ(ui.queue.foreground_window(), ui.window);
}

TEST(CallOnUiThread, RunsTheTaskOnTheUserInterfaceThreadWhileTheWorkerWaits)
{
    ui_thread ui;
    auto ui_id = current_thread_id();
    std::atomic<bool> finished {false};
    std::optional<ui_call_result> result;
    thread_id ran_on = 0;
    int value = 0;
    std::jthread worker([&] {
        result = ui.queue.ui_calls()->call_on_ui_thread([&] {
            ran_on = current_thread_id();
            value = 42;
        }, {});
        finished = true;
        ui.queue.post(ui.window, WM_USER);
    });
    EXPECT_TRUE(ui.queue.run_until([&] { return finished.load(); }));
    worker.join();
    EXPECT_EQ(result, ui_call_result::done);
    EXPECT_EQ(ran_on, ui_id);
    EXPECT_EQ(value, 42);
}

TEST(CallOnUiThread, PassesTheTasksExceptionToTheWorker)
{
    ui_thread ui;
    std::atomic<bool> finished {false};
    bool thrown = false;
    std::jthread worker([&] {
        try {
            (void)ui.queue.ui_calls()->call_on_ui_thread([] { throw std::runtime_error("refused"); }, {});
        } catch (const std::runtime_error&) {
            thrown = true;
        }
        finished = true;
        ui.queue.post(ui.window, WM_USER);
    });
    EXPECT_TRUE(ui.queue.run_until([&] { return finished.load(); }));
    worker.join();
    EXPECT_TRUE(thrown);
}

TEST(CallOnUiThread, IsAbandonedWhenStoppedOrWhenTheQueueEndsWhileWaiting)
{
    for (bool end_queue : {false, true}) {
        auto ui = std::make_unique<ui_thread>();
        auto calls = ui->queue.ui_calls();
        bool ran = false;
        std::optional<ui_call_result> result;
        std::jthread worker([&](std::stop_token stop) { result = calls->call_on_ui_thread([&] { ran = true; }, stop); });
        // The worker's call has arrived: it waits for this thread.
        ASSERT_TRUE(platform::threads::wait(INFINITE_WAIT));
        if (end_queue)
            ui.reset();
        else
            worker.request_stop();
        worker.join();
        if (ui)
            ui->queue.pump();
        EXPECT_EQ(result, ui_call_result::abandoned) << end_queue;
        EXPECT_FALSE(ran) << end_queue;
        // Later calls on an ended queue are abandoned at once.
        if (end_queue) {
            EXPECT_EQ(calls->call_on_ui_thread([&] { ran = true; }, {}), ui_call_result::abandoned);
        }
    }
}

TEST(WorkerPrompt, ShowsTheBoxOnTheUserInterfaceThreadAndReturnsTheAnswer)
{
    ui_thread ui;
    auto strings = platform::strings::string_table::parse("1149 \"MAPI is missing\"\n", "strings.txt");
    ui_testing::ScriptedHost host(strings);
    host.expect_message("MAPI is missing", platform::prompts::MB_ICONERROR, platform::prompts::IDOK);
    std::atomic<bool> finished {false};
    int answer = 0;
    std::jthread worker([&](std::stop_token stop) {
        worker_prompt prompt(host, ui.queue.ui_calls(), stop);
        answer = prompt.message_box(strings, 1149, platform::prompts::MB_ICONERROR);
        finished = true;
        ui.queue.post(ui.window, WM_USER);
    });
    EXPECT_TRUE(ui.queue.run_until([&] { return finished.load(); }));
    worker.join();
    EXPECT_EQ(answer, platform::prompts::IDOK);
}

TEST(WorkerPrompt, AnAbandonedBoxAbortsTheWorkersCommand)
{
    auto ui = std::make_unique<ui_thread>();
    auto strings = platform::strings::string_table::parse("20036 \"done\"\n", "strings.txt");
    ui_testing::ScriptedHost host(strings);
    bool aborted = false;
    std::jthread worker([&](std::stop_token stop) {
        worker_prompt prompt(host, ui->queue.ui_calls(), stop);
        try {
            prompt.message_box(strings, 20036, platform::prompts::MB_ICONINFORMATION);
        } catch (const command_aborted&) {
            aborted = true;
        }
    });
    ASSERT_TRUE(platform::threads::wait(INFINITE_WAIT));
    ui.reset();
    worker.join();
    EXPECT_TRUE(aborted);
    EXPECT_TRUE(host.messages_shown.empty());
}
