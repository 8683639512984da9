#include "platform/com/com_error.h"
#include "platform/testing/scripted_prompt.h"
#include "platform/testing/test_services.h"
#include "platform/ui/application.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/testing/manual_clock.h"
#include "platform/ui/testing/scripted_host.h"

#include <gtest/gtest.h>
#include <thread>

using namespace platform::ui;
namespace ui_testing = platform::ui::testing;
using namespace std::chrono_literals;

namespace {

struct queue_fixture {
    ui_testing::ManualClock clock;
    MessageQueue queue {clock};
    std::vector<message> received;

    window_id make_window(window_id owner = 0)
    {
        window_options options;
        options.owner = owner;
        options.handler = [this](const message& m) {
            if (m.id != WM_CREATE && m.id != WM_DESTROY && m.id != WM_NCDESTROY)
                received.push_back(m);
            return std::intptr_t {0};
        };
        return queue.create_window(std::move(options));
    }
};

std::vector<std::uint32_t> ids(const std::vector<message>& messages)
{
    std::vector<std::uint32_t> out;
    for (const auto& m : messages)
        out.push_back(m.id);
    return out;
}

}

TEST(MessageQueue, PostedMessagesComeInOrderThenCoalescedTimers)
{
    queue_fixture f;
    window_id w = f.make_window();
    f.queue.set_timer(w, 7, 100ms);
    f.queue.set_timer(w, 8, 250ms);
    f.clock.advance(1000ms); // many periods of both: one WM_TIMER each
    f.queue.post(w, WM_USER + 1);
    f.queue.post(w, WM_USER + 2);
    EXPECT_EQ(f.queue.pump(), 4);
    EXPECT_EQ(ids(f.received), (std::vector<std::uint32_t> {WM_USER + 1, WM_USER + 2, WM_TIMER, WM_TIMER}));
    EXPECT_EQ(f.received[2].wparam, 7u);
    EXPECT_EQ(f.received[3].wparam, 8u);
    EXPECT_EQ(f.queue.pump(), 0); // next due a period after firing
    f.clock.advance(100ms);
    EXPECT_EQ(f.queue.pump(), 1);
    f.queue.kill_timer(w, 7);
    f.clock.advance(1000ms);
    EXPECT_EQ(f.queue.pump(), 1); // timer 8 only
}

TEST(MessageQueue, PostsFromFourThreadsDuringAPumpAllArriveInEachThreadsOrder)
{
    queue_fixture f;
    window_id w = f.make_window();
    std::vector<std::thread> posters;
    for (std::uintptr_t t = 0; t < 4; ++t)
        posters.emplace_back([&f, w, t] {
            for (std::intptr_t i = 0; i < 250; ++i)
                EXPECT_TRUE(f.queue.post(w, WM_USER, t, i));
        });
    f.queue.pump_until([&] { return f.received.size() == 1000; });
    for (auto& poster : posters)
        poster.join();
    f.queue.pump();
    ASSERT_EQ(f.received.size(), 1000u);
    std::intptr_t last[4] = {-1, -1, -1, -1};
    for (const auto& m : f.received) {
        EXPECT_GT(m.lparam, last[m.wparam]);
        last[m.wparam] = m.lparam;
    }
}

TEST(MessageQueue, WindowsLiveAndDieInOrderAndIdsAreNeverReused)
{
    queue_fixture f;
    std::vector<std::string> events;
    auto make = [&](std::string name, window_id owner) {
        window_options options;
        options.owner = owner;
        options.handler = [&events, name](const message& m) {
            if (m.id == WM_DESTROY)
                events.push_back(name + " WM_DESTROY");
            if (m.id == WM_NCDESTROY)
                events.push_back(name + " WM_NCDESTROY");
            return std::intptr_t {0};
        };
        options.on_destroyed = [&events, name] { events.push_back(name + " told"); };
        return f.queue.create_window(std::move(options));
    };
    window_id main = make("main", 0);
    window_id owned = make("owned", main);
    f.queue.set_main_window(main);
    EXPECT_TRUE(f.queue.destroy_window(main));
    EXPECT_EQ(events, (std::vector<std::string> {"owned WM_DESTROY", "owned WM_NCDESTROY", "owned told",
                          "main WM_DESTROY", "main WM_NCDESTROY", "main told"}));
    EXPECT_EQ(f.queue.main_window(), 0u);
    EXPECT_FALSE(f.queue.post(owned, WM_USER));
    window_id next = f.make_window();
    EXPECT_NE(next, main);
    EXPECT_NE(next, owned);
    EXPECT_FALSE(f.queue.post(main, WM_USER));

    // A window whose creation handler answers -1 is not made.
    window_options refusing;
    refusing.handler = [](const message& m) { return m.id == WM_CREATE ? std::intptr_t {-1} : std::intptr_t {0}; };
    EXPECT_EQ(f.queue.create_window(std::move(refusing)), 0u);
    EXPECT_EQ(f.queue.window_count(), 1u);
}

TEST(MessageQueue, DisabledWindowGetsNoInputAndCentringUsesOwnerOrScreen)
{
    queue_fixture f;
    window_id w = f.make_window();
    f.queue.enable_window(w, false);
    EXPECT_FALSE(f.queue.post(w, WM_LBUTTONDOWN));
    EXPECT_TRUE(f.queue.post(w, WM_USER));
    f.queue.enable_window(w, true);
    f.queue.post(w, WM_KEYDOWN);
    f.queue.enable_window(w, false); // disabled before the key is dispatched
    f.queue.pump();
    EXPECT_EQ(ids(f.received), std::vector<std::uint32_t> {WM_USER});

    f.queue.move_window(w, {0, 0, 200, 100});
    f.queue.centre_window(w);
    EXPECT_EQ(f.queue.bounds(w), (rect {412, 334, 612, 434}));
    f.queue.move_window(w, {10, 10, 410, 310});
    window_id child = f.make_window(w);
    f.queue.move_window(child, {0, 0, 100, 100});
    f.queue.centre_window(child);
    EXPECT_EQ(f.queue.bounds(child), (rect {160, 110, 260, 210}));
}

TEST(MessageQueue, KeyStateFollowsTheKeyMessagesDispatched)
{
    queue_fixture f;
    window_id w = f.make_window();
    EXPECT_FALSE(f.queue.key_state(17));
    f.queue.post(w, WM_KEYDOWN, 17);
    f.queue.post(w, WM_KEYDOWN, 'S');
    f.queue.pump();
    EXPECT_TRUE(f.queue.key_state(17));
    EXPECT_TRUE(f.queue.key_state('S'));
    f.queue.post(w, WM_KEYUP, 17);
    f.queue.pump();
    EXPECT_FALSE(f.queue.key_state(17));
    EXPECT_TRUE(f.queue.key_state('S'));
}

TEST(MessageQueue, RunEndsOnQuitOrWhenNoWindowIsLeft)
{
    queue_fixture f;
    EXPECT_EQ(f.queue.run(), 0);
    window_id w = f.make_window();
    f.queue.post(w, WM_USER);
    f.queue.post_quit(3);
    f.queue.post(w, WM_USER + 1);
    EXPECT_EQ(f.queue.pump(), 1); // stops at the quit
    EXPECT_EQ(f.queue.run(), 3);
    EXPECT_EQ(ids(f.received), std::vector<std::uint32_t> {WM_USER});
    f.queue.pump();
    EXPECT_EQ(ids(f.received), (std::vector<std::uint32_t> {WM_USER, WM_USER + 1}));
}

TEST(Application, ThrowingHandlerCostsOneMessageAndTheLoopGoesOn)
{
    platform::testing::test_services services;
    ui_testing::ManualClock clock;
    MessageQueue queue(clock);
    ui_testing::ScriptedHost host(services.services.strings);
    struct app final : Application {
        using Application::Application;
        bool InitInstance() override { return true; }
    } application(queue, host);

    std::vector<int> handled;
    window_options options;
    options.handler = [&](const message& m) -> std::intptr_t {
        if (m.id == WM_USER + 1)
            throw std::runtime_error("the handler failed");
        if (m.id == WM_USER + 2)
            throw command_aborted();
        if (m.id >= WM_USER)
            handled.push_back(static_cast<int>(m.id - WM_USER));
        return 0;
    };
    window_id w = queue.create_window(std::move(options));
    for (std::uint32_t i = 0; i < 4; ++i)
        queue.post(w, WM_USER + i);
    host.expect_message("the handler failed", MB_OK | MB_ICONEXCLAMATION, IDOK);
    queue.pump();
    EXPECT_EQ(handled, (std::vector<int> {0, 3}));

    // Commands: the silent abort says nothing, anything else is shown once.
    application.commands().on_command(100, [](int) { throw command_aborted(); });
    application.commands().on_command(101, [](int) { throw std::runtime_error("no disk"); });
    host.expect_message("no disk", MB_OK | MB_ICONEXCLAMATION, IDOK);
    EXPECT_TRUE(application.commands().execute(100));
    EXPECT_TRUE(application.commands().execute(101));
    EXPECT_FALSE(application.commands().execute(102));
}

TEST(CommandRouter, UpdateHandlersRangesAndDisabledWithoutHandler)
{
    CommandRouter router;
    std::vector<int> ran;
    router.on_command(10, 13, [&](int id) { ran.push_back(id); });
    router.on_command(20, [&](int id) { ran.push_back(id); });
    router.on_update(20, [](CmdUI& ui) {
        ui.SetCheck();
        ui.SetText("Twenty");
    });
    EXPECT_TRUE(router.execute(12));
    EXPECT_TRUE(router.execute(20));
    EXPECT_FALSE(router.execute(14));
    EXPECT_EQ(ran, (std::vector<int> {12, 20}));

    MenuModel menu;
    menu.append({10, "Ten"});
    menu.append({14, "Fourteen"});
    menu.append({20, "20"});
    router.update_menu(menu);
    EXPECT_TRUE(menu.at(0).enabled);
    EXPECT_FALSE(menu.at(1).enabled);
    EXPECT_TRUE(menu.at(2).checked);
    EXPECT_EQ(menu.at(2).text, "Twenty");
    EXPECT_TRUE(menu.delete_by_id(14));
    EXPECT_FALSE(menu.delete_by_id(14));
    menu.insert(99, {30, "end"});
    EXPECT_EQ(menu.at(2).id, 30);
}
