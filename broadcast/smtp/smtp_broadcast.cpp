#include "broadcast/smtp/smtp_broadcast.h"

#include "broadcast/job/quorbis_broadcast.h"
#include "broadcast/log/broadcast_log.h"
#include "broadcast/mime/mime_msg.h"
#include "broadcast/package/quorbis_zip.h"
#include "broadcast/smtp/mail_thread.h"
#include "broadcast/smtp/smtp_settings.h"
#include "broadcast/status/status_worker.h"
#include "core/files/file_text.h"
#include "core/log/trace_log.h"
#include "core/util/strings.h"
#include "platform/threads/thread_queue.h"

#include <optional>
#include <stop_token>

namespace broadcast {

namespace {

#define WORKER_TRACE(format, ...) TRACE_LOG("sendSMTPbroadcast() - " format __VA_OPT__(, ) __VA_ARGS__)

constexpr const char* smtp_transport_word = "Native SMTP";

class smtp_worker : public status_worker {
public:
    smtp_worker(broadcast_ref job, std::shared_ptr<broadcast_status> status, const smtp_broadcast_settings& settings,
        const smtp_broadcast_services& services)
        : status_worker(std::move(job), std::move(status), smtp_transport_word, services.clock, services.log_path,
              "sendSMTPbroadcast - quit message arrived\n"),
          settings_(settings), services_(services)
    {
    }

    void run();

private:
    const smtp_broadcast_settings& settings_;
    const smtp_broadcast_services& services_;
};

void smtp_worker::run()
{
    if (job_stopped()) {
        WORKER_TRACE("stop_immediately_, return\n");
        return;
    }

    WORKER_TRACE("step 1: build the broadcast's arcive\n");
    if (stopped())
        return;
    status_->set_state(1);
    std::optional<quorbis_zip> package;
    try {
        job_->adopt_form_folders(settings_.greetings_file);
        package.emplace(true, true);
        package->write_command_file(job_, settings_.command_inputs, services_.zone);
    } catch (const std::exception& error) {
        WORKER_TRACE("failed to build the package: %s\n", error.what());
        finish(state_failed, core::format_resource_cstring(3149, error.what()));
        return;
    }

    WORKER_TRACE("step 2: building the message\n");
    if (stopped())
        return;
    status_->set_state(2);
    WORKER_TRACE("host: = %s\n", settings_.server.c_str());
    WORKER_TRACE("destination address: = %s\n", settings_.destination.c_str());
    // A line break would end the envelope's command and start another, a lone "." the data.
    if (!smtp::usable_destination_address(settings_.destination)) {
        finish(state_failed, core::load_string_resource(smtp::dest_addr_refused_message));
        return;
    }
    CMIMEMsg message(services_.utc, services_.temporary_folder);
    message.SetTo(settings_.destination);
    TRACE_LOG("Preparing MIME message...\n");
    std::vector<std::string> files {package->package_folder() + "/command.txt"};
    for (const auto& name : package->files_to_archive())
        files.push_back(package->package_folder() + "/" + name);
    for (const auto& file : files) {
        TRACE_LOG("\"%s\"\n", file.c_str());
        message.AddFile(file);
    }
    TRACE_LOG("MIME message is ready\n");

    WORKER_TRACE("step 3: set message size\n");
    // Written now, so a file gone since the package was made fails before connecting.
    if (!message.CreateTmpMessageFile()) {
        WORKER_TRACE("failed to create the message file\n");
        finish(state_failed, core::format_resource_cstring(3149, message.last_error().c_str()));
        return;
    }
    show_file_size(message.GetTmpMessageFile());
    if (stopped())
        return;

    WORKER_TRACE("step 4: sending the message\n");
    if (stopped())
        return;
    status_->set_state(3);
    // The user's Cancel reaches the dialogue as a quit in this thread's queue.
    const auto self = platform::threads::current_thread_id();
    std::stop_callback forward_quit(status_->stop_token(),
        [self] { platform::threads::post_thread_message(self, platform::threads::WM_QUIT, 0, 0); });
    const smtp::smtp_context context {services_.prompt, services_.strings, services_.names, settings_.wait_timeout,
        services_.tick};
    const int sent = smtp::SendViaSMTP(context, {settings_.server, "", settings_.destination, message.GetTmpMessageFile()});
    if (sent < 0 || stopped())
        return;
    status_->set_state(4);
    finish(sent == 1 ? state_succeeded : state_failed, {});
    WORKER_TRACE("return\n");
}

}

void sendSMTPbroadcast(broadcast_ref job, std::shared_ptr<broadcast_status> status,
    const smtp_broadcast_settings& settings, const smtp_broadcast_services& services)
{
    smtp_worker(std::move(job), std::move(status), settings, services).run();
}

CSMTPBroadcastDlg::CSMTPBroadcastDlg(broadcast_ref job, std::shared_ptr<broadcast_status> status,
    const broadcast_dialog_services& dialog_services, smtp_broadcast_settings settings,
    const smtp_broadcast_services& services, std::jthread& worker)
    : CBroadcastDlg(1148, smtp_transport_word, std::move(job), std::move(status), dialog_services),
      settings_(std::move(settings)), services_(services), worker_(worker)
{
}

bool CSMTPBroadcastDlg::OnInitDialog()
{
    if (!CBroadcastDlg::OnInitDialog())
        return false;
    worker_ = std::jthread([job = this->job(), status = this->status(), settings = settings_, &services = services_] {
        sendSMTPbroadcast(job, status, settings, services);
    });
    return true;
}

std::function<void(broadcast_ref)> make_smtp_transport(smtp_transport_services services)
{
    struct slot {
        smtp_transport_services services;
        std::jthread worker;
    };
    auto state = std::make_shared<slot>(slot {std::move(services), {}});
    return [state](broadcast_ref job) {
        if (state->worker.joinable())
            state->worker.join();
        const launch_account account = state->services.account();
        const service_settings values = state->services.settings();
        smtp_broadcast_settings settings;
        settings.server = account.smtp_server;
        settings.wait_timeout = account.smtp_wait_timeout;
        settings.destination = values.smtp_dest_addr;
        settings.command_inputs = {values.command, account.login, core::GetProgramVersionString(),
            job->IsUseSendFriendStatment()};
        settings.greetings_file = form_greetings_file(job->send_form_as_attachment_);
        CSMTPBroadcastDlg dialog(std::move(job), std::make_shared<broadcast_status>(), state->services.dialog,
            std::move(settings), state->services.worker, state->worker);
        dialog.DoModal();
    };
}

}
