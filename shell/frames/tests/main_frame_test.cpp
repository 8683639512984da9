#include "frame_fixture.h"
#include "shell/splash.h"

#include <gtest/gtest.h>

using namespace shell;
using namespace shell::testing;
using namespace platform::ui;
using namespace std::chrono_literals;

namespace {

TEST(MainFrame, FormattingBarByEditMode)
{
    struct row {
        int mode;
        int resource;
        const char* label;
        int first_command;
        bool form_elements;
    };
    for (auto [mode, resource, label, first_command, form_elements] :
        {row {0, 138, "Send Form", 33002, true}, row {1, 138, "Broadcast", 33058, false}, row {2, 242, "", 0, false}}) {
        frame_fixture f;
        f.context.edit_mode = mode;
        CMainFrame frame(f.services);
        ASSERT_TRUE(frame.LoadFrame(static_cast<unsigned>(128 + mode)));
        auto& format = frame.format_bar();
        EXPECT_EQ(format.resource_id(), resource) << mode;
        EXPECT_EQ(format.title(), "Format");
        EXPECT_EQ(format.style(), TBSTYLE_FLAT | TBSTYLE_LIST);
        EXPECT_NE(format.bar_style() & CBRS_GRIPPER, 0u);
        EXPECT_TRUE(format.visible());
        EXPECT_EQ(format.button(0).label, label) << mode;
        if (first_command != 0) {
            EXPECT_EQ(format.button(0).command, first_command) << mode;
        }
        EXPECT_EQ(format.CommandToIndex(ID_BROADCAST) >= 0, mode == 0) << mode;
        for (const auto& button : format.buttons()) {
            if (!(button.style & TBSTYLE_SEP)) {
                EXPECT_NE(button.style & TBSTYLE_AUTOSIZE, 0u) << button.command;
            }
        }
        EXPECT_EQ(frame.form_elements().created(), form_elements) << mode;
        if (form_elements) {
            EXPECT_EQ(frame.form_elements().resource_id(), 154);
            EXPECT_EQ(frame.form_elements().button(0).command, 34003);
            EXPECT_EQ(frame.form_elements().button(0).style, TBSTYLE_CHECK);
            EXPECT_EQ(frame.rebar().bands().at(1).bar, &frame.form_elements());
            EXPECT_FALSE(frame.rebar().bands().at(1).gripper);
        }
        frame.ActivateFrame();
        EXPECT_EQ(f.toolbar_item(frame, ID_VIEW_FORM_ELEMENTS) != nullptr
                && f.toolbar_item(frame, ID_VIEW_FORM_ELEMENTS)->checked,
            form_elements)
            << mode;
        EXPECT_TRUE(f.toolbar_item(frame, ID_VIEW_FORMAT_TOOLBAR)->checked);
    }
}

TEST(MainFrame, FontBoxesHoldSortedUniqueFamiliesAndTheSevenSizes)
{
    frame_fixture f;
    f.fonts.add("arial", true, {{"Regular", 400, false}}); // a second family differing in case only
    CMainFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(128));
    auto* names = frame.format_bar().control(ID_FONT_NAME_BOX);
    auto* sizes = frame.format_bar().control(ID_FONT_SIZE_BOX);
    ASSERT_NE(names, nullptr);
    ASSERT_NE(sizes, nullptr);
    EXPECT_EQ(names->items, (std::vector<std::string> {"Arial", "Courier New", "Fixedsys", "Verdana"}));
    EXPECT_TRUE(names->sorted);
    EXPECT_EQ(sizes->items, (std::vector<std::string> {"8", "10", "12", "14", "18", "24", "36"}));
    for (const auto* box : {names, sizes}) {
        EXPECT_EQ(box->font_face, "Arial");
        EXPECT_EQ(box->font_height, -13);
        EXPECT_GE(frame.format_bar().CommandToIndex(box->id), 0);
    }
}

TEST(MainFrame, PalettesStartHiddenAndFloating)
{
    frame_fixture f;
    CMainFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(128));
    auto& lines = frame.line_palette();
    EXPECT_EQ(lines.resource_id(), 212);
    EXPECT_EQ(lines.button_width(), 100);
    EXPECT_EQ(lines.button_height(), 15);
    EXPECT_EQ(lines.button_count(), 9);
    EXPECT_EQ(lines.title(), "Line Style");
    EXPECT_FALSE(lines.visible());
    EXPECT_TRUE(lines.floating());
    auto& colours = frame.color_palette();
    EXPECT_EQ(colours.resource_id(), 137);
    EXPECT_EQ(colours.title(), "Font Color");
    EXPECT_FALSE(colours.visible());
    EXPECT_TRUE(colours.floating());
    int automatic = colours.CommandToIndex(ID_COLOR_AUTOMATIC);
    int more = colours.CommandToIndex(ID_COLOR_MORE);
    ASSERT_GE(automatic, 0);
    EXPECT_EQ(more, automatic + 1);
    EXPECT_EQ(colours.button(automatic).label, "Automatic");
    EXPECT_EQ(colours.button(more).label, "More Colors...");
}

TEST(MainFrame, LinePaletteOpensBelowItsButton)
{
    frame_fixture f;
    CMainFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(128));
    f.queue.move_window(frame.window(), {100, 50, 900, 650});
    frame.RecalcLayout();
    auto& format = frame.format_bar();
    auto button = format.item_rect(format.CommandToIndex(ID_VIEW_LINES));
    EXPECT_TRUE(frame.OnCommand(ID_VIEW_LINES));
    EXPECT_TRUE(frame.line_palette().visible());
    EXPECT_EQ(frame.line_palette().place().left, 100 + format.place().left + button.left);
    EXPECT_EQ(frame.line_palette().place().top, 50 + format.place().top + button.bottom);
    EXPECT_TRUE(frame.OnCommand(ID_VIEW_LINES));
    EXPECT_FALSE(frame.line_palette().visible());
    frame.OnCommand(ID_VIEW_LINES);
    frame.HideLinePalette();
    EXPECT_FALSE(frame.line_palette().visible());

    EXPECT_TRUE(frame.OnCommand(ID_VIEW_COLORS));
    EXPECT_TRUE(frame.color_palette().visible());
    auto colours_button = format.item_rect(format.CommandToIndex(ID_VIEW_COLORS));
    EXPECT_EQ(frame.color_palette().place().top, 50 + format.place().top + colours_button.bottom);
}

TEST(MainFrame, FormModePromptAndTip)
{
    frame_fixture f;
    CMainFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(128));
    EXPECT_EQ(frame.GetMessageString(34003), "Form Mode Disabled");
    EXPECT_EQ(frame.GetToolTipText(34003), "Form Mode Disabled");
    f.view.form_mode = true;
    EXPECT_EQ(frame.GetMessageString(34003), "Form Mode Enabled");
    EXPECT_EQ(frame.GetToolTipText(34003), "Form Mode Enabled");
    frame.send(WM_SETMESSAGESTRING, 34003);
    EXPECT_EQ(frame.status().GetPaneText(0), "Form Mode Enabled");
    EXPECT_EQ(frame.GetMessageString(33009), "Shows Lines (toggle)");
}

TEST(MainFrame, ConfigurationNameIsCutAfterThirtyCharacters)
{
    std::string thirty(30, 'c');
    struct row {
        std::string name;
        std::string shown;
    };
    for (const auto& [name, shown] : {row {"Default", "Default"}, row {thirty, thirty}, row {thirty + "d", thirty + "..."},
             row {std::string(29, 'c') + "\xC3\xA9" + "xyz", std::string(29, 'c') + "\xC3\xA9..."},
             row {std::string(29, 'c') + "\xE2\x82\xAC", std::string(29, 'c') + "\xE2\x82\xAC"}, row {"", ""}}) {
        EXPECT_EQ(shown_configuration_name(name), shown) << name;
    }
}

TEST(MainFrame, ShowsTheConfigurationNameInItsPane)
{
    frame_fixture f;
    f.context.current_config.SetName(std::string(31, 'n'));
    CMainFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(128));
    frame.ShowConfigurationName();
    int pane = frame.status().CommandToIndex(3094);
    EXPECT_EQ(frame.status().GetPaneText(pane), std::string(30, 'n') + "...");
    EXPECT_EQ(frame.status().panes()[static_cast<std::size_t>(pane)].width, 33 * f.fonts.advance);
    EXPECT_NE(f.trace().find("CMainFrame::ShowConfigurationName() - " + std::string(30, 'n') + "...\n"),
        std::string::npos);
}

TEST(MainFrame, FontCommandColoursTheTextAndSetsTheCharset)
{
    for (std::string charset : {"iso-8859-2", ""}) {
        frame_fixture f;
        f.context.settings.current_font = "Arial";
        f.context.settings.size = 13;
        f.context.settings.color = 0x00336699;
        f.context.settings.doc_charset = charset;
        CMainFrame frame(f.services);
        ASSERT_TRUE(frame.LoadFrame(128));
        frame.ApplyFontCommand();
        std::vector<std::string> expected {"font Arial 3", "discard undo", "text colour #996633", "exec 38 3368601 2"};
        if (!charset.empty())
            expected.push_back("charset " + charset);
        EXPECT_EQ(f.view.calls, expected);
        EXPECT_EQ(frame.format_bar().control(ID_FONT_NAME_BOX)->items.at(static_cast<std::size_t>(
                      frame.format_bar().control(ID_FONT_NAME_BOX)->selection)),
            "Arial");
        EXPECT_EQ(frame.format_bar().control(ID_FONT_SIZE_BOX)->selection, 2);
    }
    EXPECT_EQ(html_colour(0x00FF0000), "#0000FF");
}

TEST(MainFrame, DefaultFontCommandAppliesTheFontOnlyAfterOk)
{
    frame_fixture f;
    int answer = IDCANCEL;
    f.services.choose_default_font = [&] { return answer; };
    CMainFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(128));
    EXPECT_TRUE(frame.OnCommand(ID_DEFAULT_DOCUMENT_FONT));
    EXPECT_TRUE(f.view.calls.empty());
    answer = IDOK;
    frame.OnCommand(ID_DEFAULT_DOCUMENT_FONT);
    EXPECT_FALSE(f.view.calls.empty());
}

TEST(DeferredDeletions, DueFilesGoOthersStayInOrder)
{
    frame_fixture f;
    auto folder = std::filesystem::path(f.test.services.locations.temp);
    auto make = [&](const std::string& name) {
        std::ofstream(folder / name) << "x";
        return (folder / name).string();
    };
    DeferredDeletions deletions;
    EXPECT_TRUE(deletions.service(5000ms).deleted.empty());
    auto due = make("due.tmp");
    auto later = make("later.tmp");
    auto latest = make("latest.tmp");
    auto busy = folder / "busy"; // a folder that is not empty cannot be removed
    std::filesystem::create_directories(busy / "inside");
    deletions.add(1000ms, due);
    deletions.add(9000ms, later);
    deletions.add(2000ms, (folder / "gone.tmp").string());
    deletions.add(8000ms, latest);
    deletions.add(1500ms, busy.string());
    auto outcome = deletions.service(2000ms);
    EXPECT_EQ(outcome.deleted, (std::vector<std::string> {due}));
    EXPECT_EQ(outcome.missing, (std::vector<std::string> {(folder / "gone.tmp").string()}));
    ASSERT_EQ(outcome.undeletable.size(), 1u);
    EXPECT_EQ(outcome.undeletable[0].first, busy.string());
    ASSERT_EQ(deletions.entries().size(), 2u);
    EXPECT_EQ(deletions.entries()[0].path, later);
    EXPECT_EQ(deletions.entries()[1].path, latest);
    EXPECT_FALSE(std::filesystem::exists(due));
    EXPECT_TRUE(std::filesystem::exists(later));
}

TEST(DeferredDeletions, DueTimesPastThirtyTwoBitsDoNotWrap)
{
    frame_fixture f;
    auto path = (std::filesystem::path(f.test.services.locations.temp) / "far.tmp").string();
    std::ofstream(path) << "x";
    DeferredDeletions deletions;
    std::chrono::milliseconds fifty_days = 50 * 24h;
    deletions.add(fifty_days, path);
    EXPECT_TRUE(deletions.service(fifty_days - 1ms).deleted.empty());
    EXPECT_EQ(deletions.service(fifty_days).deleted.size(), 1u);
}

TEST(DeferredDeletions, TheDestructorDeletesEveryListedFile)
{
    frame_fixture f;
    auto path = (std::filesystem::path(f.test.services.locations.temp) / "kept.tmp").string();
    std::ofstream(path) << "x";
    {
        DeferredDeletions deletions;
        deletions.add(std::chrono::milliseconds::max(), path);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(MainFrame, TimerDeletesDueFilesAndLeavesUndeletableOnesToTheExit)
{
    frame_fixture f;
    auto folder = std::filesystem::path(f.test.services.locations.temp);
    auto file = (folder / "soon.tmp").string();
    std::ofstream(file) << "x";
    auto busy = folder / "busy";
    std::filesystem::create_directories(busy / "inside");
    auto kept = (folder / "kept.tmp").string();
    std::ofstream(kept) << "x";
    {
        CMainFrame frame(f.services);
        ASSERT_TRUE(frame.LoadFrame(128));
        frame.add_deferred_deletion(1000ms, file);
        frame.add_deferred_deletion(1000ms, busy.string());
        frame.add_deferred_deletion(1h, kept);
        f.clock.advance(1986ms);
        f.queue.pump();
        EXPECT_FALSE(std::filesystem::exists(file));
        EXPECT_TRUE(std::filesystem::exists(kept));
        EXPECT_EQ(f.context.temporary_paths.paths(), (std::vector<std::string> {busy.string()}));
        EXPECT_EQ(frame.deferred_deletions().entries().size(), 1u);
    }
    EXPECT_FALSE(std::filesystem::exists(kept)); // the frame's end deletes the rest
}

TEST(MainFrame, DialFailureAsksForSettingsAndDialsAgainOnlyWhenConfirmed)
{
    for (int answer : {0, 1}) {
        frame_fixture f;
        f.dial.dialing_answer = answer;
        CMainFrame frame(f.services);
        ASSERT_TRUE(frame.LoadFrame(128));
        frame.send(WM_DIAL_PROGRESS, 0x2001, 0);
        EXPECT_TRUE(f.dial.calls.empty());
        f.host.expect_message(f.text(33120), MB_OK | MB_ICONEXCLAMATION, IDOK);
        EXPECT_EQ(frame.send(WM_DIAL_PROGRESS, 0x2001, 623), 0);
        std::vector<std::string> expected {"GoIdle 1", "ShowDialingDlg"};
        if (answer)
            expected.push_back("Dial");
        EXPECT_EQ(f.dial.calls, expected);
        EXPECT_EQ(f.host.pending(), 0u);
    }
}

TEST(MainFrame, EndOfABroadcastLetsTheLineGoIdle)
{
    frame_fixture f;
    CMainFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(128));
    f.queue.post(frame.window(), WM_BROADCAST_END);
    f.queue.pump();
    EXPECT_EQ(f.dial.calls, (std::vector<std::string> {"GoIdle 0"}));
}

class probe_broadcast_dialog final : public broadcast::registered_broadcast_dialog {
public:
    bool done = false;
    int fronts = 0;
    int destroyed = 0;
    bool finished() const override { return done; }
    void bring_to_front() override { ++fronts; }
    void destroy_window() override { ++destroyed; }
};

TEST(MainFrame, BroadcastRunningWhileARegisteredDialogHasNotFinished)
{
    frame_fixture f;
    probe_broadcast_dialog dialog;
    {
        CMainFrame frame(f.services);
        ASSERT_TRUE(frame.LoadFrame(128));
        EXPECT_FALSE(frame.IsBroadcastRunning(true));
        frame.RegisterBroadcastDialog(&dialog);
        EXPECT_TRUE(frame.IsBroadcastRunning(false));
        EXPECT_EQ(dialog.fronts, 0);
        EXPECT_TRUE(frame.IsBroadcastRunning(true));
        EXPECT_EQ(dialog.fronts, 1);
        dialog.done = true;
        EXPECT_FALSE(frame.IsBroadcastRunning(true));
        EXPECT_EQ(dialog.destroyed, 0);
    }
    EXPECT_EQ(dialog.destroyed, 1); // the frame's end closes the dialog
}

TEST(MainFrame, DispatchGoesToTheLaunchOrSaysItCannot)
{
    struct probe_dispatcher final : broadcast::BroadcastDispatcher {
        int jobs = 0;
        void DispatchBroadcast(broadcast::broadcast_ref) override { ++jobs; }
    } dispatcher;
    frame_fixture f;
    CMainFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(128));
    f.host.expect_message("Broadcasting is not available in this build.", MB_OK | MB_ICONEXCLAMATION, IDOK);
    frame.DispatchBroadcast({});
    f.services.dispatcher = &dispatcher;
    frame.DispatchBroadcast({});
    EXPECT_EQ(dispatcher.jobs, 1);
}

TEST(MainFrame, SplashComesWithTheWindowPaintedWithItsBitmap)
{
    frame_fixture f;
    CSplashWnd::EnableSplashScreen(f.context, true);
    CMainFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(128));
    auto splash = f.context.splash.window;
    ASSERT_NE(splash, 0u);
    EXPECT_EQ(f.queue.owner(splash), frame.window());
    f.queue.pump();
    auto expected = platform::gfx::bitmap::load_png(f.resources + "/bitmaps/330.png");
    ASSERT_TRUE(expected);
    const auto& canvas = f.queue.canvas(splash);
    ASSERT_EQ(canvas.width(), expected->width());
    ASSERT_EQ(canvas.height(), expected->height());
    int differing = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x)
            differing += canvas.pixel(x, y) != expected->pixel(x, y);
    }
    EXPECT_EQ(differing, 0);
    frame.DestroyWindow();
    EXPECT_EQ(f.context.splash.window, 0u);
    EXPECT_EQ(f.queue.window_count(), 0u);
}

}
