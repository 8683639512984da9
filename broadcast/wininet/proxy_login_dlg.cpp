#include "broadcast/wininet/proxy_login_dlg.h"

#include "platform/ui/messages.h"

namespace broadcast::wininet {

CProxyLoginDlg::CProxyLoginDlg(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host)
    : Dialog(dialog_template, host)
{
}

bool CProxyLoginDlg::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    SetDlgItemText(IDC_PROXY, proxy);
    return true;
}

void CProxyLoginDlg::DoDataExchange(platform::ui::DataExchange& exchange)
{
    exchange.text(IDC_USER, user);
    exchange.text(IDC_PASSWORD, password);
}

platform::inet::proxy_credentials_prompt make_proxy_login_prompt(const platform::ui::DialogTemplates& dialogs,
    platform::ui::UiHost& host, std::shared_ptr<platform::ui::ui_call_channel> calls, std::stop_token stop)
{
    return [&dialogs, &host, calls = std::move(calls), stop = std::move(stop)](
               const std::string& proxy) -> std::optional<platform::inet::proxy_credentials> {
        std::optional<platform::inet::proxy_credentials> answer;
        const auto shown = calls->call_on_ui_thread(
            [&] {
                CProxyLoginDlg dialog(dialogs.get(CProxyLoginDlg::IDD), host);
                dialog.proxy = proxy;
                if (dialog.DoModal() == platform::ui::IDOK)
                    answer = platform::inet::proxy_credentials {dialog.user, dialog.password};
            },
            stop);
        if (shown == platform::ui::ui_call_result::abandoned)
            return std::nullopt;
        return answer;
    };
}

}
