#pragma once

#include "broadcast/ftp/ftp_server_setting.h"
#include "broadcast/job/broadcast_ref.h"
#include "broadcast/job/form_preparation.h"
#include "broadcast/launch/launch_services.h"
#include "platform/ftp/ftp_session.h"

#include <functional>
#include <string>

namespace platform {
class clock;
}

namespace broadcast {

// What the FTP transport takes from the program, all living as long as the program.
struct ftp_transport_services {
    platform::ui::UiHost& host;
    const platform::ui::DialogTemplates& dialogs;
    const platform::clock& clock;
    std::string log_path;            // "Broadcast.log"
    ftp_server_setting& server;
    platform::ftp::ftp_session_factory sessions;
    const time_zone& zone;
    std::function<launch_account()> account;     // the active configuration's snapshot
    std::function<service_settings()> settings;  // the command file's broadcast values
    // The status dialog registers itself with the main frame while it exists; absent:
    // nothing is registered.
    std::function<void(registered_broadcast_dialog*)> register_dialog {};
};

// The launch's FTP slot: the FTP status dialog (CTalverinBroadcastDlg) over a new
// broadcaster, run until the user closes it.
std::function<void(broadcast_ref, const form_preparation&)> make_ftp_transport(ftp_transport_services services);

}
