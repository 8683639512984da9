#include "dialup/library.h"
#include "platform/testing/memory_store.h"
#include "platform/testing/platform_probes.h"
#include "platform/testing/temporary_folder.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/testing/manual_clock.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>

using platform::registry::hive;
namespace ras = platform::ras;

namespace {

const std::string configurations = "Software\\Holvane\\Talverin\\Configurations";
const std::string work_key = configurations + "\\Work\\RAS Settings";

struct notice {
    std::uintptr_t window;
    std::uintptr_t state;
    std::intptr_t error;
    bool operator==(const notice&) const = default;
};

platform::strings::string_table library_strings()
{
    return platform::strings::string_table::load(std::string(DUNVELL_SHARE_DIR) + "/strings.txt");
}

// The library on the scripted dial-up networking, with the "Work" configuration current,
// its entry "Work" configured and one-millisecond minutes.
struct dunvell_fixture {
    platform::testing::memory_store store;
    platform::testing::scripted_dialup ras;
    platform::strings::string_table strings = library_strings();
    platform::testing::temporary_folder folder;
    std::mutex mutex;
    std::vector<notice> notices;
    std::vector<std::string> messages;
    std::string tcp_table = folder.file("tcp");
    std::optional<dunvell::Library> library;

    explicit dunvell_fixture(std::chrono::milliseconds minute = std::chrono::milliseconds(1))
    {
        ras.is_usable = true;
        ras.entry_names = {"Work", "Home"};
        dunvell::library_hooks hooks;
        hooks.post = [this](std::uintptr_t window, std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam) {
            EXPECT_EQ(id, dunvell::WM_RASDIALEVENT);
            std::lock_guard lock(mutex);
            notices.push_back({window, wparam, lparam});
            return true;
        };
        hooks.show_message = [this](const std::string& text, const std::string& caption) {
            std::lock_guard lock(mutex);
            messages.push_back(caption + ": " + text);
        };
        dunvell::library_timing timing;
        timing.minute = minute;
        timing.release_poll = std::chrono::milliseconds(1);
        library.emplace(&store, ras, strings, hooks, timing, tcp_table);
        EXPECT_EQ(library->SetCurrentConfig("Work"), 0);
        set("Phonebook Entry", std::string("Work"));
    }

    void set(const std::string& name, platform::registry::value value)
    {
        ASSERT_EQ(store.write(hive::current_user, work_key, name, std::move(value)), platform::registry::status::ok);
    }

    std::vector<notice> taken()
    {
        std::lock_guard lock(mutex);
        return std::exchange(notices, {});
    }

    // Dials and lets the connection come up.
    void connect()
    {
        ASSERT_EQ(library->Dial(7), 1);
        ras.step(ras::state_connected);
        ASSERT_EQ(library->State(), 1);
        taken();
    }

    void write_tcp_table(const std::string& text)
    {
        std::ofstream(tcp_table) << text;
    }
};

const char* const tcp_heading =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n";

// 10.1.2.3:40000 to 93.184.216.34:80, in the kernel's byte order of this machine.
std::string tcp_line(const std::string& local, const std::string& remote, const std::string& state)
{
    return "   0: " + local + " " + remote + " " + state + " 00000000:00000000 00:00000000 00000000  1000 0 1 1\n";
}

std::string hex_address(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d)
{
    std::uint8_t bytes[4] = {a, b, c, d};
    std::uint32_t value = 0;
    std::memcpy(&value, bytes, 4);
    char text[9];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

}

TEST(DunvellLibrary, UnusableDialUpAnswersZeroAndRunsNoDialog)
{
    platform::testing::memory_store store;
    platform::testing::switchable_dialup ras;
    auto strings = library_strings();
    int dialogs = 0;
    dunvell::library_hooks hooks;
    std::vector<int> modes;
    hooks.settings_dialog = [&](std::uintptr_t, const std::string&, int mode) { return modes.push_back(mode), ++dialogs, 1; };
    dunvell::Library library(&store, ras, strings, hooks);
    EXPECT_EQ(library.RASDllOK(), 0);
    EXPECT_EQ(library.RASCfgDialog(0), 0);
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(library.Dial(0), 0);
    EXPECT_EQ(library.State(), 3); // no entry configured

    ras.is_usable = true;
    EXPECT_EQ(library.RASDllOK(), 1);
    ASSERT_EQ(library.SetCurrentConfig("Work"), 0);
    std::string shown_for;
    hooks.settings_dialog = [&](std::uintptr_t, const std::string& key, int mode) {
        return modes.push_back(mode), shown_for = key, 1;
    };
    dunvell::Library usable(&store, ras, strings, hooks);
    ASSERT_EQ(usable.SetCurrentConfig("Work"), 0);
    EXPECT_EQ(usable.RASCfgDialog(0), 1);
    EXPECT_EQ(usable.ShowDialingDlg(0), 1);
    EXPECT_EQ(shown_for, work_key);
    EXPECT_EQ(modes, (std::vector<int> {dunvell::settings_mode, dunvell::dialling_mode}));
}

TEST(DunvellLibrary, SetCurrentConfigCreatesTheSettingsKeyAndRefusesNoName)
{
    platform::testing::memory_store store;
    platform::testing::switchable_dialup ras;
    auto strings = library_strings();
    dunvell::Library library(&store, ras, strings);
    EXPECT_EQ(library.SetCurrentConfig("Work"), 0);
    EXPECT_TRUE(store.key_exists(hive::current_user, work_key));
    EXPECT_EQ(library.settings_key(), work_key);

    auto before = store.snapshot();
    EXPECT_EQ(library.SetCurrentConfig(""), dunvell::error_invalid_parameter);
    EXPECT_EQ(library.SetCurrentConfig(nullptr), dunvell::error_invalid_parameter);
    EXPECT_EQ(store.snapshot(), before);
    EXPECT_EQ(library.settings_key(), work_key);

    store.fail_next_writes(1);
    EXPECT_NE(library.SetCurrentConfig("Home"), 0); // the store's failure is answered
    EXPECT_FALSE(store.key_exists(hive::current_user, configurations + "\\Home"));

    dunvell::Library without_store(nullptr, ras, strings);
    EXPECT_EQ(without_store.SetCurrentConfig("Work"), dunvell::error_store_unusable);
}

TEST(DunvellLibrary, StartsWithTheActiveConfigurationsSettings)
{
    platform::testing::memory_store store;
    platform::testing::switchable_dialup ras;
    auto strings = library_strings();
    EXPECT_EQ(dunvell::Library(&store, ras, strings).settings_key(), configurations);
    ASSERT_EQ(store.write(hive::current_user, configurations, "Active Config", std::string("Home")),
        platform::registry::status::ok);
    EXPECT_EQ(dunvell::Library(&store, ras, strings).settings_key(), configurations + "\\Home\\RAS Settings");
    EXPECT_FALSE(store.key_exists(hive::current_user, configurations + "\\Home")); // loading creates nothing
}

// The idle-disconnect rule after a broadcast, one case a row.
TEST(DunvellLibrary, IdleRuleHangsUpAsTheSettingsSay)
{
    struct row {
        const char* what;
        std::optional<platform::registry::value> disconnection;
        std::optional<std::uint32_t> delay;
        bool in_use;
        int wait;
        bool hung_up;
        int minutes;
    };
    const row rows[] = {
        {"mode 0 keeps the line", std::uint32_t {0}, std::nullopt, false, 0, false, 0},
        {"missing keeps the line", std::nullopt, std::nullopt, false, 0, false, 0},
        {"REG_SZ keeps the line", std::string("2"), std::uint32_t {3}, false, 0, false, 0},
        {"mode 1, in use", std::uint32_t {1}, std::nullopt, true, 0, false, 0},
        {"mode 1, not in use", std::uint32_t {1}, std::nullopt, false, 0, true, 0},
        {"mode 2, delay 3", std::uint32_t {2}, std::uint32_t {3}, false, 0, true, 3},
        {"mode 2, delay 0", std::uint32_t {2}, std::uint32_t {0}, false, 0, true, 0},
        {"mode 2, no delay", std::uint32_t {2}, std::nullopt, false, 0, true, 0},
        {"mode 2, waiting caller", std::uint32_t {2}, std::uint32_t {3}, false, 1, true, 0},
        {"mode 7", std::uint32_t {7}, std::nullopt, false, 0, true, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        dunvell_fixture f;
        if (r.disconnection)
            f.set("Disconnection", *r.disconnection);
        if (r.delay)
            f.set("Delay", *r.delay);
        auto link = hex_address(10, 1, 2, 3) + ":9C40";
        f.write_tcp_table(std::string(tcp_heading)
            + tcp_line(link, hex_address(93, 184, 216, 34) + ":0050", r.in_use ? "01" : "06"));
        f.connect();
        EXPECT_EQ(f.library->GoIdle(r.wait), 1);
        f.library->WaitIdle();
        EXPECT_EQ(f.ras.hung_up(), r.hung_up ? std::vector<std::string> {"Work"} : std::vector<std::string> {});
        EXPECT_EQ(f.library->idle_minutes_waited(), r.minutes);
        EXPECT_TRUE(f.taken().empty());
        EXPECT_TRUE(f.messages.empty());
    }
}

TEST(DunvellLibrary, NewDialDuringTheIdleWaitKeepsTheLine)
{
    dunvell_fixture f(std::chrono::hours(1));
    f.set("Disconnection", std::uint32_t {2});
    f.set("Delay", std::uint32_t {3});
    f.connect();
    EXPECT_EQ(f.library->GoIdle(0), 1);
    // Connected: nothing to dial, and the waiting idle thread is stopped and joined.
    EXPECT_EQ(f.library->Dial(7), 1);
    EXPECT_TRUE(f.ras.hung_up().empty());
    EXPECT_TRUE(f.taken().empty());
    EXPECT_EQ(f.ras.dials().size(), 1u);
}

TEST(DunvellLibrary, SecondIdleOrderReplacesTheFirstSoTheLineIsHungUpOnce)
{
    dunvell_fixture f(std::chrono::hours(1));
    f.set("Disconnection", std::uint32_t {2});
    f.set("Delay", std::uint32_t {3});
    f.connect();
    EXPECT_EQ(f.library->GoIdle(0), 1);
    f.ras.release_after_asks = 3;
    EXPECT_EQ(f.library->GoIdle(1), 1); // hangs up at once, returns once released
    EXPECT_EQ(f.ras.hung_up(), std::vector<std::string> {"Work"});
    EXPECT_EQ(f.library->State(), 2);
    EXPECT_EQ(f.library->GoIdle(1), 1); // nothing held any more
    EXPECT_EQ(f.ras.hung_up().size(), 1u);
    EXPECT_TRUE(f.taken().empty());
}

TEST(DunvellLibrary, LineDownWhileWaitingEndsWithoutHangingUp)
{
    dunvell_fixture f;
    f.set("Disconnection", std::uint32_t {2});
    f.set("Delay", std::uint32_t {3});
    f.connect();
    f.ras.line_down(f.ras.last_dial());
    EXPECT_EQ(f.library->GoIdle(0), 1);
    f.library->WaitIdle();
    EXPECT_TRUE(f.ras.hung_up().empty());
    EXPECT_EQ(f.library->idle_minutes_waited(), 0);
}

TEST(DunvellLibrary, HangUpErrorIsPostedAndAWaitingCallerReturns)
{
    dunvell_fixture f;
    f.set("Disconnection", std::uint32_t {7});
    f.connect();
    f.ras.hang_up_error = 668;
    EXPECT_EQ(f.library->GoIdle(1), 1);
    EXPECT_EQ(f.taken(), (std::vector<notice> {{7, ras::state_disconnected, 668}}));
}

TEST(DunvellLibrary, ReleaseWaitIsLimited)
{
    dunvell_fixture f;
    f.set("Disconnection", std::uint32_t {7});
    f.connect();
    f.ras.release_after_asks = 1000000;
    dunvell::library_timing timing;
    timing.release_poll = std::chrono::milliseconds(1);
    timing.release_limit = std::chrono::milliseconds(20);
    dunvell::Library quick(&f.store, f.ras, f.strings, {}, timing);
    ASSERT_EQ(quick.SetCurrentConfig("Work"), 0);
    ASSERT_EQ(quick.State(), 1); // adopted: not dialled here, so never hung up
    EXPECT_EQ(quick.GoIdle(1), 1);
    EXPECT_TRUE(f.ras.hung_up().empty());
    // The library that dialled gives up waiting at its limit.
    f.library.reset();
    dunvell::Library dialler(&f.store, f.ras, f.strings, {}, timing);
    ASSERT_EQ(dialler.SetCurrentConfig("Work"), 0);
    f.ras.entry_names.push_back("Spare");
    f.set("Phonebook Entry", std::string("Spare"));
    ASSERT_EQ(dialler.Dial(0), 1);
    f.ras.step(ras::state_connected);
    EXPECT_EQ(dialler.GoIdle(1), 1);
    EXPECT_EQ(f.ras.hung_up(), std::vector<std::string> {"Spare"});
    EXPECT_EQ(dialler.State(), 1); // not released yet: still watched
}

TEST(DunvellLibrary, DialReportsEachOutcome)
{
    {
        SCOPED_TRACE("no entry configured");
        dunvell_fixture f;
        ASSERT_EQ(f.store.delete_value(hive::current_user, work_key, "Phonebook Entry"), platform::registry::status::ok);
        EXPECT_EQ(f.library->Dial(7), 0);
        EXPECT_EQ(f.taken(), (std::vector<notice> {{7, ras::state_disconnected, 623}}));
    }
    {
        SCOPED_TRACE("entry of another type");
        dunvell_fixture f;
        f.set("Phonebook Entry", std::uint32_t {1});
        EXPECT_EQ(f.library->Dial(7), 0);
        EXPECT_EQ(f.taken(), (std::vector<notice> {{7, ras::state_disconnected, 623}}));
    }
    {
        SCOPED_TRACE("logon data unreadable");
        dunvell_fixture f;
        f.ras.get_params_error = 20101;
        EXPECT_EQ(f.library->Dial(7), 0);
        EXPECT_EQ(f.taken(), (std::vector<notice> {{7, ras::state_disconnected, 20101}}));
    }
    {
        SCOPED_TRACE("start error");
        dunvell_fixture f;
        f.ras.dial_error = 20004;
        EXPECT_EQ(f.library->Dial(7), 0);
        EXPECT_EQ(f.taken(), (std::vector<notice> {{7, ras::state_disconnected, 20004}}));
        EXPECT_EQ(f.library->State(), 2);
    }
    {
        SCOPED_TRACE("steps in order, then connected; a second dial sends nothing");
        dunvell_fixture f;
        f.ras.stored_params["Work"] = {"Work", "ann", "secret", "CORP"};
        EXPECT_EQ(f.library->Dial(7), 1);
        EXPECT_EQ(f.ras.dials().at(0), (ras::dial_params {"Work", "ann", "secret", "CORP"}));
        for (unsigned state : {0u, 3u, 5u, 14u}) {
            f.ras.step(state);
            EXPECT_EQ(f.library->State(), 0);
        }
        f.ras.step(ras::state_connected);
        EXPECT_EQ(f.library->State(), 1);
        EXPECT_EQ(f.taken(), (std::vector<notice> {{7, 0, 0}, {7, 3, 0}, {7, 5, 0}, {7, 14, 0}, {7, 8192, 0}}));
        EXPECT_EQ(f.library->Dial(9), 1);
        EXPECT_TRUE(f.taken().empty());
    }
    {
        SCOPED_TRACE("failing dial");
        dunvell_fixture f;
        EXPECT_EQ(f.library->Dial(7), 1);
        f.ras.step(3);
        f.ras.step(5, 20019);
        EXPECT_EQ(f.library->State(), 2);
        EXPECT_EQ(f.taken(), (std::vector<notice> {{7, 3, 0}, {7, ras::state_disconnected, 20019}}));
    }
}

TEST(DunvellLibrary, OutsideConnectionIsWatchedNeverHungUp)
{
    dunvell_fixture f;
    f.set("Disconnection", std::uint32_t {7});
    f.ras.add_outside_connection("work"); // another entry: names are compared exactly
    EXPECT_EQ(f.library->State(), 2);
    f.ras.add_outside_connection("Work");
    EXPECT_EQ(f.library->State(), 1);
    EXPECT_EQ(f.library->Dial(7), 1); // connected: nothing dialled
    EXPECT_TRUE(f.ras.dials().empty());
    EXPECT_EQ(f.library->GoIdle(1), 1);
    EXPECT_TRUE(f.ras.hung_up().empty());
}

TEST(DunvellLibrary, ConnectionInUseReadsTheTcpTable)
{
    dunvell_fixture f;
    auto link = hex_address(10, 1, 2, 3);
    struct row {
        const char* what;
        std::string table;
        int in_use;
    };
    const row rows[] = {
        {"established to the world", tcp_line(link + ":9C40", hex_address(93, 184, 216, 34) + ":0050", "01"), 1},
        {"closing", tcp_line(link + ":9C40", hex_address(93, 184, 216, 34) + ":0050", "06"), 0},
        {"to loopback", tcp_line(link + ":9C40", hex_address(127, 0, 0, 1) + ":0050", "01"), 0},
        {"to 0.x", tcp_line(link + ":9C40", hex_address(0, 0, 0, 0) + ":0000", "01"), 0},
        {"from another address", tcp_line(hex_address(192, 168, 1, 2) + ":9C40", hex_address(93, 184, 216, 34) + ":0050", "01"), 0},
        {"bad lines only", "   0: zz:zz\nnonsense\n", 0},
    };
    EXPECT_EQ(f.library->ConnectionInUse(), 0); // not connected
    f.connect();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        f.write_tcp_table(std::string(tcp_heading) + r.table);
        EXPECT_EQ(f.library->ConnectionInUse(), r.in_use);
    }
    EXPECT_EQ(f.library->SnmpDllOK(), 1);
    std::remove(f.tcp_table.c_str());
    EXPECT_EQ(f.library->SnmpDllOK(), 0);
    EXPECT_EQ(f.library->ConnectionInUse(), 0);
    ASSERT_EQ(f.messages.size(), 1u);
    EXPECT_EQ(f.messages[0], "Error: The TCP connection table (" + f.tcp_table + ") could not be read");
}

TEST(DunvellLibrary, StateAndErrorTextsNeverOverrunTheBuffer)
{
    dunvell_fixture f;
    char buffer[128];
    struct state_row {
        int state;
        int result;
        const char* text;
    };
    const state_row states[] = {
        {0, 28, "Dialing your dial-up server."},
        {-3, 28, "Dialing your dial-up server."},
        {5, 33, "Authenticating at dial-up server."},
        {14, 32, "Authenticated at dial-up server."},
        {8192, 31, "Dial-up connection established."},
        {7, 1, ""},
        {8193, 1, ""},
    };
    for (const auto& s : states) {
        SCOPED_TRACE(s.state);
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(f.library->GetStateString(s.state, buffer, sizeof buffer), s.result);
        EXPECT_STREQ(buffer, s.text);
    }
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(f.library->GetStateString(8192, buffer, 5), 4);
    EXPECT_STREQ(buffer, "Dial");
    EXPECT_EQ(buffer[5], 'x');
    EXPECT_EQ(f.library->GetStateString(8192, nullptr, 5), 87);
    EXPECT_EQ(f.library->GetStateString(8192, buffer, 0), 87);

    EXPECT_EQ(f.library->GetErrorString(623, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "The system could not find the phone book entry for this connection.");
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(f.library->GetErrorString(623, buffer, 4), 603);
    EXPECT_STREQ(buffer, "The");
    EXPECT_EQ(buffer[4], 'x');
    EXPECT_EQ(f.library->GetErrorString(20019, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "We failed to authenticate ourselves to the peer.");
    EXPECT_EQ(f.library->GetErrorString(12345, buffer, sizeof buffer), 87);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(f.library->GetErrorString(-1, buffer, sizeof buffer), 87);
    EXPECT_EQ(f.library->GetErrorString(623, nullptr, 10), 87);
    EXPECT_EQ(f.library->GetErrorString(623, buffer, 0), 87);
}

// Notices reach the window through the user-interface thread's queue, in order, and stop
// once the window is gone.
TEST(DunvellLibrary, NoticesArePostedToALiveWindowOnly)
{
    platform::ui::testing::ManualClock ticks;
    platform::ui::MessageQueue queue(ticks);
    std::vector<notice> received;
    platform::ui::window_options options;
    options.handler = [&](const platform::ui::message& m) -> std::intptr_t {
        if (m.id == dunvell::WM_RASDIALEVENT)
            received.push_back({m.window, m.wparam, m.lparam});
        return 0;
    };
    auto window = queue.create_window(options);

    platform::testing::memory_store store;
    platform::testing::scripted_dialup ras;
    ras.is_usable = true;
    ras.entry_names = {"Work"};
    auto strings = library_strings();
    dunvell::library_hooks hooks;
    hooks.post = [&queue](std::uintptr_t w, std::uint32_t id, std::uintptr_t wp, std::intptr_t lp) {
        return queue.post(w, id, wp, lp);
    };
    dunvell::Library library(&store, ras, strings, hooks);
    ASSERT_EQ(library.SetCurrentConfig("Work"), 0);
    ASSERT_EQ(store.write(hive::current_user, work_key, "Phonebook Entry", std::string("Work")),
        platform::registry::status::ok);
    ASSERT_EQ(library.Dial(window), 1);
    ras.step(3);
    ras.step(5);
    queue.pump();
    EXPECT_EQ(received, (std::vector<notice> {{window, 3, 0}, {window, 5, 0}}));
    queue.destroy_window(window);
    ras.step(ras::state_connected);
    queue.pump();
    EXPECT_EQ(received.size(), 2u);
    EXPECT_EQ(library.State(), 1);
}

// Dial, State and GoIdle from two threads while the dial's steps arrive on a third.
TEST(DunvellLibrary, CallsFromSeveralThreadsShareOneState)
{
    dunvell_fixture f(std::chrono::hours(1));
    f.set("Disconnection", std::uint32_t {2});
    f.set("Delay", std::uint32_t {1});
    ASSERT_EQ(f.library->Dial(7), 1);
    std::atomic<bool> done {false};
    std::thread watcher([&] {
        while (!done.load()) {
            int state = f.library->State();
            EXPECT_TRUE(state == 0 || state == 1 || state == 2) << state;
        }
    });
    for (unsigned state : {3u, 5u, 14u, 8192u})
        f.ras.step(state);
    for (int round = 0; round < 20; ++round) {
        EXPECT_EQ(f.library->GoIdle(0), 1);
        EXPECT_EQ(f.library->Dial(7), 1);
    }
    done = true;
    watcher.join();
    EXPECT_TRUE(f.ras.hung_up().empty());
    EXPECT_EQ(f.library->State(), 1);
}

// A dial's late steps find the library gone and are dropped.
TEST(DunvellLibrary, StepsAfterTheLibraryEndedReachNothing)
{
    dunvell_fixture f;
    ASSERT_EQ(f.library->Dial(7), 1);
    f.ras.step(3);
    f.library.reset();
    f.ras.step(ras::state_connected);
    EXPECT_EQ(f.taken(), (std::vector<notice> {{7, 3, 0}}));
}
