#pragma once

#include "broadcast/http/http_broadcast.h"
#include "broadcast/status/broadcast_dlg.h"

#include <thread>

namespace broadcast {

// The HTTP(S) transport's status dialog: shows the lock (control 1205) for HTTPS and starts
// the worker when it opens. The thread goes into a slot its creator keeps, which stops
// and joins it when it goes; the worker holds the job reference, the status and its own
// copies of the settings, never the dialog.
class CHTTPBroadcastDlg : public CBroadcastDlg {
public:
    CHTTPBroadcastDlg(broadcast_ref job, std::shared_ptr<broadcast_status> status,
        const broadcast_dialog_services& dialog_services, http_broadcast_settings settings,
        http_broadcast_services services, std::jthread& worker);

    bool OnInitDialog() override;

private:
    http_broadcast_settings settings_;
    http_broadcast_services services_;
    std::jthread& worker_;
};

}
