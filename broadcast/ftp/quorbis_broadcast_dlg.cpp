#include "broadcast/ftp/quorbis_broadcast_dlg.h"

#include "broadcast/ftp/job_number.h"
#include "broadcast/log/broadcast_log.h"
#include "broadcast/status/broadcast_dlg.h"
#include "broadcast/status/status_template.h"
#include "core/log/trace_log.h"
#include "core/util/strings.h"

namespace broadcast {

using namespace status_template;

namespace {

constexpr const char* transport_word = "FTP";

}

std::unique_ptr<hevtools::durable_operation_manager> progressdlg_dopmanager::make_observer()
{
    return std::make_unique<progressdlg_dopmanager>(channel_);
}

bool progressdlg_dopmanager::report_progress(hevtools::operation_step& step)
{
    return channel_->report(step.progress(), step.status_text);
}

void progressdlg_dopmanager::signal(std::int32_t value)
{
    channel_->end(value != 0);
}

bool progressdlg_dopmanager::enter_step(hevtools::operation_step& step)
{
    durable_operation_manager::enter_step(step);
    channel_->set_busy(current_step() != nullptr);
    show_step(step, true);
    return true;
}

void progressdlg_dopmanager::leave_step(hevtools::operation_step& step)
{
    show_step(step, false);
    durable_operation_manager::leave_step(step);
    channel_->set_busy(current_step() != nullptr);
}

void progressdlg_dopmanager::show_step(const hevtools::operation_step& step, bool entering)
{
    if (step.kind() == step_no_line)
        return;
    if (step.kind() == step_second_line) {
        channel_->line(control_second_line, step.name());
        return;
    }
    std::string text = step.name();
    if (!entering && step.value != step_failed)
        text += core::load_string_resource(20031);
    channel_->line(control_text, std::move(text));
}

CQuorbisBroadcastDlg::CQuorbisBroadcastDlg(const broadcast_dialog_services& services,
    std::shared_ptr<ftp_status_channel> channel)
    : Dialog(services.dialogs.get(template_id), services.host), progressdlg_dopmanager(std::move(channel)),
      services_(services)
{
}

CQuorbisBroadcastDlg::~CQuorbisBroadcastDlg()
{
    channel()->detach(*this);
}

int CQuorbisBroadcastDlg::DoBroadcast(std::shared_ptr<quorbis_broadcaster> broadcaster, broadcast_ref job)
{
    broadcaster_ = std::move(broadcaster);
    job_ = std::move(job);
    return DoModal();
}

bool CQuorbisBroadcastDlg::OnInitDialog()
{
    if (!broadcaster_ || !job_)
        return false;
    if (!Dialog::OnInitDialog())
        return false;
    item(control_picture).image = picture_working;
    channel()->attach(*this);
    broadcaster_->broadcast(job_, credentials(), port(), this);
    return true;
}

void CQuorbisBroadcastDlg::OnMessage(std::uint32_t id, std::uintptr_t, std::intptr_t)
{
    if (id != ftp_status_channel::message || ended())
        return;
    for (auto& event : channel()->take_events()) {
        if (finished_)
            break;
        switch (event.what) {
        case ftp_status_event::kind::progress:
            if (!range_set_) {
                set_range(control_bar, 0, 100);
                range_set_ = true;
            }
            set_position(control_bar, event.value);
            break;
        case ftp_status_event::kind::text:
            last_status_ = event.text;
            SetDlgItemText(control_text, GetDlgItemText(control_text) + "\r\n" + event.text);
            break;
        case ftp_status_event::kind::line:
            SetDlgItemText(event.value, event.text);
            break;
        case ftp_status_event::kind::ended:
            operation_ended(event.value != 0);
            break;
        }
    }
}

void CQuorbisBroadcastDlg::operation_ended(bool success)
{
    const std::string result = make_result_text(success, last_status_);
    SetDlgItemText(control_text, result);
    SetDlgItemText(control_button, core::load_string_resource(20038));
    ShowItem(control_bar, false);
    item(control_picture).image = success ? picture_succeeded : picture_failed;
    finished_ = true;
    broadcast_log(broadcast_outcome_line(transport_word, job_->name, result), services_.clock, services_.log_path);
}

void CQuorbisBroadcastDlg::OnCancel()
{
    // An end already queued is shown and logged first: that broadcast was not interrupted.
    OnMessage(ftp_status_channel::message, 0, 0);
    channel()->stop();
    EndDialog(platform::ui::IDCANCEL);
    if (finished_)
        return;
    TRACE_LOG("CQuorbisBroadcastDlg::OnCancel() - broadcast interrupted by the user\n");
    broadcast_log(broadcast_outcome_line(transport_word, job_->name, core::load_string_resource(3097)),
        services_.clock, services_.log_path);
    services_.host.message_box(core::load_string_resource(20039), platform::ui::MB_OK | platform::ui::MB_ICONINFORMATION);
}

void CQuorbisBroadcastDlg::close(bool flag)
{
    if (flag)
        EndDialog(0);
}

CTalverinBroadcastDlg::CTalverinBroadcastDlg(const broadcast_dialog_services& services,
    std::shared_ptr<ftp_status_channel> channel, std::function<ftp_credentials()> account,
    std::function<void(registered_broadcast_dialog*)> register_dialog)
    : CQuorbisBroadcastDlg(services, std::move(channel)), account_(std::move(account)),
      register_dialog_(std::move(register_dialog))
{
    if (register_dialog_)
        register_dialog_(this);
}

CTalverinBroadcastDlg::~CTalverinBroadcastDlg()
{
    if (register_dialog_)
        register_dialog_(nullptr);
}

}
