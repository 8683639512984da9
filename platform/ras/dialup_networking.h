#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::ras {

// Connection states as the dial-up calls number them: lower numbers are steps of dialling.
inline constexpr unsigned state_open_port = 0;
inline constexpr unsigned state_connect_device = 3;   // the line to the server is up
inline constexpr unsigned state_authenticate = 5;
inline constexpr unsigned state_authenticated = 14;
inline constexpr unsigned state_connected = 8192;
inline constexpr unsigned state_disconnected = 8193;

// Error numbers of the dial-up calls; 0 is success.
inline constexpr long error_invalid_handle = 6;         // the connection is gone (released)
inline constexpr long error_invalid_parameter = 87;
inline constexpr long error_buffer_too_small = 603;
inline constexpr long error_cannot_find_entry = 623;
inline constexpr long error_projection_not_complete = 730;
// A dial that ended with pppd's exit status s fails with error_pppd_exit + s.
inline constexpr long error_pppd_exit = 20000;
// Entries are not made or changed here: they are pppd's peers, kept by the administrator.
inline constexpr long error_entries_read_only = 20100;
// The stored logon data could not be read or written.
inline constexpr long error_dial_params_store = 20101;

// Logon data of a phonebook entry.
struct dial_params {
    std::string entry;
    std::string user;
    std::string password;
    std::string domain;
    bool operator==(const dial_params&) const = default;
};

// Limits of the logon data, as the settings dialog takes them.
inline constexpr std::size_t max_entry_name = 256;
inline constexpr std::size_t max_user = 256;
inline constexpr std::size_t max_password = 256;
inline constexpr std::size_t max_domain = 15;

using connection_handle = std::uint64_t; // 0 is none

struct entry_list {
    long error = 0;
    std::vector<std::string> names;
};

struct dial_params_result {
    long error = 0;
    dial_params params;
};

struct dial_start {
    long error = 0;
    connection_handle handle = 0;
};

struct connect_status {
    long error = 0; // error_invalid_handle once the connection is released
    unsigned state = state_disconnected;
};

struct active_connection {
    connection_handle handle = 0;
    std::string entry;
};

struct connection_list {
    long error = 0;
    std::vector<active_connection> connections;
};

struct ip_projection {
    long error = 0;
    std::string address; // the link's own IPv4 address, dotted
};

// Told of each step of a dial on a thread of the layer: the state, and a non-zero error
// when the dial failed.
using dial_event = std::function<void(unsigned state, long error)>;

// The system's dial-up networking. Every call may come from any thread.
class dialup_networking {
public:
    virtual ~dialup_networking() = default;
    // The entry points and the phonebook are there for this user.
    virtual bool usable() = 0;

    // The phonebook's entries.
    virtual entry_list entries() = 0;
    // Makes a new entry, or changes one, as the user says in the system's own dialog.
    virtual long create_entry(std::uintptr_t parent) = 0;
    virtual long edit_entry(std::uintptr_t parent, const std::string& entry) = 0;

    // The stored logon data of an entry (empty fields when none was stored).
    virtual dial_params_result get_entry_dial_params(const std::string& entry) = 0;
    virtual long set_entry_dial_params(const dial_params& params) = 0;

    // Starts dialling the entry; the steps reach `on_event` later, the last being
    // state_connected or a failure. A start error returns no handle and calls nothing.
    virtual dial_start dial(const dial_params& params, dial_event on_event) = 0;
    virtual connect_status status(connection_handle handle) = 0;
    // The connections that are up or coming up, also those made outside the program.
    virtual connection_list active_connections() = 0;
    // Ends a connection; it is released (status answers error_invalid_handle) a little later.
    virtual long hang_up(connection_handle handle) = 0;
    virtual ip_projection projection(connection_handle handle) = 0;
};

}
