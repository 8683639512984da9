#pragma once

#include "broadcast/job/broadcast_ref.h"
#include "broadcast/status/broadcast_status.h"
#include "platform/ui/dialog.h"

#include <memory>
#include <string>

namespace platform {
class clock;
}

namespace broadcast {

// What a status dialog needs of the program.
struct broadcast_dialog_services {
    platform::ui::UiHost& host;
    const platform::ui::DialogTemplates& dialogs;
    const platform::clock& clock; // dates of the log's entries
    std::string log_path;         // "Broadcast.log"
};

// The text a status dialog shows for a state: the state's own text, then CR LF and the
// detail when there is one; empty for an unknown state.
std::string broadcast_state_text(int state, const std::string& detail);
// The log's line for a transport's outcome: "<word> broadcast. Job name: <name>. <text>\r\n".
std::string broadcast_outcome_line(const std::string& transport_word, const std::string& job_name,
    const std::string& text);

// The status dialog under which a transport's worker runs (template 177): the worker's
// state in four steps with a bar, its outcome with a picture, and Cancel, which becomes
// Close once the outcome is shown. The worker reports through the shared status only;
// the dialog follows it while it runs.
class CBroadcastDlg : public platform::ui::Dialog {
public:
    static constexpr int template_id = 177;
    static constexpr int bar_steps = 100; // bar positions per state: 0-400

    CBroadcastDlg(unsigned title_id, std::string transport_word, broadcast_ref job,
        std::shared_ptr<broadcast_status> status, const broadcast_dialog_services& services);
    ~CBroadcastDlg() override;

    bool OnInitDialog() override;
    void OnCancel() override;
    void OnMessage(std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam) override;
    bool ends_by_itself() const override { return true; }
    bool work_done() const override { return ended() || is_final_state(state_); }

    // Applies a state to the controls; the text shown.
    virtual std::string SetState(int state, const std::string& detail = {});
    int GetState() const { return state_; }

    const std::string& title() const { return title_; }
    // A new reference to the job, for the worker.
    broadcast_ref job() const { return job_; }
    const std::shared_ptr<broadcast_status>& status() const { return status_; }

protected:
    const broadcast_dialog_services& services() const { return services_; }
    const std::string& transport_word() const { return transport_word_; }

private:
    // Brings the controls up to the status's last report.
    void follow_status();

    unsigned title_id_;
    std::string transport_word_;
    broadcast_ref job_;
    std::shared_ptr<broadcast_status> status_;
    broadcast_dialog_services services_;
    std::string title_;
    int state_ = 0;
    std::string detail_;
};

}
