#pragma once

#include "broadcast/ftp/ftp_status_channel.h"
#include "broadcast/ftp/quorbis_ftp_broadcaster.h"
#include "broadcast/job/broadcast_ref.h"
#include "broadcast/launch/launch_services.h"
#include "broadcast/status/broadcast_dlg.h"
#include "core/tasks/durable_operation.h"
#include "platform/ui/dialog.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace broadcast {

// Step kinds the FTP status dialog shows: a main step on the status line (1031), a
// secondary step on the second line (1181), and a step with no line of its own.
inline constexpr std::int32_t step_main_line = 0;
inline constexpr std::int32_t step_second_line = 1;
inline constexpr std::int32_t step_no_line = 2;
// A step's value when it failed: leaving it does not call it completed.
inline constexpr std::uint32_t step_failed = 1;

// The durable-operation manager of the FTP status dialog. Every report goes through the
// shared channel, so the manager and the worker-side copy that make_observer() gives the
// task behave alike and neither touches the dialog: a step's text goes to its line (a
// main step left gains " completed."), progress as a percent (100 for a total of 0) with
// the step's status text, the end as a success flag. Once the user stopped the broadcast
// or the dialog went, a progress report answers stop.
class progressdlg_dopmanager : public hevtools::durable_operation_manager {
public:
    explicit progressdlg_dopmanager(std::shared_ptr<ftp_status_channel> channel) : channel_(std::move(channel)) { }

    std::unique_ptr<durable_operation_manager> make_observer() override;
    bool report_progress(hevtools::operation_step& step) override;
    void signal(std::int32_t value) override;
    bool enter_step(hevtools::operation_step& step) override;
    void leave_step(hevtools::operation_step& step) override;

    const std::shared_ptr<ftp_status_channel>& channel() const { return channel_; }

private:
    void show_step(const hevtools::operation_step& step, bool entering);

    std::shared_ptr<ftp_status_channel> channel_;
};

// The status window of a broadcast run as a task (template 177): progress bar, a status
// text that grows line by line, a second line and a picture. It hands the task its
// manager when it opens; when the task ends it shows the result with the job number,
// turns Cancel into Close and logs the outcome. Cancel before the end stops the upload at
// its next progress report, logs the interruption and warns that it may have come late.
class CQuorbisBroadcastDlg : public platform::ui::Dialog, public progressdlg_dopmanager {
public:
    static constexpr int template_id = 177;

    CQuorbisBroadcastDlg(const broadcast_dialog_services& services, std::shared_ptr<ftp_status_channel> channel);
    ~CQuorbisBroadcastDlg() override;

    // Runs the dialog over the broadcaster and the job; the dialog's result.
    int DoBroadcast(std::shared_ptr<quorbis_broadcaster> broadcaster, broadcast_ref job);

    bool OnInitDialog() override;
    void OnCancel() override;
    void OnMessage(std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam) override;
    bool ends_by_itself() const override { return true; }
    bool work_done() const override { return ended() || finished_; }

    // True while a step of the task is current.
    virtual bool is_busy() const { return channel()->busy(); }
    virtual void close(bool flag);
    virtual ftp_credentials credentials() = 0;
    virtual std::uint16_t port() { return 0; }

    bool finished() const { return finished_; }
    const std::string& last_status_text() const { return last_status_; }

private:
    void operation_ended(bool success);

    broadcast_dialog_services services_;
    broadcast_ref job_;
    std::shared_ptr<quorbis_broadcaster> broadcaster_;
    bool finished_ = false;
    std::string last_status_;
    bool range_set_ = false;
};

// The program's FTP status dialog: the active configuration's account, the default port.
// While it exists it is the main frame's broadcast dialog (registered at construction,
// unregistered when it goes), so a second broadcast is refused while it runs.
class CTalverinBroadcastDlg final : public CQuorbisBroadcastDlg, public registered_broadcast_dialog {
public:
    CTalverinBroadcastDlg(const broadcast_dialog_services& services, std::shared_ptr<ftp_status_channel> channel,
        std::function<ftp_credentials()> account,
        std::function<void(registered_broadcast_dialog*)> register_dialog = {});
    ~CTalverinBroadcastDlg() override;

    ftp_credentials credentials() override { return account_(); }
    std::uint16_t port() override { return 0; }

    // registered_broadcast_dialog
    bool finished() const override { return CQuorbisBroadcastDlg::finished(); }
    // A modal dialog of the window layer is the one the user faces already: nothing to raise.
    void bring_to_front() override { }
    // The program ends: the dialog ends at once, as its window would go.
    void destroy_window() override { EndDialog(platform::ui::IDCANCEL); }

private:
    std::function<ftp_credentials()> account_;
    std::function<void(registered_broadcast_dialog*)> register_dialog_;
};

}
