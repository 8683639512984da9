#include "broadcast/wininet/proxy_login_dlg.h"
#include "platform/testing/test_services.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/messages.h"
#include "platform/ui/testing/manual_clock.h"
#include "platform/ui/testing/scripted_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

namespace broadcast::wininet {
namespace {

using platform::inet::proxy_credentials;
using platform::ui::DialogTemplates;
using platform::ui::testing::DialogDriver;
using platform::ui::testing::ScriptedHost;

const DialogTemplates& templates()
{
    static const DialogTemplates loaded = DialogTemplates::load(platform::testing::share_folder() + "/talverin/dialogs.txt");
    return loaded;
}

// The user-interface thread: its queue, with the channel workers call it through.
struct proxy_login_fixture : ::testing::Test {
    platform::testing::test_services test;
    ScriptedHost host {test.services.strings};
    platform::ui::testing::ManualClock clock;
    platform::ui::MessageQueue queue {clock};

    platform::inet::proxy_credentials_prompt prompt(std::stop_token stop = {})
    {
        return make_proxy_login_prompt(templates(), host, queue.ui_calls(), std::move(stop));
    }
};

TEST_F(proxy_login_fixture, OkGivesTheTypedLoginAndTheDialogNamesTheProxy)
{
    host.expect_dialog(CProxyLoginDlg::IDD, [](DialogDriver& d) {
        EXPECT_EQ(d.current().GetDlgItemText(CProxyLoginDlg::IDC_PROXY), "proxy.example:3128");
        EXPECT_TRUE(d.current().item(CProxyLoginDlg::IDC_PASSWORD).declared.password);
        d.type(CProxyLoginDlg::IDC_USER, "ann");
        d.type(CProxyLoginDlg::IDC_PASSWORD, "p\"a&ss word");
        d.ok();
    });
    const auto login = prompt()("proxy.example:3128");
    ASSERT_TRUE(login.has_value());
    EXPECT_EQ(login->user, "ann");
    EXPECT_EQ(login->password, "p\"a&ss word");
    EXPECT_EQ(host.pending(), 0u);
}

TEST_F(proxy_login_fixture, CancelGivesNoLogin)
{
    host.expect_dialog(CProxyLoginDlg::IDD, [](DialogDriver& d) {
        d.type(CProxyLoginDlg::IDC_USER, "ann");
        d.cancel();
    });
    EXPECT_FALSE(prompt()("proxy.example:3128").has_value());
    EXPECT_EQ(host.pending(), 0u);
}

TEST_F(proxy_login_fixture, AWorkerWaitsWhileTheUserInterfaceThreadShowsTheDialog)
{
    host.expect_dialog(CProxyLoginDlg::IDD, [](DialogDriver& d) {
        d.type(CProxyLoginDlg::IDC_USER, "bob");
        d.type(CProxyLoginDlg::IDC_PASSWORD, "secret");
        d.ok();
    });
    const auto asked = prompt();
    std::optional<proxy_credentials> login;
    std::atomic<bool> answered {false};
    // A window of the queue, so that the worker's last post wakes the waiting thread.
    platform::ui::window_options options;
    options.handler = [](const platform::ui::message&) { return std::intptr_t {0}; };
    const auto window = queue.create_window(std::move(options));
    std::jthread worker([&] {
        login = asked("127.0.0.1:8080");
        answered = true;
        queue.post(window, platform::ui::WM_USER);
    });
    EXPECT_TRUE(queue.run_until([&] { return answered.load(); }));
    worker.join();
    ASSERT_TRUE(login.has_value());
    EXPECT_EQ(login->user, "bob");
    EXPECT_EQ(login->password, "secret");
}

TEST_F(proxy_login_fixture, AStopBeforeTheDialogShowsAnswersAsCancelWithoutADialog)
{
    std::stop_source stop;
    stop.request_stop();
    const auto asked = prompt(stop.get_token());
    std::optional<proxy_credentials> login {proxy_credentials {"x", "y"}};
    std::jthread worker([&] { login = asked("127.0.0.1:8080"); });
    worker.join();
    EXPECT_FALSE(login.has_value());
}

}
}
