#include "broadcast/child/run_hidden_and_wait.h"
#include "platform/testing/temporary_folder.h"
#include "platform/ui/testing/manual_clock.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform::ui;

namespace {

// The user-interface thread of a test: a main window, and a second window whose posted
// messages run the test's steps while the child runs.
struct runner_fixture {
    platform::testing::temporary_folder root;
    platform::ui::testing::ManualClock clock;
    MessageQueue queue {clock};
    window_id main = 0;
    window_id steps = 0;
    std::function<void(const message&)> on_step;

    runner_fixture()
    {
        main = queue.create_window({});
        queue.set_main_window(main);
        window_options options;
        options.handler = [this](const message& m) {
            if (m.id >= WM_USER && on_step)
                on_step(m);
            return std::intptr_t {0};
        };
        steps = queue.create_window(std::move(options));
    }

    // A greetings file whose editor waits on a named pipe until release() is called.
    std::string held_editor()
    {
        auto greetings = root.file("held.greetings");
        std::ofstream(greetings) << "page";
        EXPECT_EQ(::mkfifo(root.file("hold").c_str(), 0600), 0);
        std::ofstream(greetings + ".script") << "fifo=" << root.file("hold") << " bodies=0 exit=3";
        return greetings;
    }
    void release() { ::close(::open(root.file("hold").c_str(), O_WRONLY)); }
};

}

TEST(RunHiddenAndWait, DisablesTheWindowAndDispatchesWhileTheChildRuns)
{
    runner_fixture ui;
    auto greetings = ui.held_editor();
    std::vector<bool> enabled_seen;
    ui.on_step = [&](const message& m) {
        enabled_seen.push_back(ui.queue.is_enabled(ui.main));
        if (m.id == WM_USER + 1)
            ui.release();
    };
    ui.queue.post(ui.steps, WM_USER);
    ui.queue.post(ui.steps, WM_USER + 1);
    auto result = broadcast::run_hidden_and_wait(ui.queue, FAKE_GREETINGS_EDITOR, {"-FormGreetingsEditMode", greetings});
    EXPECT_TRUE(result.started) << result.error;
    EXPECT_EQ(result.exit_code, 3);
    EXPECT_EQ(enabled_seen, (std::vector<bool> {false, false}));
    EXPECT_TRUE(ui.queue.is_enabled(ui.main));
    EXPECT_EQ(ui.queue.foreground_window(), ui.main);
}

TEST(RunHiddenAndWait, AQuitStaysPendingAndTheChildIsStillWaitedFor)
{
    runner_fixture ui;
    auto greetings = ui.held_editor();
    int steps_run = 0;
    ui.on_step = [&](const message&) {
        ++steps_run;
        // The quit comes while the child runs; the child ends only after it.
        ui.queue.post_quit(5);
        ui.queue.post(ui.steps, WM_USER + 9);
        ui.release();
    };
    ui.queue.post(ui.steps, WM_USER);
    auto result = broadcast::run_hidden_and_wait(ui.queue, FAKE_GREETINGS_EDITOR, {"-FormGreetingsEditMode", greetings});
    EXPECT_EQ(result.exit_code, 3);
    EXPECT_EQ(steps_run, 1);
    EXPECT_TRUE(ui.queue.is_enabled(ui.main));
    EXPECT_TRUE(ui.queue.quit_pending());
    EXPECT_EQ(ui.queue.run(), 5);
    // Taken once: what was posted after it is dispatched by the next loop.
    ui.on_step = [&](const message& m) {
        if (m.id == WM_USER + 9)
            ui.queue.destroy_window(ui.steps);
    };
    ui.queue.destroy_window(ui.main);
    EXPECT_EQ(ui.queue.run(), 0);
}

TEST(RunHiddenAndWait, AProgramThatCannotStartLeavesTheWindowUntouched)
{
    runner_fixture ui;
    bool dispatched = false;
    ui.on_step = [&](const message&) { dispatched = true; };
    ui.queue.post(ui.steps, WM_USER);
    auto result = broadcast::run_hidden_and_wait(ui.queue, ui.root.file("no-such-program"), {});
    EXPECT_FALSE(result.started);
    EXPECT_FALSE(result.error.empty());
    EXPECT_FALSE(dispatched);
    EXPECT_TRUE(ui.queue.is_enabled(ui.main));
    EXPECT_EQ(ui.queue.foreground_window(), 0u);
}
