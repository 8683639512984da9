#pragma once

#include "platform/ras/dialup_networking.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace platform::ras {

// Where the pppd dial-up networking finds its parts; tests point them at fixtures.
struct pppd_setup {
    std::string program = "/usr/sbin/pppd";
    std::string peers = "/etc/ppp/peers"; // the phonebook: one file per entry
    std::string run = "/run";             // pppd's ppp*.pid files
    std::string proc = "/proc";
    std::string temp = "/tmp";            // the dial's options file, briefly
    std::string params_file;              // the stored logon data (<config>/dialup.txt)
    // The IPv4 address of a network interface; empty: the system's interfaces are asked.
    std::function<std::optional<std::string>(const std::string& interface)> interface_address;
};

// A peer name pppd calls: letters, digits, ".", "_" and "-", not starting with ".".
bool is_peer_name(std::string_view name);

// The state a line pppd prints while dialling announces; nothing for other lines.
std::optional<unsigned> state_of_pppd_line(std::string_view line);

// The entry a pppd command line (/proc/<pid>/cmdline, NUL-separated) calls; empty for none.
std::string called_entry(std::string_view cmdline);

// The text of the logon options given to pppd in a file of its own: the user as
// "DOMAIN\user" and the password. Nothing when a field holds a control character,
// which pppd's option files could not carry unchanged.
std::optional<std::string> pppd_logon_options(const dial_params& params);

// Dial-up networking over pppd. The phonebook entries are pppd's peers; a dial runs
// "pppd call <entry> updetach file <options>", reading its progress lines, and the
// connection is the pppd that stays after it detached, found by its pid file in the run
// folder. Connections outlive the program, as the system's do, and a later run finds them.
class pppd_dialup_networking final : public dialup_networking {
public:
    explicit pppd_dialup_networking(pppd_setup setup);
    ~pppd_dialup_networking() override;

    bool usable() override;
    entry_list entries() override;
    long create_entry(std::uintptr_t parent) override;
    long edit_entry(std::uintptr_t parent, const std::string& entry) override;
    dial_params_result get_entry_dial_params(const std::string& entry) override;
    long set_entry_dial_params(const dial_params& params) override;
    dial_start dial(const dial_params& params, dial_event on_event) override;
    connect_status status(connection_handle handle) override;
    connection_list active_connections() override;
    long hang_up(connection_handle handle) override;
    ip_projection projection(connection_handle handle) override;

private:
    struct connection;
    struct running_pppd {
        int pid = 0;
        std::string entry;
        std::string pid_file;
    };

    std::vector<running_pppd> running() const;
    // A detached pppd is still there when its pid still calls the entry.
    bool still_running(int pid, const std::string& entry) const;
    void watch_dial(std::shared_ptr<connection> record, dial_event on_event);
    connection_handle handle_for_pid_locked(const running_pppd& found);

    pppd_setup setup_;
    std::atomic<bool> usable_ {false};
    std::mutex mutex_;
    std::mutex params_mutex_;
    std::map<connection_handle, std::shared_ptr<connection>> connections_;
    connection_handle last_handle_ = 0;
};

}
