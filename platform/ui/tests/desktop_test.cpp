#include "platform/strings/string_table.h"
#include "platform/ui/desktop.h"
#include "platform/ui/testing/manual_clock.h"
#include "platform/ui/testing/scripted_host.h"

#include <gtest/gtest.h>

#include <thread>

using namespace platform::ui;
namespace ui_testing = platform::ui::testing;

// Code the program loads reaches the program's windows and host only while they are
// registered; a box it asks for from another thread is shown on the user-interface thread
// without that thread waiting for the asker.
TEST(Desktop, PostsAndBoxesReachTheRegisteredPairOnly)
{
    platform::strings::string_table strings;
    ui_testing::ManualClock clock;
    MessageQueue queue(clock);
    ui_testing::ScriptedHost host(strings);
    host.set_ui_queue(&queue);
    std::vector<std::uintptr_t> received;
    window_options options;
    options.handler = [&](const message& m) -> std::intptr_t {
        if (m.id == 0xCCCD)
            received.push_back(m.wparam);
        return 0;
    };
    auto window = queue.create_window(options);

    EXPECT_FALSE(post_to_desktop(window, 0xCCCD, 1, 0));
    EXPECT_FALSE(run_on_desktop([](UiHost&) { FAIL() << "no desktop: nothing runs"; }));

    set_desktop(&queue, &host);
    EXPECT_EQ(desktop().queue, &queue);
    EXPECT_EQ(desktop().host, &host);
    std::thread poster([&] { EXPECT_TRUE(post_to_desktop(window, 0xCCCD, 2, 0)); });
    poster.join();
    EXPECT_FALSE(post_to_desktop(window + 1000, 0xCCCD, 3, 0)); // no such window
    host.expect_message("The table could not be read", MB_OK | MB_ICONERROR, IDOK);
    bool shown = false;
    std::thread asker([&] {
        EXPECT_TRUE(run_on_desktop([&](UiHost& on) {
            on.message_box("The table could not be read", MB_OK | MB_ICONERROR, "Error");
            shown = true;
        }));
    });
    asker.join(); // returned before the box was shown
    EXPECT_TRUE(queue.run_until([&] { return shown; }));
    queue.pump();
    EXPECT_EQ(received, std::vector<std::uintptr_t> {2});

    set_desktop(nullptr, nullptr);
    EXPECT_FALSE(post_to_desktop(window, 0xCCCD, 4, 0));
    host.set_ui_queue(nullptr);
}
