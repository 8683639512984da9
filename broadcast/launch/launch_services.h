#pragma once

#include "broadcast/job/broadcast_ref.h"
#include "broadcast/job/form_preparation.h"
#include "broadcast/launch/mapi_mail_sender.h"
#include "broadcast/package/command_file.h"

#include "platform/clock/clock.h"
#include "platform/process/process.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/tick_clock.h"
#include "platform/ui/ui_host.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace broadcast {

// The active configuration as the launch reads it, taken when a broadcast starts.
struct launch_account {
    std::string name;
    std::optional<int> transport; // 0 FTP, 1 SMTP, 2 Simple MAPI, 3 HTTP(S); unset means 3
    int connection = 0;           // 1: dial up first
    service_account login;
    std::string smtp_server;          // "host[:port]"
    unsigned smtp_wait_timeout = 25;  // one-second waits before the user is asked
};

// The application's broadcast values the transports read.
struct service_settings {
    std::string smtp_dest_addr;
    command_settings command;
};

// The dial-up library's calls the launch makes.
class dialup_connection {
public:
    virtual ~dialup_connection() = default;
    virtual int RASDllOK() = 0;
    virtual long SetCurrentConfig(const std::string& name) = 0;
    virtual int Dial(std::uintptr_t window) = 0;
    virtual int State() = 0;
};

// The transports, each run to its end with the job on the user-interface thread, and the
// Simple MAPI sender the worker thread uses. A slot the program leaves empty is a
// transport this build does not have: a broadcast by it fails at once, naming it. The
// FTP broadcaster prepares the form itself (PreprocessForm) with what it is given.
struct transport_set {
    std::function<void(broadcast_ref, const form_preparation&)> ftp;
    std::function<void(broadcast_ref)> smtp;
    std::function<void(broadcast_ref)> http;
    std::shared_ptr<mapi_mail_sender> simple_mapi;
};

// The status dialog of the broadcast under way, as the main frame holds it while it is open.
class registered_broadcast_dialog {
public:
    virtual ~registered_broadcast_dialog() = default;
    // The broadcast has ended and the dialog only waits to be closed.
    virtual bool finished() const = 0;
    virtual void bring_to_front() = 0;
    // Closes the dialog's window at once (the program is ending).
    virtual void destroy_window() = 0;
};

// What the broadcast launch takes from the program.
struct launch_services {
    platform::ui::UiHost& ui;
    platform::ui::MessageQueue& queue;
    const platform::ui::tick_clock& ticks; // the queue's clock
    const platform::clock& clock;          // for the broadcast log
    const platform::ui::DialogTemplates& dialogs;
    std::function<launch_account()> account;
    std::function<service_settings()> settings;
    dialup_connection& dialup;
    transport_set transports;
    // The broadcast settings dialog on the job; throws platform::ui::command_aborted when
    // the user cancels. Until the program has one, nothing can be broadcast.
    std::function<void(broadcast_ref)> run_settings;
    // The greetings editor: the program's own file and the parameters of that mode.
    std::string greetings_program;
    std::function<std::vector<std::string>(const std::string& greetings, const std::string& redirector,
        bool remove_link)>
        greetings_arguments;
    // The active view makes a web form; absent or false without a view.
    std::function<bool()> form_creation_mode;
    // A status dialog registers itself with the main frame while it is open, and
    // unregisters (null) when it closes; absent: nothing is registered.
    std::function<void(registered_broadcast_dialog*)> register_dialog {};
};

}
