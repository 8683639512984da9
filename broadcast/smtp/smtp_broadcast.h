#pragma once

#include "broadcast/job/broadcast_ref.h"
#include "broadcast/launch/launch_services.h"
#include "broadcast/package/command_file.h"
#include "broadcast/smtp/smtp_context.h"
#include "broadcast/status/broadcast_dlg.h"
#include "broadcast/status/broadcast_status.h"

#include <memory>
#include <string>
#include <thread>

namespace platform {
class clock;
class utc_clock;
}

namespace broadcast {

// Snapshots the SMTP worker takes with it when the broadcast starts.
struct smtp_broadcast_settings {
    std::string server;        // the configuration's SMTP server, "host[:port]"
    unsigned wait_timeout = 25; // one-second waits before the user is asked
    std::string destination;   // SMTPDestAddr
    command_file_inputs command_inputs; // with the "user " line
    std::string greetings_file; // the form greetings the job adopts
};

// The services the SMTP worker uses, shared with the program. The prompt is called from
// the mail thread.
struct smtp_broadcast_services {
    platform::prompts::prompt& prompt;
    const platform::strings::string_table& strings;
    const platform::net::host_names& names;
    std::chrono::milliseconds tick {1000};
    const time_zone& zone;
    const platform::utc_clock& utc;   // the message file's boundary
    const platform::clock& clock;     // dates of the log's entries
    std::string log_path;             // "Broadcast.log"
    std::string temporary_folder;     // where the message file is made
};

// The SMTP transport's worker: builds the package (no archive), writes the MIME message of
// "command.txt" and every file it names, and sends it to the destination through the SMTP
// server, reporting states 1 to 4 and then 5 or 6 (logged with "Native SMTP"). An unusable
// destination or a message file that cannot be written fails before connecting. The user's
// Cancel (the status's stop) ends it silently: between steps, or as a quit forwarded to the
// mail thread, which then sends no end marker.
void sendSMTPbroadcast(broadcast_ref job, std::shared_ptr<broadcast_status> status,
    const smtp_broadcast_settings& settings, const smtp_broadcast_services& services);

// The SMTP transport's status dialog (title 1148), which starts the worker when it opens.
// The thread goes into a slot its creator keeps; the worker holds the job reference, the
// status and its own copies of the settings, never the dialog.
class CSMTPBroadcastDlg : public CBroadcastDlg {
public:
    CSMTPBroadcastDlg(broadcast_ref job, std::shared_ptr<broadcast_status> status,
        const broadcast_dialog_services& dialog_services, smtp_broadcast_settings settings,
        const smtp_broadcast_services& services, std::jthread& worker);

    bool OnInitDialog() override;

private:
    smtp_broadcast_settings settings_;
    const smtp_broadcast_services& services_;
    std::jthread& worker_;
};

// What the SMTP transport takes from the program, all living as long as the program.
struct smtp_transport_services {
    broadcast_dialog_services dialog;
    smtp_broadcast_services worker;
    std::function<launch_account()> account;     // SMTP server and wait of the active configuration
    std::function<service_settings()> settings;  // SMTPDestAddr and the command file's values
};

// The launch's SMTP slot: the status dialog over a new worker, run until the user closes
// it. The worker's thread stays in the slot (a cancelled one may still be ending) and is
// joined before the next broadcast and when the slot goes.
std::function<void(broadcast_ref)> make_smtp_transport(smtp_transport_services services);

}
