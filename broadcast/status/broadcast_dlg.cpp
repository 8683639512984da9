#include "broadcast/status/broadcast_dlg.h"

#include "broadcast/log/broadcast_log.h"
#include "broadcast/status/status_template.h"
#include "core/util/strings.h"

namespace broadcast {

using namespace status_template;

std::string broadcast_state_text(int state, const std::string& detail)
{
    unsigned id = 0;
    switch (state) {
    case 1: id = 3101; break;
    case 2: id = 3100; break;
    case 3:
    case 4: id = 1143; break;
    case state_succeeded: id = 20036; break;
    case state_failed: id = 20037; break;
    default: return {};
    }
    std::string text = core::load_string_resource(id);
    if (!detail.empty())
        text += "\r\n" + detail;
    return text;
}

std::string broadcast_outcome_line(const std::string& transport_word, const std::string& job_name,
    const std::string& text)
{
    return core::format_resource_cstring(3096, transport_word.c_str(), job_name.c_str(), text.c_str());
}

CBroadcastDlg::CBroadcastDlg(unsigned title_id, std::string transport_word, broadcast_ref job,
    std::shared_ptr<broadcast_status> status, const broadcast_dialog_services& services)
    : Dialog(services.dialogs.get(template_id), services.host), title_id_(title_id),
      transport_word_(std::move(transport_word)), job_(std::move(job)), status_(std::move(status)),
      services_(services)
{
}

CBroadcastDlg::~CBroadcastDlg()
{
    status_->detach(*this);
}

bool CBroadcastDlg::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    item(control_picture).image = picture_working;
    title_ = core::load_string_resource(title_id_);
    set_range(control_bar, 0, 4 * bar_steps);
    status_->attach(*this);
    return true;
}

std::string CBroadcastDlg::SetState(int state, const std::string& detail)
{
    state_ = state;
    if (!created() || ended())
        return {};
    const std::string text = broadcast_state_text(state, detail);
    SetDlgItemText(control_text, text);
    if (state >= 1 && state <= 4) {
        set_position(control_bar, state * bar_steps);
    } else if (is_final_state(state)) {
        ShowItem(control_bar, false);
        item(control_picture).image = state == state_succeeded ? picture_succeeded : picture_failed;
        SetDlgItemText(control_button, core::load_string_resource(20038));
    }
    return text;
}

void CBroadcastDlg::OnMessage(std::uint32_t id, std::uintptr_t, std::intptr_t)
{
    if (id == broadcast_status::changed_message)
        follow_status();
}

void CBroadcastDlg::follow_status()
{
    const status_snapshot now = status_->snapshot();
    if (now.state != state_ || now.detail != detail_) {
        detail_ = now.detail;
        SetState(now.state, now.detail);
    }
    if (GetDlgItemText(control_second_line) != now.file_size_text)
        SetDlgItemText(control_second_line, now.file_size_text);
    if (state_ == 3 && now.total > 0)
        set_position(control_bar, static_cast<int>(3 * bar_steps + now.sent * bar_steps / now.total));
}

void CBroadcastDlg::OnCancel()
{
    const bool interrupted = status_->cancel();
    EndDialog(platform::ui::IDCANCEL);
    if (!interrupted)
        return;
    broadcast_log(broadcast_outcome_line(transport_word_, job_->name, core::load_string_resource(3097)),
        services_.clock, services_.log_path);
    services_.host.message_box(core::load_string_resource(20039),
        platform::ui::MB_OK | platform::ui::MB_ICONINFORMATION);
}

}
