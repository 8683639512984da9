#include "broadcast/http/http_broadcast_dlg.h"

namespace broadcast {

CHTTPBroadcastDlg::CHTTPBroadcastDlg(broadcast_ref job, std::shared_ptr<broadcast_status> status,
    const broadcast_dialog_services& dialog_services, http_broadcast_settings settings,
    http_broadcast_services services, std::jthread& worker)
    : CBroadcastDlg(1178, "HTTP", std::move(job), std::move(status), dialog_services),
      settings_(std::move(settings)), services_(std::move(services)), worker_(worker)
{
}

bool CHTTPBroadcastDlg::OnInitDialog()
{
    if (!CBroadcastDlg::OnInitDialog())
        return false;
    ShowItem(1205, settings_.secure);
    worker_ = std::jthread([job = this->job(), status = this->status(), settings = settings_,
                               services = services_] { sendHTTPbroadcast(job, status, settings, services); });
    return true;
}

}
