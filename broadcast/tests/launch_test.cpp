#include "broadcast_ui_fixture.h"

#include "broadcast/job/broadcast_ref.h"
#include "broadcast/launch/broadcast_launch.h"
#include "broadcast/launch/form_creation_mode.h"
#include "platform/com/com_error.h"
#include "platform/testing/fixed_clock.h"

#include <deque>

using namespace broadcast;
using namespace std::chrono_literals;

namespace {

// Dial-up whose line answers the scripted states in turn; a dial takes two seconds.
class scripted_dialup final : public dialup_connection {
public:
    explicit scripted_dialup(platform::ui::testing::ManualClock& ticks) : ticks_(ticks) { }
    int usable = 0;
    std::deque<int> states;
    std::vector<std::string> calls;

    int RASDllOK() override { return usable; }
    long SetCurrentConfig(const std::string& name) override
    {
        calls.push_back("SetCurrentConfig " + name);
        return 0;
    }
    int Dial(std::uintptr_t) override
    {
        calls.push_back("Dial");
        ticks_.advance(2000ms);
        return 1;
    }
    int State() override
    {
        calls.push_back("State");
        ticks_.advance(100ms);
        int state = states.empty() ? 2 : states.front();
        if (states.size() > 1)
            states.pop_front();
        return state;
    }

private:
    platform::ui::testing::ManualClock& ticks_;
};

}

class BroadcastLaunch : public BroadcastUi {
protected:
    platform::testing::fixed_clock clock;
    scripted_dialup dialup {ticks};
    launch_account account {"Work", std::nullopt, 0, {"user", "secret"}};
    std::vector<std::string> ran; // "settings", "FTP", "SMTP", "HTTP" with " stopped" for a stopped job
    bool cancel_settings = false;
    std::function<void()> during_transport;

    launch_services services()
    {
        auto transport = [this](const char* name) {
            return [this, name](broadcast_ref job) {
                ran.push_back(std::string(name) + (job->stop_immediately_ ? " stopped" : ""));
                if (during_transport)
                    during_transport();
            };
        };
        auto ftp = [transport](broadcast_ref job, const form_preparation&) { transport("FTP")(std::move(job)); };
        return launch_services {host, queue, ticks, clock, dialogs, [this] { return account; },
            [] { return service_settings {"bulk@example.test", {}}; }, dialup,
            transport_set {ftp, transport("SMTP"), transport("HTTP"), nullptr},
            [this](broadcast_ref) {
                ran.push_back("settings");
                if (cancel_settings)
                    throw platform::ui::command_aborted();
            },
            FAKE_GREETINGS_EDITOR, {}, {}};
    }

    broadcast_ref job_with_bodies(std::vector<int> kinds)
    {
        auto job = broadcast_ref::make(std::make_unique<quorbis_broadcast>());
        write_bodies(*job, std::move(kinds));
        return job;
    }
};

TEST_F(BroadcastLaunch, RunsTheConfiguredTransportAndTellsTheFrame)
{
    struct row {
        std::optional<int> transport;
        std::vector<std::string> ran;
        std::size_t end_notices;
    } rows[] = {
        {std::nullopt, {"settings", "HTTP"}, 1},
        {0, {"settings", "FTP"}, 1},
        {1, {"settings", "SMTP"}, 1},
        {3, {"settings", "HTTP"}, 1},
        {5, {"settings"}, 0},
    };
    for (const auto& r : rows) {
        broadcast_launch launch(services());
        account.transport = r.transport;
        ran.clear();
        posted_to_main.clear();
        launch.DispatchBroadcast(job_with_bodies({0}));
        queue.pump();
        EXPECT_EQ(ran, r.ran) << r.transport.value_or(-1);
        EXPECT_EQ(posted_to_main.size(), r.end_notices) << r.transport.value_or(-1);
        EXPECT_FALSE(launch.busy());
    }
}

TEST_F(BroadcastLaunch, CancelledSettingsReachTheCallerAndReleaseTheJob)
{
    broadcast_launch launch(services());
    cancel_settings = true;
    auto job = job_with_bodies({0});
    EXPECT_THROW(launch.DispatchBroadcast(job), platform::ui::command_aborted);
    EXPECT_EQ(job.use_count(), 1);
    EXPECT_EQ(ran, (std::vector<std::string> {"settings"}));
    EXPECT_FALSE(launch.busy());
}

TEST_F(BroadcastLaunch, AnEmptyJobIsStoppedWithAWordAndTheTransportStillRuns)
{
    for (int transport : {1, 3}) {
        broadcast_launch launch(services());
        account.transport = transport;
        ran.clear();
        posted_to_main.clear();
        host.expect_message(strings.text(20028), platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION, platform::ui::IDOK);
        launch.DispatchBroadcast(job_with_bodies({}));
        queue.pump();
        EXPECT_EQ(ran.back(), std::string(transport == 1 ? "SMTP" : "HTTP") + " stopped");
        EXPECT_EQ(posted_to_main, (std::vector<std::uint32_t> {platform::ui::WM_USER + 1}));
    }
}

TEST_F(BroadcastLaunch, DialsWhenAskedAndGoesOnOnlyOverAConnectedLine)
{
    struct row {
        const char* what;
        int usable;
        std::deque<int> states;
        bool refused; // string 1150
        std::vector<std::string> calls;
    } rows[] = {
        {"dial-up unusable", 0, {}, false, {}},
        {"connected", 1, {0, 0, 1}, false, {"SetCurrentConfig Work", "Dial", "State", "State", "State"}},
        {"failing", 1, {0, 2}, true, {"SetCurrentConfig Work", "Dial", "State", "State"}},
    };
    account.connection = 1;
    for (const auto& r : rows) {
        broadcast_launch launch(services());
        dialup.usable = r.usable;
        dialup.states = r.states;
        dialup.calls.clear();
        ran.clear();
        posted_to_main.clear();
        if (r.refused)
            host.expect_message(strings.text(1150), platform::ui::MB_OK | platform::ui::MB_ICONERROR, platform::ui::IDOK);
        launch.DispatchBroadcast(job_with_bodies({0}));
        queue.pump();
        EXPECT_EQ(dialup.calls, r.calls) << r.what;
        EXPECT_EQ(ran.size(), r.refused ? 1u : 2u) << r.what;
        EXPECT_EQ(posted_to_main.size(), r.refused ? 0u : 1u) << r.what;
    }
}

TEST_F(BroadcastLaunch, AQuitWhileDiallingAbandonsTheBroadcastAndStaysQueued)
{
    broadcast_launch launch(services());
    account.connection = 1;
    dialup.usable = 1;
    queue.post_quit(4);
    auto job = job_with_bodies({0});
    dialup.states = {0};
    launch.DispatchBroadcast(job);
    EXPECT_EQ(ran, (std::vector<std::string> {"settings"}));
    EXPECT_TRUE(posted_to_main.empty());
    EXPECT_EQ(job.use_count(), 1);
    EXPECT_TRUE(queue.quit_pending());
    EXPECT_EQ(queue.run(), 4);
}

TEST_F(BroadcastLaunch, ASecondDispatchIsRefusedWhileOneRuns)
{
    broadcast_launch launch(services());
    account.transport = 1;
    during_transport = [&] {
        EXPECT_TRUE(launch.busy());
        launch.DispatchBroadcast(job_with_bodies({0}));
    };
    launch.DispatchBroadcast(job_with_bodies({0}));
    EXPECT_EQ(ran, (std::vector<std::string> {"settings", "SMTP"}));
    EXPECT_FALSE(launch.busy());
}

TEST_F(BroadcastLaunch, WithoutTheSettingsDialogOrTheTransportNothingIsAsked)
{
    auto given = services();
    given.run_settings = nullptr;
    broadcast_launch without_settings(std::move(given));
    EXPECT_FALSE(without_settings.can_dispatch());
    EXPECT_THROW(without_settings.DispatchBroadcast(job_with_bodies({0})), std::runtime_error);
    EXPECT_FALSE(without_settings.busy());

    auto no_smtp = services();
    no_smtp.transports.smtp = nullptr;
    broadcast_launch without_smtp(std::move(no_smtp));
    account.transport = 1;
    EXPECT_THROW(without_smtp.DispatchBroadcast(job_with_bodies({0})), std::runtime_error);
    EXPECT_TRUE(ran.empty());
    EXPECT_FALSE(without_smtp.busy());
}

TEST(FormCreationMode, PressesChecksAndExplainsTheMode)
{
    auto strings = platform::strings::string_table::load(TALVERIN_STRINGS);
    auto on = CheckFormCreationMode(true, strings);
    EXPECT_TRUE(on.pressed);
    EXPECT_TRUE(on.checked);
    EXPECT_EQ(on.tooltip, "Form Mode Enabled");
    auto off = CheckFormCreationMode(false, strings);
    EXPECT_FALSE(off.pressed);
    EXPECT_FALSE(off.checked);
    EXPECT_EQ(off.tooltip, "Form Mode Disabled");
}
