#include "broadcast/ftp/ftp_transport.h"

#include "broadcast/ftp/quorbis_broadcast_dlg.h"
#include "broadcast/ftp/quorbis_ftp_broadcaster.h"
#include "broadcast/job/quorbis_broadcast.h"
#include "core/util/strings.h"

namespace broadcast {

std::function<void(broadcast_ref, const form_preparation&)> make_ftp_transport(ftp_transport_services services)
{
    return [services = std::move(services)](broadcast_ref job, const form_preparation& preparation) {
        ftp_broadcast_services task_services {services.server, services.sessions, services.zone,
            [settings = services.settings] {
                // FTP's command file carries no "user " line: the login is the account.
                return command_file_inputs {settings().command, std::nullopt, core::GetProgramVersionString(), false};
            },
            [](const quorbis_broadcast& job) { return form_greetings_file(job.send_form_as_attachment_); }};
        auto broadcaster = std::make_shared<quorbis_ftp_broadcaster>(std::move(task_services), &preparation);
        const broadcast_dialog_services dialog_services {services.host, services.dialogs, services.clock, services.log_path};
        CTalverinBroadcastDlg dialog(dialog_services, std::make_shared<ftp_status_channel>(), [account = services.account] {
            const auto login = account().login;
            return ftp_credentials {login.login, login.password};
        });
        dialog.DoBroadcast(std::move(broadcaster), std::move(job));
    };
}

}
