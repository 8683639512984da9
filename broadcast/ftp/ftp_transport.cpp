#include "broadcast/ftp/ftp_transport.h"

#include "broadcast/ftp/quorbis_broadcast_dlg.h"
#include "broadcast/ftp/quorbis_ftp_broadcaster.h"
#include "broadcast/job/quorbis_broadcast.h"
#include "core/util/strings.h"

namespace broadcast {

namespace {

// The slot keeps the last broadcaster: a task the user cancelled may still be ending, and
// is waited for before the next broadcast and when the slot goes.
struct ftp_slot {
    explicit ftp_slot(ftp_transport_services services) : services(std::move(services)) { }
    ~ftp_slot() { wait_for_last(); }
    ftp_slot(const ftp_slot&) = delete;
    ftp_slot& operator=(const ftp_slot&) = delete;

    void wait_for_last()
    {
        if (last)
            last->wait_until_ended(core::infinite_timeout);
        last.reset();
    }

    ftp_transport_services services;
    std::shared_ptr<quorbis_ftp_broadcaster> last;
};

}

std::function<void(broadcast_ref, const form_preparation&)> make_ftp_transport(ftp_transport_services services)
{
    auto slot = std::make_shared<ftp_slot>(std::move(services));
    return [slot](broadcast_ref job, const form_preparation& preparation) {
        slot->wait_for_last();
        const ftp_transport_services& services = slot->services;
        ftp_broadcast_services task_services {services.server, services.sessions, services.zone,
            [settings = services.settings] {
                // FTP's command file carries no "user " line: the login is the account.
                return command_file_inputs {settings().command, std::nullopt, core::GetProgramVersionString(), false};
            },
            [](const quorbis_broadcast& job) { return form_greetings_file(job.send_form_as_attachment_); }};
        slot->last = std::make_shared<quorbis_ftp_broadcaster>(std::move(task_services), &preparation);
        const broadcast_dialog_services dialog_services {services.host, services.dialogs, services.clock,
            services.log_path};
        CTalverinBroadcastDlg dialog(dialog_services, std::make_shared<ftp_status_channel>(), [account = services.account] {
            const auto login = account().login;
            return ftp_credentials {login.login, login.password};
        }, services.register_dialog);
        dialog.DoBroadcast(slot->last, std::move(job));
    };
}

}
