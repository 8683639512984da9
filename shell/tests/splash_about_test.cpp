#include "app_fixture.h"
#include "shell/about_dlg.h"
#include "shell/splash.h"

#include <gtest/gtest.h>

using namespace shell;
using namespace shell::testing;
using namespace platform::ui;
using namespace std::chrono_literals;

namespace {

struct splash_fixture : app_fixture {
    window_id owner = 0;
    std::vector<std::uint32_t> owner_received;

    splash_fixture()
    {
        window_options options;
        options.bounds = {100, 50, 900, 650};
        options.visible = true;
        options.handler = [this](const message& m) {
            if (m.id != WM_CREATE)
                owner_received.push_back(m.id);
            return std::intptr_t {0};
        };
        owner = queue.create_window(std::move(options));
    }
};

}

TEST(Splash, ShownInTheOrdinaryModeOnly)
{
    for (auto arguments : {std::vector<std::string> {}, std::vector<std::string> {"-FormGreetingsEditMode", "/a.greetings"}}) {
        splash_fixture f;
        f.with_documents();
        f.openable = {"/a.greetings"};
        ASSERT_TRUE(f.start(arguments).runs());
        EXPECT_EQ(CSplashWnd::Show(f.context, f.queue, f.owner), arguments.empty());
    }
}

TEST(Splash, OneWindowCentredOnItsOwnerFor750ms)
{
    splash_fixture f;
    CSplashWnd::EnableSplashScreen(f.context, true);
    ASSERT_TRUE(CSplashWnd::Show(f.context, f.queue, f.owner));
    EXPECT_FALSE(CSplashWnd::Show(f.context, f.queue, f.owner));
    window_id splash = f.context.splash.window;
    EXPECT_EQ(f.queue.window_count(), 2u);
    EXPECT_TRUE(f.queue.is_popup(splash));
    EXPECT_TRUE(f.queue.is_visible(splash));
    EXPECT_EQ(f.queue.owner(splash), f.owner);
    EXPECT_EQ(f.queue.bounds(splash), (rect {300, 225, 700, 475})); // 400 x 250 in 800 x 600 at (100, 50)

    f.clock.advance(749ms);
    f.queue.pump();
    EXPECT_TRUE(f.queue.is_window(splash));
    f.clock.advance(1ms);
    f.queue.pump();
    EXPECT_FALSE(f.queue.is_window(splash));
    EXPECT_EQ(f.context.splash.window, 0u);
}

TEST(Splash, FirstKeyOrButtonDownIsConsumedTheNextDelivered)
{
    for (std::uint32_t input : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN,
             WM_NCLBUTTONDOWN, WM_NCRBUTTONDOWN, WM_NCMBUTTONDOWN}) {
        splash_fixture f;
        ASSERT_TRUE(f.start().runs());
        ASSERT_TRUE(CSplashWnd::Show(f.context, f.queue, f.owner));
        f.queue.post(f.owner, WM_MOUSEMOVE);
        f.queue.post(f.owner, input);
        f.queue.post(f.owner, input);
        f.queue.pump();
        EXPECT_EQ(f.context.splash.window, 0u) << input;
        EXPECT_EQ(f.owner_received, (std::vector<std::uint32_t> {WM_MOUSEMOVE, input})) << input;
    }
}

TEST(About, ShowsTheBuildNumbersAndThePicture)
{
    EXPECT_EQ(about_version_text("Build %d.%d.%d.%d    (%s)", {2, 1, 5, 17}), "Build 2.1.5.17    (05/17/04)");
    EXPECT_EQ(about_version_text("%d%% %n %s %d", {1, 2, 3, 4}), "1% %n 03/04/04 2");

    app_fixture f;
    ASSERT_TRUE(f.start().runs());
    f.host.expect_dialog(CAboutDlg::IDD, [](platform::ui::testing::DialogDriver& driver) {
        auto& about = driver.current();
        EXPECT_EQ(about.GetDlgItemText(CAboutDlg::IDC_VERSION), "Build 2.1.5.17    (05/17/04)");
        EXPECT_EQ(about.item(CAboutDlg::IDC_PICTURE).image, CAboutDlg::picture_bitmap);
        EXPECT_EQ(about.dialog_template().caption, "About Quorbis Veltrane Wizard");
        driver.ok();
    });
    EXPECT_TRUE(f.app->commands().execute(ID_APP_ABOUT));
}

TEST(Commands, UnbuiltCommandsAreDisabledAndHelpReachesTheHost)
{
    app_fixture f;
    ASSERT_TRUE(f.start().runs());
    for (int id : {ID_FILE_PRINT_SETUP, ID_SPELLING_SETUP}) {
        CmdUI ui {id};
        f.app->commands().update(ui);
        EXPECT_FALSE(ui.enabled) << id;
    }
    EXPECT_TRUE(f.app->commands().execute(ID_HELP));
    EXPECT_EQ(f.host.help_requests, std::vector<int> {0});
}
