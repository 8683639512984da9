#include "broadcast/wininet/proxy_login_dlg.h"
#include "platform/inet/curl_internet.h"
#include "platform/inet/inet_constants.h"
#include "platform/inet/internet_session.h"
#include "platform/testing/test_services.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/messages.h"
#include "platform/ui/testing/manual_clock.h"
#include "platform/ui/testing/scripted_host.h"
#include "standin/fixture/quorbis_stand_in.h"

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

TEST_F(proxy_login_fixture, ThroughAProxyTheDialogsLoginIsKeptOnTheSessionAndTheRequestSentAgain)
{
    namespace inet = platform::inet;
    standin::QuorbisStandIn stand_in;
    stand_in.proxy_credentials("proxy user", "proxy:pass");
    inet::internet_options options;
    options.ca_file = stand_in.ca_file();
    options.connect_timeout = std::chrono::milliseconds(2000);
    options.idle_timeout = std::chrono::milliseconds(2000);
    options.prompt = prompt();
    auto layer = inet::make_curl_internet(options);
    const auto proxy = "127.0.0.1:" + std::to_string(stand_in.port("http2"));
    inet::internet_session session(layer, "Quorbis Veltrane Wizard 3.4", inet::open_type_proxy, "http://" + proxy);

    // The user cancels the first time and logs in the second.
    host.expect_dialog(CProxyLoginDlg::IDD, [&](DialogDriver& d) {
        EXPECT_NE(d.current().GetDlgItemText(CProxyLoginDlg::IDC_PROXY).find(proxy), std::string::npos);
        d.cancel();
    });
    host.expect_dialog(CProxyLoginDlg::IDD, [](DialogDriver& d) {
        d.type(CProxyLoginDlg::IDC_USER, "proxy user");
        d.type(CProxyLoginDlg::IDC_PASSWORD, "proxy:pass");
        d.ok();
    });
    platform::ui::window_options window_options;
    window_options.handler = [](const platform::ui::message&) { return std::intptr_t {0}; };
    const auto window = queue.create_window(std::move(window_options));
    std::vector<std::pair<std::uint32_t, std::uint32_t>> attempts;
    std::atomic<bool> finished {false};
    std::jthread worker([&] {
        for (int i = 0; i < 3; ++i) {
            auto connection = session.get_http_connection("127.0.0.1", stand_in.port("http"));
            auto file = connection->open_request("POST", "/cgi-bin/submit", {}, "HTTP/1.0");
            file->send_request("Content-Type: application/x-www-form-urlencoded", "body");
            const auto status = file->query_info_status_code();
            std::uint32_t answer = 0;
            if (status == 407)
                answer = file->error_dialog(inet::error_internet_incorrect_password,
                    inet::error_ui_flags_generate_data | inet::error_ui_flags_change_options);
            attempts.emplace_back(status, answer);
        }
        finished = true;
        queue.post(window, platform::ui::WM_USER);
    });
    EXPECT_TRUE(queue.run_until([&] { return finished.load(); }));
    worker.join();
    EXPECT_EQ(attempts, (std::vector<std::pair<std::uint32_t, std::uint32_t>> {
                            {407u, inet::error_cancelled}, {407u, inet::error_internet_force_retry}, {200u, 0u}}));
    EXPECT_EQ(host.pending(), 0u);
    stand_in.wait_for(1);
    const auto records = stand_in.records();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().file("body.bin"), "body");
}

}
}
