#include "frame_fixture.h"

#include <gtest/gtest.h>

using namespace shell;
using namespace shell::testing;
using namespace platform::ui;

namespace {

TEST(Frames, MainToolbarFollowsTheTemplateAndEditMode)
{
    struct row {
        bool main;
        unsigned resource;
        int mode;
        int toolbar;
    };
    for (auto [main, resource, mode, toolbar] : {row {true, 0, 0, 128}, row {true, 128, 0, 128}, row {true, 129, 1, 129},
             row {true, 130, 2, 130}, row {false, 132, 0, 132}, row {false, 443, 1, 443}, row {false, 443, 2, 443}}) {
        frame_fixture f;
        f.context.edit_mode = mode;
        std::unique_ptr<CWizardFrame> frame = main ? std::make_unique<CMainFrame>(f.services)
                                                   : std::make_unique<CWizardFrame>(f.services);
        ASSERT_TRUE(frame->LoadFrame(resource)) << resource;
        EXPECT_EQ(frame->main_toolbar().resource_id(), toolbar) << resource;
        EXPECT_EQ(frame->main_toolbar().title(), "Main Toolbar");
        EXPECT_EQ(frame->main_toolbar().extended_style(), TBSTYLE_EX_DRAWDDARROWS);
        EXPECT_TRUE(frame->main_toolbar().visible());
        EXPECT_EQ(frame->image_toolbar().resource_id(), 244);
        EXPECT_FALSE(frame->image_toolbar().visible());
        ASSERT_EQ(frame->rebar().bands().size(), main && mode == 0 ? 2u : 1u);
        EXPECT_EQ(frame->rebar().bands()[0].bar, &frame->main_toolbar());
        EXPECT_FALSE(frame->rebar().bands()[0].gripper); // the newer look: no grippers on bands
        EXPECT_EQ(frame->rebar().bar_style() & CBRS_HIDE_INPLACE, 0u);
        EXPECT_EQ(frame->rebar().color_menu_first(), 32962);
        EXPECT_EQ(f.queue.main_window(), frame->window());
    }
}

TEST(Frames, StatusBarHasSixPanesAndAnEmptyDownloadPane)
{
    frame_fixture f;
    CWizardFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(132));
    const auto& panes = frame.status().panes();
    ASSERT_EQ(panes.size(), 6u);
    std::vector<int> ids;
    for (const auto& pane : panes)
        ids.push_back(pane.id);
    EXPECT_EQ(ids, (std::vector<int> {0, 3103, 0xE701, 0xE702, 0xE703, 3094}));
    EXPECT_EQ(frame.status().GetPaneText(1), "");
    EXPECT_EQ(frame.status().GetPaneText(2), "CAP");
    EXPECT_EQ(frame.status().id(), AFX_IDW_STATUS_BAR);
    EXPECT_TRUE(frame.xp_menus());
}

TEST(Frames, EachFailedCreationStepLeavesNoWindowAndSaysWhich)
{
    struct row {
        int bar;
        const char* line;
    };
    for (auto [bar, line] : {row {AFX_IDW_STATUS_BAR, "Failed to create status bar\n"},
             row {AFX_IDW_TOOLBAR, "Failed to create toolbar\n"}, row {AFX_IDW_IMAGE_TOOLBAR, "Failed to create temp toolbar\n"},
             row {AFX_IDW_REBAR, "Failed to create rebar\n"}, row {AFX_IDW_FORMAT_BAR, "Failed to create toolbar\n"}}) {
        frame_fixture f;
        failing_frame<CMainFrame> frame(f.services, bar);
        EXPECT_FALSE(frame.LoadFrame(128)) << line;
        EXPECT_EQ(frame.window(), 0u);
        EXPECT_EQ(f.queue.window_count(), 0u) << line;
        EXPECT_NE(f.trace().find(line), std::string::npos) << line;
    }
}

TEST(Frames, FormElementsAndPaletteFailuresAreTolerated)
{
    for (int bar : {AFX_IDW_FORM_ELEMENTS, AFX_IDW_LINE_PALETTE, AFX_IDW_COLOR_PALETTE}) {
        frame_fixture f;
        failing_frame<CMainFrame> frame(f.services, bar);
        ASSERT_TRUE(frame.LoadFrame(128)) << bar;
        EXPECT_TRUE(f.queue.is_window(frame.window()));
        if (bar == AFX_IDW_FORM_ELEMENTS) {
            EXPECT_NE(f.trace().find("Failed to create IDR_FORMELEMENTS toolbar\n"), std::string::npos);
            EXPECT_FALSE(frame.form_elements().created());
            EXPECT_EQ(frame.rebar().bands().size(), 1u);
            frame.ActivateFrame();
            EXPECT_FALSE(f.toolbar_item(frame, ID_VIEW_FORM_ELEMENTS)->checked);
            EXPECT_TRUE(frame.OnCommand(ID_VIEW_FORM_ELEMENTS)); // nothing to show
        } else {
            EXPECT_NE(f.trace().find("Failed to create toolbar\n"), std::string::npos);
        }
    }
}

TEST(Frames, RemovedRedirectLinkIsGoneFromTheInsertMenuOfEveryNewFrame)
{
    frame_fixture f;
    {
        CMainFrame frame(f.services);
        ASSERT_TRUE(frame.LoadFrame(128));
        EXPECT_NE(frame.GetMenu()->find(ID_INSERT_REDIRECTION_LINK), nullptr);
    }
    f.context.remove_redirect_link = 1;
    for (int round = 0; round < 2; ++round) {
        CMainFrame frame(f.services);
        ASSERT_TRUE(frame.LoadFrame(128));
        EXPECT_EQ(frame.GetMenu()->find(ID_INSERT_REDIRECTION_LINK), nullptr);
        EXPECT_NE(frame.GetMenu()->find(32771), nullptr); // the rest of "&Insert" stays
    }
}

TEST(Frames, ActivationChecksTheStatusBarAndVisibleToolbars)
{
    frame_fixture f;
    CWizardFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(132));
    frame.ActivateFrame();
    auto* view = find_submenu(*frame.GetMenu(), "&View");
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->find(ID_VIEW_STATUS_BAR)->checked);
    EXPECT_TRUE(f.toolbar_item(frame, ID_VIEW_MAIN_TOOLBAR)->checked);
    EXPECT_TRUE(f.queue.is_visible(frame.window()));
}

TEST(Frames, TogglesTwiceRestoreBarAndCheck)
{
    frame_fixture f;
    CMainFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(128));
    frame.ActivateFrame();
    struct row {
        int command;
        ControlBar* bar;
    };
    for (auto [command, bar] : {row {ID_VIEW_MAIN_TOOLBAR, &frame.main_toolbar()}, row {ID_VIEW_FORMAT_TOOLBAR, &frame.format_bar()},
             row {ID_VIEW_FORM_ELEMENTS, &frame.form_elements()}}) {
        ASSERT_TRUE(bar->visible()) << command;
        ASSERT_TRUE(f.toolbar_item(frame, command)->checked) << command;
        EXPECT_TRUE(frame.OnCommand(command));
        EXPECT_FALSE(bar->visible()) << command;
        EXPECT_FALSE(f.toolbar_item(frame, command)->checked) << command;
        EXPECT_TRUE(frame.OnCommand(command));
        EXPECT_TRUE(bar->visible()) << command;
        EXPECT_TRUE(f.toolbar_item(frame, command)->checked) << command;
    }
    auto* status_item = find_submenu(*frame.GetMenu(), "&View")->find(ID_VIEW_STATUS_BAR);
    frame.OnCommand(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(frame.status().visible());
    EXPECT_FALSE(status_item->checked);
    frame.OnCommand(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(frame.status().visible());
    EXPECT_TRUE(status_item->checked);
}

TEST(Frames, WithoutAViewMenuActivationChecksNothing)
{
    frame_fixture f;
    CMainFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(128));
    auto* menu = frame.GetMenu();
    for (std::size_t i = 0; i < menu->count(); ++i) {
        if (menu->at(i).text == "&View")
            menu->at(i).text = "&Look";
    }
    frame.ActivateFrame();
    frame.OnCommand(ID_VIEW_FORMAT_TOOLBAR);
    EXPECT_FALSE(frame.format_bar().visible());
    auto* look = find_submenu(*menu, "&Look");
    ASSERT_NE(look, nullptr);
    EXPECT_FALSE(look->find(ID_VIEW_STATUS_BAR)->checked);
    EXPECT_FALSE(look->find(ID_VIEW_FORMAT_TOOLBAR)->checked);
}

TEST(Frames, BandsAreMaximisedOnSize)
{
    frame_fixture f;
    CMainFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(128));
    for (const auto& band : frame.rebar().bands())
        EXPECT_FALSE(band.maximised);
    f.queue.move_window(frame.window(), {0, 0, 640, 480});
    frame.send(WM_SIZE, 0, 640 | (480 << 16));
    ASSERT_EQ(frame.rebar().bands().size(), 2u);
    for (const auto& band : frame.rebar().bands())
        EXPECT_TRUE(band.maximised);
    EXPECT_TRUE(f.queue.is_visible(frame.rebar().window()));
    EXPECT_EQ(frame.main_toolbar().place().right, 640);
    EXPECT_EQ(frame.status().place().bottom, 480);
}

TEST(Frames, CommandHelpIsAnsweredAndHelpGoesToTheHost)
{
    frame_fixture f;
    CWizardFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(132));
    EXPECT_EQ(frame.send(WM_COMMANDHELP), 0);
    EXPECT_TRUE(frame.OnCommand(57670));
    EXPECT_TRUE(frame.OnCommand(57667));
    EXPECT_EQ(f.host.help_requests, (std::vector<int> {132, 0}));
}

TEST(Frames, DownloadStatusStaysUntilTheLastDownloadEnds)
{
    frame_fixture f;
    CWizardFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(132));
    auto pane = [&] { return frame.status().GetPaneText(frame.status().CommandToIndex(3103)); };
    f.queue.post(frame.window(), WM_DOWNLOAD_STATUS, 3103);
    f.queue.post(frame.window(), WM_DOWNLOAD_STATUS, 3103);
    f.queue.pump();
    EXPECT_EQ(pane(), "Requesting data...");
    f.queue.post(frame.window(), WM_DOWNLOAD_STATUS, 0);
    f.queue.pump();
    EXPECT_EQ(pane(), "Requesting data...");
    EXPECT_EQ(frame.running_downloads(), 1);
    f.queue.post(frame.window(), WM_DOWNLOAD_STATUS, 0);
    f.queue.pump();
    EXPECT_EQ(pane(), "");
    f.queue.post(frame.window(), WM_DOWNLOAD_STATUS, 0); // a stray end counts nothing below zero
    f.queue.pump();
    EXPECT_EQ(frame.running_downloads(), 0);
}

TEST(Frames, CompletedDownloadsArePlacedFromTheirMapAndRemoved)
{
    frame_fixture f;
    CWizardFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(132));
    auto& results = f.context.download_results;
    results.set(CDownloadedPicture(7, "/w/click.gif", "http://h/click.gif", frame.window(), 1627, 1, 0));
    results.set(CDownloadedPicture(7, "/w/link.gif", "http://h/link.gif", frame.window(), 1628, 0, 0));
    results.set(CDownloadedPullfile(7, "/w/[pull name=f.zip]", "http://h/f.zip", "/w/f.gif", "http://h/f.gif",
        frame.window(), 1626, 0, 0));
    f.queue.post(frame.window(), WM_CLICKTO_PICTURE_DOWNLOADED, 7);
    f.queue.post(frame.window(), WM_HYPERLINK_PICTURE_DOWNLOADED, 7);
    f.queue.post(frame.window(), WM_PULLFILE_DOWNLOADED, 7);
    f.queue.post(frame.window(), WM_PICTURE_DOWNLOADED, 8); // not in its map: ignored
    f.queue.pump();
    EXPECT_EQ(f.view.calls, (std::vector<std::string> {"put 3 7 /w/click.gif ", "put 4 7 /w/link.gif ",
                                "put 2 7 /w/f.gif /w/[pull name=f.zip]"}));
    EXPECT_FALSE(results.find_picture(DownloadResults::pictures::clickto, 7));
    EXPECT_FALSE(results.find_picture(DownloadResults::pictures::ordinary, 7));
    EXPECT_FALSE(results.find_pullfile(7));
}

TEST(Frames, WithoutAnEditingViewTheDownloadWaitsInItsMap)
{
    frame_fixture f;
    f.view_active = false;
    CWizardFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(132));
    f.context.download_results.set(CDownloadedPicture(3, "/w/a.gif", "http://h/a.gif", frame.window(), 1625, 0, 0));
    f.queue.post(frame.window(), WM_PICTURE_DOWNLOADED, 3);
    f.queue.pump();
    EXPECT_TRUE(f.context.download_results.find_picture(DownloadResults::pictures::ordinary, 3));
}

TEST(Frames, BaseFontCommandAppliesFaceAndNearestSizeAndDropsUndo)
{
    frame_fixture f;
    f.context.settings.current_font = "Verdana";
    f.context.settings.size = 13;
    CWizardFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(132));
    frame.ApplyFontCommand();
    EXPECT_EQ(f.view.calls, (std::vector<std::string> {"font Verdana 3", "discard undo"}));
    f.view.calls.clear();
    f.view_active = false;
    frame.ApplyFontCommand();
    EXPECT_TRUE(f.view.calls.empty());
}

TEST(Frames, CleanUpDeletesOnlyInsideTheWorkingFolderWithoutAStoredTextBody)
{
    frame_fixture f;
    auto folder = std::filesystem::path(f.test.services.locations.temp) / "work";
    std::filesystem::create_directories(folder);
    auto outside = std::filesystem::path(f.test.services.locations.temp) / "mine.htm";
    for (const auto& path : {folder / "body.txt", folder / "body.htm", outside})
        std::ofstream(path) << "x";
    bool stored = true;
    f.services.doc_file_exists = [&](int kind) { return kind == 2 && stored; };
    f.services.in_working_folder = [&](const std::string& path) { return path.rfind(folder.string() + "/", 0) == 0; };
    CWizardFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(132));
    frame.CleanUpDocumentFile((folder / "body.txt").string());
    EXPECT_TRUE(std::filesystem::exists(folder / "body.txt"));
    stored = false;
    frame.CleanUpDocumentFile((folder / "body.txt").string());
    EXPECT_FALSE(std::filesystem::exists(folder / "body.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder / "body.htm"));
    frame.CleanUpDocumentFile((std::filesystem::path(f.test.services.locations.temp) / "mine.txt").string());
    EXPECT_TRUE(std::filesystem::exists(outside));
}

}

namespace {

TEST(Frames, AnotherDocumentsDownloadIsDroppedNotPlaced)
{
    frame_fixture f;
    f.view.serial = 5;
    CWizardFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(132));
    auto& results = f.context.download_results;
    // Object numbers start over with each document: id 7 of the document before is not
    // this document's id 7.
    CDownloadedPicture old_picture(7, "/w/old.gif", "http://h/old.gif", frame.window(), 1625, 0, 0);
    old_picture.document_serial = 4;
    CDownloadedPullfile old_pull(7, "/w/[pull name=old.zip]", "http://h/old.zip", "/w/old.gif", "http://h/old.gif",
        frame.window(), 1626, 0, 0);
    old_pull.document_serial = 4;
    CDownloadedPicture current(8, "/w/new.gif", "http://h/new.gif", frame.window(), 1625, 0, 0);
    current.document_serial = 5;
    results.set(old_picture);
    results.set(old_pull);
    results.set(current);
    f.queue.post(frame.window(), WM_PICTURE_DOWNLOADED, 7);
    f.queue.post(frame.window(), WM_PULLFILE_DOWNLOADED, 7);
    f.queue.post(frame.window(), WM_PICTURE_DOWNLOADED, 8);
    f.queue.pump();
    EXPECT_EQ(f.view.calls, (std::vector<std::string> {"put 0 8 /w/new.gif "}));
    EXPECT_FALSE(results.find_picture(DownloadResults::pictures::ordinary, 7));
    EXPECT_FALSE(results.find_pullfile(7));
    EXPECT_FALSE(results.find_picture(DownloadResults::pictures::ordinary, 8));
    EXPECT_NE(f.trace().find("CWizardFrame::OnObjectDownloaded() -- download 7 of another document dropped"),
        std::string::npos);
}

TEST(Frames, CtrlKeysShownInTheMenuRunTheirCommands)
{
    frame_fixture f;
    CWizardFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(132));
    std::vector<int> run;
    frame.commands().on_command(57603, [&](int id) { run.push_back(id); });
    frame.commands().on_command(57601, [&](int id) { run.push_back(id); });
    platform::ui::message key {};
    key.window = frame.window();
    key.id = platform::ui::WM_KEYDOWN;
    key.wparam = 'S';
    EXPECT_FALSE(frame.PreTranslateMessage(key)) << "without Ctrl a letter is typed";
    f.queue.set_key_state(17, true);
    EXPECT_TRUE(frame.PreTranslateMessage(key));
    key.wparam = 'O';
    EXPECT_TRUE(frame.PreTranslateMessage(key));
    key.wparam = 'Q'; // no item shows Ctrl+Q
    EXPECT_FALSE(frame.PreTranslateMessage(key));
    key.id = platform::ui::WM_KEYUP;
    key.wparam = 'S';
    EXPECT_FALSE(frame.PreTranslateMessage(key));
    f.queue.set_key_state(17, false);
    EXPECT_EQ(run, (std::vector<int> {57603, 57601}));
}

TEST(Frames, ViewStatusTextGoesToTheMessagePane)
{
    frame_fixture f;
    CWizardFrame frame(f.services);
    ASSERT_TRUE(frame.LoadFrame(132));
    ViewFrame& as_view_frame = frame;
    as_view_frame.SetMessageText("Loading page...");
    EXPECT_EQ(frame.status().GetPaneText(0), "Loading page...");
    as_view_frame.SetMessageText("");
    EXPECT_EQ(frame.status().GetPaneText(0), "");
    EXPECT_EQ(as_view_frame.frame_window(), frame.window());
}

}
