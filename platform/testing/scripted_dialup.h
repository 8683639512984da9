#pragma once

#include "platform/ras/dialup_networking.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace platform::testing {

// Dial-up networking as a test plays it: usable when the test says so, with the entries,
// logon data and failures it gives. A dial only starts; the test advances it step by step,
// each step told on a thread of its own as the system's layer does. Connections opened
// outside the program can be added; a hung-up connection is released after the number of
// status asks the test sets.
class scripted_dialup final : public ras::dialup_networking {
public:
    bool is_usable = false;
    std::vector<std::string> entry_names;
    std::map<std::string, ras::dial_params> stored_params;
    long entries_error = 0;
    long create_error = 0;
    long get_params_error = 0;
    long set_params_error = 0;
    long dial_error = 0;
    long hang_up_error = 0;
    int release_after_asks = 0;        // status asks after a hang-up before the release
    std::string link_address = "10.1.2.3";
    long projection_error = 0;
    // Entries the system's dialog makes when create_entry is called.
    std::vector<std::string> created_by_dialog;

    bool usable() override;
    ras::entry_list entries() override;
    long create_entry(std::uintptr_t parent) override;
    long edit_entry(std::uintptr_t parent, const std::string& entry) override;
    ras::dial_params_result get_entry_dial_params(const std::string& entry) override;
    long set_entry_dial_params(const ras::dial_params& params) override;
    ras::dial_start dial(const ras::dial_params& params, ras::dial_event on_event) override;
    ras::connect_status status(ras::connection_handle handle) override;
    ras::connection_list active_connections() override;
    long hang_up(ras::connection_handle handle) override;
    ras::ip_projection projection(ras::connection_handle handle) override;

    // The last dial's next step, told on another thread; a non-zero error fails the dial.
    void step(unsigned state, long error = 0);
    // A connection to the entry that this program did not dial.
    ras::connection_handle add_outside_connection(const std::string& entry);
    // The line drops: the connection is released at once.
    void line_down(ras::connection_handle handle);
    ras::connection_handle last_dial() const;

    // What the program asked for.
    std::vector<std::string> hung_up() const;
    std::vector<ras::dial_params> dials() const;
    std::vector<ras::dial_params> params_written() const;
    int status_asks() const;

private:
    struct connection {
        std::string entry;
        unsigned state = ras::state_open_port;
        bool released = false;
        bool hanging_up = false;
        int asks_left = 0;
        ras::dial_event on_event;
    };

    mutable std::mutex mutex_;
    std::map<ras::connection_handle, connection> connections_;
    ras::connection_handle last_handle_ = 0;
    ras::connection_handle last_dial_ = 0;
    std::vector<std::string> hung_up_;
    std::vector<ras::dial_params> dials_;
    std::vector<ras::dial_params> params_written_;
    int status_asks_ = 0;
};

}
