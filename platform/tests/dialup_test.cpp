#include "platform/ras/dial_params_file.h"
#include "platform/ras/pppd_dialup.h"
#include "platform/ras/tcp_table.h"
#include "platform/testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace ras = platform::ras;
namespace fs = std::filesystem;

namespace {

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_file(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// A stand-in for pppd: it records its arguments and its options file, prints the lines of
// "script", and ends with the status in "exit" ("hang": it waits to be signalled). With
// status 0 it leaves a pppd behind, as pppd does when it detaches: a process whose command
// line calls the entry, with its pid in run/ppp0.pid, that ends on SIGTERM.
const char* const fake_pppd = R"(#!/bin/sh
dir=$(dirname "$0")
if [ "$3" = daemon ]; then
  trap 'kill $pause; rm -f "$dir/run/ppp0.pid"; exit 0' TERM
  sleep 600 & pause=$!
  echo $$ > "$dir/run/ppp0.pid.new" && mv "$dir/run/ppp0.pid.new" "$dir/run/ppp0.pid"
  wait $pause
  exit 0
fi
printf '%s\n' "$@" > "$dir/argv"
stat -c %a "$5" > "$dir/mode"
cp "$5" "$dir/options"
[ -f "$dir/script" ] && cat "$dir/script"
code=$(cat "$dir/exit" 2>/dev/null || echo 0)
if [ "$code" = hang ]; then
  exec sleep 600
fi
if [ "$code" = 0 ]; then
  "$0" call "$2" daemon </dev/null >/dev/null 2>&1 &
  while [ ! -s "$dir/run/ppp0.pid" ]; do sleep 0.01; done
fi
exit "$code"
)";

struct pppd_fixture {
    platform::testing::temporary_folder folder;
    std::string program = folder.file("pppd");

    pppd_fixture()
    {
        write_file(program, fake_pppd);
        ::chmod(program.c_str(), 0755);
        fs::create_directories(folder.file("peers"));
        fs::create_directories(folder.file("run"));
        fs::create_directories(folder.file("tmp"));
        write_file(folder.file("peers/Work"), "ttyS0 115200\n");
        write_file(folder.file("peers/Home"), "ttyS1\n");
    }

    ras::pppd_setup setup(const std::string& proc = "/proc")
    {
        ras::pppd_setup s;
        s.program = program;
        s.peers = folder.file("peers");
        s.run = folder.file("run");
        s.proc = proc;
        s.temp = folder.file("tmp");
        s.params_file = folder.file("dialup.txt");
        s.interface_address = [](const std::string& name) -> std::optional<std::string> {
            if (name == "ppp0")
                return "10.1.2.3";
            return std::nullopt;
        };
        return s;
    }
};

// The events of one dial, waited for until its last.
struct dial_events {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<unsigned, long>> seen;

    ras::dial_event sink()
    {
        return [this](unsigned state, long error) {
            std::lock_guard lock(mutex);
            seen.emplace_back(state, error);
            changed.notify_all();
        };
    }

    std::vector<std::pair<unsigned, long>> until_last()
    {
        std::unique_lock lock(mutex);
        bool ended = changed.wait_for(lock, std::chrono::seconds(30), [this] {
            return !seen.empty() && (seen.back().first == ras::state_connected || seen.back().second != 0);
        });
        EXPECT_TRUE(ended) << "the dial never ended";
        return seen;
    }
};

// Asks until the connection is released, within a limit.
bool released(ras::dialup_networking& layer, ras::connection_handle handle)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        if (layer.status(handle).error == ras::error_invalid_handle)
            return true;
        std::this_thread::yield();
    }
    return false;
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

TEST(PppdDialup, EntriesArePeersWithNamesPppdCalls)
{
    pppd_fixture f;
    write_file(f.folder.file("peers/.x"), "");
    write_file(f.folder.file("peers/a b"), "");
    fs::create_directories(f.folder.file("peers/folder"));
    ras::pppd_dialup_networking layer(f.setup());
    auto listed = layer.entries();
    EXPECT_EQ(listed.error, 0);
    EXPECT_EQ(listed.names, (std::vector<std::string> {"Home", "Work"}));
    EXPECT_TRUE(ras::is_peer_name("my-isp_2.net"));
    EXPECT_FALSE(ras::is_peer_name(".x"));
    EXPECT_FALSE(ras::is_peer_name("a b"));
    EXPECT_FALSE(ras::is_peer_name("../etc"));
    EXPECT_FALSE(ras::is_peer_name(""));

    dial_events events;
    EXPECT_EQ(layer.dial({"a b", "", "", ""}, events.sink()).error, ras::error_cannot_find_entry);
    EXPECT_EQ(layer.dial({"Office", "", "", ""}, events.sink()).error, ras::error_cannot_find_entry);
    EXPECT_EQ(layer.dial({"Work", "ann", "line\nbreak", ""}, events.sink()).error, ras::error_invalid_parameter);
    EXPECT_EQ(layer.create_entry(0), ras::error_entries_read_only);
    EXPECT_EQ(layer.edit_entry(0, "Work"), ras::error_entries_read_only);
    EXPECT_TRUE(events.seen.empty());
}

TEST(PppdDialup, UsableOnlyWithPppdAndItsPeersThenKept)
{
    pppd_fixture f;
    auto without_program = f.setup();
    without_program.program = f.folder.file("missing");
    EXPECT_FALSE(ras::pppd_dialup_networking(without_program).usable());
    auto without_peers = f.setup();
    without_peers.peers = f.folder.file("no-peers");
    EXPECT_FALSE(ras::pppd_dialup_networking(without_peers).usable());

    ras::pppd_dialup_networking layer(f.setup());
    EXPECT_TRUE(layer.usable());
    fs::remove(f.program);
    EXPECT_TRUE(layer.usable());
}

TEST(PppdDialup, DialRunsPppdWithItsLogonInAPrivateFileAndHangsUp)
{
    pppd_fixture f;
    write_file(f.folder.file("script"),
        "Using interface ppp0\nSerial connection established.\nConnect: ppp0 <--> /dev/ttyS0\n"
        "CHAP authentication succeeded\nlocal  IP address 10.1.2.3\n");
    ras::pppd_dialup_networking layer(f.setup());
    dial_events events;
    auto started = layer.dial({"Work", "ann", "se\"cret\\", "CORP"}, events.sink());
    ASSERT_EQ(started.error, 0);
    EXPECT_EQ(events.until_last(), (std::vector<std::pair<unsigned, long>> {
                                       {0, 0}, {3, 0}, {5, 0}, {14, 0}, {ras::state_connected, 0}}));
    auto argv = read_file(f.folder.file("argv"));
    const std::string fixed = "call\nWork\nupdetach\nfile\n" + f.folder.file("tmp") + "/dialup-options-";
    EXPECT_EQ(argv.substr(0, fixed.size()), fixed);
    EXPECT_EQ(argv.size(), fixed.size() + 7); // six random letters and the line feed
    EXPECT_EQ(read_file(f.folder.file("mode")), "600\n");
    EXPECT_EQ(read_file(f.folder.file("options")), "user \"CORP\\\\ann\"\npassword \"se\\\"cret\\\\\"\n");
    EXPECT_TRUE(fs::is_empty(f.folder.file("tmp"))); // the options file is gone once pppd detached

    auto now = layer.status(started.handle);
    EXPECT_EQ(now.error, 0);
    EXPECT_EQ(now.state, ras::state_connected);
    auto active = layer.active_connections();
    ASSERT_EQ(active.connections.size(), 1u);
    EXPECT_EQ(active.connections[0].handle, started.handle);
    EXPECT_EQ(active.connections[0].entry, "Work");
    auto link = layer.projection(started.handle);
    EXPECT_EQ(link.error, 0);
    EXPECT_EQ(link.address, "10.1.2.3");

    EXPECT_EQ(layer.hang_up(started.handle), 0);
    EXPECT_TRUE(released(layer, started.handle));
    EXPECT_TRUE(layer.active_connections().connections.empty());
    EXPECT_EQ(layer.hang_up(started.handle), ras::error_invalid_handle);
}

TEST(PppdDialup, PppdExitStatusIsTheDialsError)
{
    for (int code : {4, 8, 11, 19}) {
        SCOPED_TRACE(code);
        pppd_fixture f;
        write_file(f.folder.file("script"), "Serial connection established.\n");
        write_file(f.folder.file("exit"), std::to_string(code) + "\n");
        ras::pppd_dialup_networking layer(f.setup());
        dial_events events;
        auto started = layer.dial({"Home", "", "", ""}, events.sink());
        ASSERT_EQ(started.error, 0);
        EXPECT_EQ(events.until_last(), (std::vector<std::pair<unsigned, long>> {
                                           {0, 0}, {3, 0}, {ras::state_disconnected, ras::error_pppd_exit + code}}));
        EXPECT_EQ(read_file(f.folder.file("options")), "");
        EXPECT_TRUE(fs::is_empty(f.folder.file("tmp")));
        EXPECT_EQ(layer.status(started.handle).error, ras::error_invalid_handle);
    }
}

TEST(PppdDialup, HangUpWhileDiallingEndsPppd)
{
    pppd_fixture f;
    write_file(f.folder.file("exit"), "hang\n");
    ras::pppd_dialup_networking layer(f.setup());
    dial_events events;
    auto started = layer.dial({"Work", "", "", ""}, events.sink());
    ASSERT_EQ(started.error, 0);
    EXPECT_EQ(layer.status(started.handle).state, 0u);
    EXPECT_EQ(layer.active_connections().connections.size(), 1u);
    EXPECT_EQ(layer.hang_up(started.handle), 0);
    EXPECT_EQ(events.until_last().back(), (std::pair<unsigned, long> {ras::state_disconnected, ras::error_pppd_exit + 5}));
    EXPECT_TRUE(released(layer, started.handle));
}

TEST(PppdDialup, ConnectionsOfEarlierRunsAreFoundByTheirPidFiles)
{
    pppd_fixture f;
    fs::create_directories(f.folder.file("proc/4242"));
    fs::create_directories(f.folder.file("proc/4343"));
    write_file(f.folder.file("proc/4242/cmdline"), std::string("/usr/sbin/pppd\0call\0Work\0updetach\0", 34));
    write_file(f.folder.file("proc/4343/cmdline"), std::string("/usr/bin/sleep\0" "100\0", 19));
    write_file(f.folder.file("run/ppp0.pid"), "4242\n");
    write_file(f.folder.file("run/ppp1.pid"), "4343\n");
    write_file(f.folder.file("run/ppp-bad.pid"), "not a pid\n");
    write_file(f.folder.file("run/other.pid"), "4242\n");
    ras::pppd_dialup_networking layer(f.setup(f.folder.file("proc")));
    auto active = layer.active_connections();
    ASSERT_EQ(active.connections.size(), 1u);
    EXPECT_EQ(active.connections[0].entry, "Work");
    auto handle = active.connections[0].handle;
    EXPECT_EQ(layer.active_connections().connections[0].handle, handle); // the same one each time
    EXPECT_EQ(layer.status(handle).state, ras::state_connected);
    EXPECT_EQ(layer.projection(handle).address, "10.1.2.3");
    fs::remove_all(f.folder.file("proc/4242")); // that pppd ended
    EXPECT_EQ(layer.status(handle).error, ras::error_invalid_handle);
    EXPECT_TRUE(layer.active_connections().connections.empty());
}

TEST(PppdDialup, LogonDataIsKeptInAPrivateFile)
{
    pppd_fixture f;
    ras::pppd_dialup_networking layer(f.setup());
    EXPECT_EQ(layer.get_entry_dial_params("Work").params, (ras::dial_params {"Work", "", "", ""}));
    ASSERT_EQ(layer.set_entry_dial_params({"Work", "ann", "p\"w", "CORP"}), 0);
    ASSERT_EQ(layer.set_entry_dial_params({"Home", "bob", "", ""}), 0);
    EXPECT_EQ(layer.get_entry_dial_params("Work").params, (ras::dial_params {"Work", "ann", "p\"w", "CORP"}));
    struct stat info {};
    ASSERT_EQ(::stat(f.folder.file("dialup.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(layer.set_entry_dial_params({"Work", "ann", "", "SIXTEEN-LETTERS!"}), ras::error_invalid_parameter);

    fs::remove(f.folder.file("dialup.txt"));
    fs::create_directories(f.folder.file("dialup.txt"));
    EXPECT_EQ(layer.get_entry_dial_params("Work").error, ras::error_dial_params_store);
    EXPECT_EQ(layer.set_entry_dial_params({"Work", "", "", ""}), ras::error_dial_params_store);
}

TEST(DialParamsFile, ReadsBackWhatItWritesAndSkipsBadLines)
{
    std::map<std::string, ras::dial_params> entries {
        {"Home", {"Home", "bob", "", ""}}, {"Work", {"Work", "ann", "a \"b\" \\c\n", "CORP"}}};
    auto text = ras::format_dial_params(entries);
    auto back = ras::parse_dial_params(text);
    EXPECT_EQ(back.entries, entries);
    EXPECT_TRUE(back.problems.empty());

    auto mixed = ras::parse_dial_params("# comment\r\n\r\n"
                                        "\"Work\" \"ann\" \"pw\" \"\"\r\n"
                                        "\"Home\" \"bob\"\n"
                                        "\"\" \"x\" \"y\" \"z\"\n"
                                        "\"Net\" \"u\" \"p\" \"SIXTEEN-LETTERS!\"\n"
                                        "\"Bad\" \"u\" \"p\" \"d\" extra\n"
                                        "\"Open \"u\n");
    ASSERT_EQ(mixed.entries.size(), 1u);
    EXPECT_EQ(mixed.entries.at("Work"), (ras::dial_params {"Work", "ann", "pw", ""}));
    EXPECT_EQ(mixed.problems.size(), 5u);
    EXPECT_EQ(mixed.problems.at(0), "line 4: four quoted texts expected");
    EXPECT_EQ(ras::parse_dial_params(std::string(ras::max_dial_params_file + 1, '#')).problems.size(), 1u);
}

TEST(TcpTable, ReadsTheKernelsTableInThisMachinesByteOrder)
{
    std::string text = "  sl  local_address rem_address   st tx_queue rx_queue\n"
                       "   0: " + hex_address(10, 1, 2, 3) + ":9C40 " + hex_address(93, 184, 216, 34) + ":0050 01 0:0\n"
                       "   1: " + hex_address(127, 0, 0, 1) + ":0CEA 00000000:0000 0A 0:0\n"
                       "   2: 0100007G:0CEA 00000000:0000 0A\n"
                       "   3: 0100007F:0CEA 00000000 0A\n"
                       "   4: 0100007F:0CEA 00000000:0000 A\n"
                       "garbage\n"
                       "   5: 0100007F:0CEA\n";
    auto table = ras::parse_tcp_table(text);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0], (ras::tcp_connection {{10, 1, 2, 3}, 40000, {93, 184, 216, 34}, 80, 1}));
    EXPECT_EQ(table[1], (ras::tcp_connection {{127, 0, 0, 1}, 3306, {0, 0, 0, 0}, 0, 10}));
    EXPECT_TRUE(ras::carries_live_tcp(table, {10, 1, 2, 3}));
    EXPECT_FALSE(ras::carries_live_tcp(table, {127, 0, 0, 1}));

    EXPECT_EQ(ras::parse_ipv4("10.1.2.3"), (ras::ipv4_address {10, 1, 2, 3}));
    for (const char* bad : {"", "10.1.2", "10.1.2.3.4", "256.1.1.1", "1..2.3", "a.b.c.d", "10.1.2.3 ", "1.2.3.0004"})
        EXPECT_FALSE(ras::parse_ipv4(bad)) << bad;
}
