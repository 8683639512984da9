#pragma once

#include "platform/inet/internet.h"
#include "platform/ui/dialog.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/ui_thread_call.h"

#include <memory>
#include <stop_token>
#include <string>

namespace broadcast::wininet {

// "Proxy Login": the error dialog for a proxy that answered 407. It names the proxy and asks
// for the user name and password; OK gives them, Cancel gives nothing. The password is
// shown masked and kept in memory only.
class CProxyLoginDlg final : public platform::ui::Dialog {
public:
    static constexpr int IDD = 12014;
    static constexpr int IDC_PROXY = 1001;
    static constexpr int IDC_USER = 1002;
    static constexpr int IDC_PASSWORD = 1003;

    CProxyLoginDlg(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host);

    std::string proxy;
    std::string user;
    std::string password;

    bool OnInitDialog() override;
    void DoDataExchange(platform::ui::DataExchange& exchange) override;
};

// The internet layer's proxy prompt for a worker thread: the dialog runs on the
// user-interface thread while the worker waits (at once when called on that thread). A stop
// before it shows, or the end of the user-interface queue, answers as Cancel does.
platform::inet::proxy_credentials_prompt make_proxy_login_prompt(const platform::ui::DialogTemplates& dialogs,
    platform::ui::UiHost& host, std::shared_ptr<platform::ui::ui_call_channel> calls, std::stop_token stop);

}
