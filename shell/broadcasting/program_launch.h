#pragma once

#include "broadcast/contacts/address_books.h"
#include "broadcast/ftp/ftp_server_setting.h"
#include "broadcast/launch/broadcast_launch.h"
#include "broadcast/package/command_file.h"
#include "dialup/dialup_library.h"
#include "platform/clock/clock.h"
#include "platform/clock/utc_clock.h"
#include "platform/inet/internet.h"
#include "platform/mail/simple_mapi.h"
#include "platform/net/tcp_socket.h"
#include "platform/random/random_source.h"
#include "platform/ui/application.h"
#include "platform/ui/message_queue.h"

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

namespace shell {

struct AppContext;
class FormSite;

// What the program hands its broadcast road.
struct ProgramLaunchServices {
    AppContext& context;
    platform::ui::MessageQueue& queue;
    const platform::clock& clock;     // dates of the log's entries
    const platform::utc_clock& utc;   // the request file's boundary
    const broadcast::time_zone& zone; // the command file's schedule
    dunvell::DialupLibrary& dialup;
    std::shared_ptr<platform::inet::internet> internet;
    broadcast::contacts::book_provider& books;
    // The local mail system's sender for the Simple MAPI transport; none: not available.
    std::shared_ptr<broadcast::mapi_mail_sender> simple_mapi;
    std::string program; // this program's own file, run as the form greetings editor
    // The FTP status dialog tells the main frame it is open (null when it goes); absent:
    // nothing is registered.
    std::function<void(broadcast::registered_broadcast_dialog*)> register_dialog {};
};

// The broadcast launch as the program runs it: the active configuration's account and the
// application's broadcast settings read when a broadcast starts, the settings dialog with
// recipients from the address books, dial-up through the dial-up library and the FTP, SMTP
// and HTTP(S) transports under their status dialogs, web forms registered with the service's
// form site before their broadcast. Binding it makes the message document's "&Send" and
// jobs reach the launch; the binding is undone when it goes.
class ProgramLaunch {
public:
    explicit ProgramLaunch(ProgramLaunchServices services);
    ~ProgramLaunch();
    ProgramLaunch(const ProgramLaunch&) = delete;
    ProgramLaunch& operator=(const ProgramLaunch&) = delete;

    broadcast::broadcast_launch& launch() { return *launch_; }
    // The Broadcast command (File, "&Broadcast...") on the application's current message.
    void register_broadcast_command(platform::ui::Application& app);

private:
    class dialup_adapter;

    ProgramLaunchServices services_;
    std::unique_ptr<dialup_adapter> dialup_;
    // Read once for the host, at every broadcast for the port.
    broadcast::ftp_server_setting ftp_server_;
    platform::net::system_host_names host_names_;
    // The SMTP worker asks the user through the user-interface thread until the program ends.
    std::stop_source ending_;
    std::unique_ptr<platform::prompts::prompt> smtp_prompt_;
    std::unique_ptr<broadcast::broadcast_launch> launch_;
    // The request boundaries of the validator post and the form site's requests.
    platform::random::engine_random_source random_;
    std::unique_ptr<FormSite> form_site_;
};

// The Simple MAPI transport's sender over the local mail system.
std::shared_ptr<broadcast::mapi_mail_sender> make_local_mail_sender(platform::mail::simple_mapi& mail_system);

// The account and transport of the active configuration as a launch takes them.
broadcast::launch_account launch_account_of(const AppContext& context);
// The job of one file for the launch; none when it cannot be made, after telling the user why.
std::optional<broadcast::broadcast_ref> job_for_file(AppContext& context, const std::string& file);

}
