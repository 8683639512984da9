#include "shell/broadcasting/program_launch.h"

#include "broadcast/ftp/ftp_transport.h"
#include "broadcast/http/http_broadcast_dlg.h"
#include "broadcast/job/quorbis_broadcast.h"
#include "broadcast/log/broadcast_log.h"
#include "broadcast/mapi/simple_mapi_classes.h"
#include "broadcast/smtp/smtp_broadcast.h"
#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "core/util/strings.h"
#include "platform/ftp/ftp_session.h"
#include "platform/ui/worker_prompt.h"
#include "shell/app_context.h"
#include "shell/broadcasting/service_form_site.h"
#include "shell/broadcasting/settings_runner.h"
#include "shell/command_line.h"
#include "shell/documents/talverin_doc.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/jobs/broadcast_jobs.h"
#include "shell/view/broadcast_command.h"

#include <algorithm>
#include <thread>

namespace shell {

namespace {

constexpr unsigned IDS_APP_TITLE = 57344; // the user agent of the service's gateway

broadcast::command_settings command_settings_of(const Settings& settings)
{
    return {settings.autopull_images, settings.acceptance_report, settings.dsn, settings.mdn, settings.progress_report};
}

// The HTTP(S) transport: its status dialog runs the worker; when the dialog closes the
// worker is told to stop and joined before the job's reference goes.
void run_http_broadcast(const ProgramLaunchServices& services, broadcast::broadcast_ref job)
{
    auto& context = services.context;
    const auto& config = context.current_config;
    const bool secure = config.GetHTTPUseSecure() != 0;
    const auto version = core::GetProgramVersionString();
    const broadcast::service_account account {config.GetLogin(), config.GetPassword()};

    broadcast::http_broadcast_settings settings;
    settings.account = {account.login, account.password, version};
    settings.url = secure ? context.settings.http_broadcast_url_secure : context.settings.http_broadcast_url;
    settings.secure = secure;
    settings.agent = context.services.ui.strings().text(IDS_APP_TITLE);
    settings.command_inputs = {command_settings_of(context.settings), account, version, job->IsUseSendFriendStatment()};
    if (job->is_form_)
        settings.greetings_file = broadcast::form_greetings_file(job->send_form_as_attachment_);

    const broadcast::http_broadcast_services transfer {services.internet, services.zone, services.utc, services.clock,
        broadcast::broadcast_log_path(), core::standard_folder_path(0)};
    const broadcast::broadcast_dialog_services dialog_services {context.services.ui, context.services.dialogs,
        services.clock, broadcast::broadcast_log_path()};
    auto status = std::make_shared<broadcast::broadcast_status>();
    std::jthread worker;
    {
        broadcast::CHTTPBroadcastDlg dialog(std::move(job), status, dialog_services, std::move(settings), transfer,
            worker);
        dialog.DoModal();
    }
    status->cancel();
}

// The Simple MAPI worker's sender: one session of the mail system's classes, their
// failures as the worker reports them.
class local_mail_sender final : public broadcast::mapi_mail_sender {
public:
    explicit local_mail_sender(platform::mail::simple_mapi& mail_system) : mail_system_(mail_system), sender_(mail_system) { }

    bool loaded() const override { return mail_system_.loaded(); }
    void logon(std::uintptr_t parent_window) override
    {
        translated([&] { sender_.logon(parent_window); });
    }
    void send(const broadcast::mapi_mail& mail) override
    {
        translated([&] { sender_.send(mail.subject, mail.recipient, mail.attachments); });
    }
    void logoff() override
    {
        translated([&] { sender_.logoff(); });
    }

private:
    template <typename Call> static void translated(Call call)
    {
        try {
            call();
        } catch (const broadcast::mapi::mapi_error& error) {
            throw broadcast::mapi_error(error.failure());
        }
    }

    platform::mail::simple_mapi& mail_system_;
    broadcast::mapi::mapi_mail_sender sender_;
};

}

std::shared_ptr<broadcast::mapi_mail_sender> make_local_mail_sender(platform::mail::simple_mapi& mail_system)
{
    return std::make_shared<local_mail_sender>(mail_system);
}

// The launch's view of the dial-up library.
class ProgramLaunch::dialup_adapter final : public broadcast::dialup_connection {
public:
    explicit dialup_adapter(dunvell::DialupLibrary& library) : library_(library) { }
    int RASDllOK() override { return library_.RASDllOK(); }
    long SetCurrentConfig(const std::string& name) override { return library_.SetCurrentConfig(name); }
    int Dial(std::uintptr_t window) override { return library_.Dial(window); }
    int State() override { return library_.State(); }

private:
    dunvell::DialupLibrary& library_;
};

broadcast::launch_account launch_account_of(const AppContext& context)
{
    const auto& config = context.current_config;
    return {config.GetName(), config.GetTransportProtocol(), config.GetConnection(),
        broadcast::service_account {config.GetLogin(), config.GetPassword()}, config.GetSMTPServer(),
        static_cast<unsigned>(std::max(config.GetSMTPWaitTimeout(), 0))};
}

std::optional<broadcast::broadcast_ref> job_for_file(AppContext& context, const std::string& file)
{
    try {
        return share_broadcast_job(job_from_file(file));
    } catch (const broadcast_job_error& error) {
        TRACE_LOG("job_for_file() -- %s\n", error.what());
        context.services.ui.message_box(error.what(), platform::ui::MB_OK | platform::ui::MB_ICONERROR);
        return std::nullopt;
    }
}

ProgramLaunch::ProgramLaunch(ProgramLaunchServices services)
    : services_(std::move(services)), dialup_(std::make_unique<dialup_adapter>(services_.dialup)),
      ftp_server_([&profile = services_.context.services.profile] { return profile.get_string("broadcast", "FTPServer", ""); },
          broadcast::default_ftp_host())
{
    auto& context = services_.context;
    auto& ui = context.services.ui;
    smtp_prompt_ = std::make_unique<platform::ui::worker_prompt>(ui, services_.queue.ui_calls(), ending_.get_token());
    auto account = [&context] { return launch_account_of(context); };
    auto settings = [&context] {
        return broadcast::service_settings {context.settings.smtp_dest_addr, command_settings_of(context.settings)};
    };
    const broadcast::broadcast_dialog_services dialog_services {ui, context.services.dialogs, services_.clock,
        broadcast::broadcast_log_path()};

    broadcast::transport_set transports;
    transports.ftp = broadcast::make_ftp_transport({ui, context.services.dialogs, services_.clock,
        broadcast::broadcast_log_path(), ftp_server_,
        [](const platform::ftp::ftp_endpoint& endpoint) { return platform::ftp::make_curl_ftp_session(endpoint); },
        services_.zone, account, settings, services_.register_dialog});
    transports.smtp = broadcast::make_smtp_transport({dialog_services,
        {*smtp_prompt_, ui.strings(), host_names_, std::chrono::milliseconds(1000), services_.zone, services_.utc,
            services_.clock, broadcast::broadcast_log_path(), core::standard_folder_path(0)},
        account, settings});
    transports.http = [this](broadcast::broadcast_ref job) { run_http_broadcast(services_, std::move(job)); };
    transports.simple_mapi = services_.simple_mapi;
    launch_ = std::make_unique<broadcast::broadcast_launch>(broadcast::launch_services {ui,
        services_.queue, context.services.clock, services_.clock, context.services.dialogs, account, settings,
        *dialup_, std::move(transports), make_settings_runner(context, services_.clock, services_.books),
        services_.program, form_greetings_arguments, {}, services_.register_dialog});
    form_site_ = std::make_unique<ServiceFormSite>(context, services_.internet, random_);
    context.document_seams.make_job = [&context](const std::string& file) { return job_for_file(context, file); };
    context.document_seams.dispatcher = launch_.get();
}

void ProgramLaunch::register_broadcast_command(platform::ui::Application& app)
{
    app.commands().on_command(ID_FILE_BROADCAST, [this, &app](int) {
        auto* document = services_.context.current_document;
        auto* manager = dynamic_cast<CTalverinDocManager*>(app.doc_manager());
        if (!document || !manager)
            return;
        on_broadcast(*document, {services_.context, *manager, *launch_, *form_site_, [this](bool) { return launch_->busy(); }});
    });
}

ProgramLaunch::~ProgramLaunch()
{
    ending_.request_stop();
    auto& seams = services_.context.document_seams;
    if (seams.dispatcher == launch_.get()) {
        seams.dispatcher = nullptr;
        seams.make_job = nullptr;
    }
}

}
