#include "platform/strings/string_table.h"
#include "platform/ui/frame_wnd.h"
#include "platform/ui/testing/manual_clock.h"

#include <gtest/gtest.h>

#include <deque>

using namespace platform::ui;

namespace {

TEST(ToolbarResources, ReadsButtonsRangesAndSeparators)
{
    auto toolbars = ToolbarResources::parse("# palette\n"
                                            "toolbar 137 12x12 0 32944-32946 32952 0 32961\n"
                                            "\n"
                                            "toolbar 212 100x15 33040\n",
        "toolbars.txt");
    const auto* palette = toolbars.find(137);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->button_width, 12);
    EXPECT_EQ(palette->button_height, 12);
    EXPECT_EQ(palette->commands, (std::vector<int> {0, 32944, 32945, 32946, 32952, 0, 32961}));
    EXPECT_EQ(toolbars.find(212)->button_width, 100);
    EXPECT_EQ(toolbars.find(999), nullptr);
}

TEST(ToolbarResources, RefusesDamagedLinesNamingTheLine)
{
    for (const char* text : {"toolbar 1 12 1\n", "toolbar x 1x1 1\n", "toolbar 1 1x1 5-2\n", "toolbar 1 1x1 abc\n",
             "bar 1 1x1 1\n", "toolbar 1 1x1 1\ntoolbar 1 1x1 2\n", "toolbar 1 1x1 0-99999999\n", "toolbar 1 0x5 1\n"}) {
        try {
            ToolbarResources::parse(text, "toolbars.txt");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const frame_resource_error& e) {
            EXPECT_NE(std::string(e.what()).find("toolbars.txt:"), std::string::npos) << e.what();
        }
    }
}

TEST(MenuResources, NestedPopupsItemsAndSeparators)
{
    auto menus = MenuResources::parse("menu 128\n"
                                      "  popup \"&View\"\n"
                                      "    popup \"&Toolbar\"\n"
                                      "      item 32837 \"&HTML Elements\"\n"
                                      "    end\n"
                                      "    separator\n"
                                      "    item 59393 \"&Status Bar\\tAlt+S\"\n"
                                      "  end\n"
                                      "end\n",
        "menus.txt");
    auto bar = menus.make(128);
    ASSERT_TRUE(bar);
    auto* view = find_submenu(*bar, "&View");
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->count(), 3u);
    EXPECT_EQ(view->at(1).id, 0);
    EXPECT_EQ(view->at(2).text, "&Status Bar\tAlt+S");
    auto* toolbars = find_submenu(*view, "&Toolbar");
    ASSERT_NE(toolbars, nullptr);
    EXPECT_EQ(toolbars->at(0).id, 32837);
    EXPECT_EQ(find_submenu(*bar, "&Insert"), nullptr);
    EXPECT_EQ(menus.make(129), nullptr);

    // Each frame changes its own copy.
    bar->find(32837)->checked = true;
    EXPECT_FALSE(menus.make(128)->find(32837)->checked);
}

TEST(MenuResources, RefusesUnbalancedOrUnknownEntries)
{
    for (const char* text : {"menu 1\n", "end\n", "menu 1\nitem x \"a\"\nend\n", "menu 1\nitem 5 a\nend\n",
             "menu 1\nmenu 2\nend\nend\n", "item 5 \"a\"\n", "menu 1\nfoo\nend\n", "menu 1\nend\nmenu 1\nend\n"}) {
        EXPECT_THROW(MenuResources::parse(text, "menus.txt"), frame_resource_error) << text;
    }
}

TEST(ToolBar, InsertControlAtPositionOrAtTheEnd)
{
    ToolbarResource resource {1, 20, 20, {10, 0, 11}};
    struct row {
        int position;
        int expected;
    };
    for (auto [position, expected] : {row {-1, 3}, row {7, 3}, row {3, 3}, row {0, 0}, row {2, 2}}) {
        ToolBar bar;
        ASSERT_TRUE(bar.LoadToolBar(&resource));
        ToolControl box;
        box.id = 500;
        box.width = 120;
        EXPECT_EQ(bar.insert_control(position, box), expected);
        ASSERT_EQ(bar.button_count(), 4);
        EXPECT_EQ(bar.button(expected).command, 500);
        EXPECT_EQ(bar.button(expected).style, TBSTYLE_SEP);
        EXPECT_EQ(bar.item_rect(expected).width(), 120);
        ASSERT_NE(bar.control(500), nullptr);
    }
}

TEST(ToolBar, MissingResourceLoadsNothing)
{
    ToolBar bar;
    EXPECT_FALSE(bar.LoadToolBar(nullptr));
    EXPECT_FALSE(bar.loaded());
    EXPECT_EQ(bar.button_count(), 0);
}

TEST(ToolControl, SortedBoxKeepsOrderIgnoringCase)
{
    ToolControl box;
    box.sorted = true;
    for (const char* name : {"verdana", "Arial", "courier", "Bitstream"})
        box.add_string(name);
    EXPECT_EQ(box.items, (std::vector<std::string> {"Arial", "Bitstream", "courier", "verdana"}));
    EXPECT_EQ(box.find_string_exact("courier"), 2);
    EXPECT_EQ(box.find_string_exact("Courier"), 2);
    EXPECT_EQ(box.find_string_exact("Courie"), -1);
}

// A frame with a status bar and a toolbar, for routing and layout.
class test_frame final : public FrameWnd {
public:
    using FrameWnd::FrameWnd;
    StatusBar status;
    ToolBar tools;
    ToolbarResource resource {1, 20, 22, {100, 0, 101, 102}};
    bool refuse = false;

protected:
    int OnCreate() override
    {
        if (refuse)
            return -1;
        if (!CreateBar(status, AFX_IDW_STATUS_BAR, 0, CBRS_ALIGN_BOTTOM, true)
            || !CreateBar(tools, AFX_IDW_TOOLBAR, 0, CBRS_ALIGN_TOP, true) || !tools.LoadToolBar(&resource))
            return -1;
        status.SetIndicators({ID_SEPARATOR, 7}, {"Ready", "seven"});
        set_status_bar(&status);
        return 0;
    }
};

struct frame_fixture : ::testing::Test {
    platform::ui::testing::ManualClock clock;
    MessageQueue queue {clock};
    platform::strings::string_table strings = platform::strings::string_table::parse(
        "57345 \"Ready\"\n100 \"Open a file\\nOpen\"\n101 \"No tip\"\n", "strings.txt");
    MenuResources menus = MenuResources::parse("menu 1\n popup \"&File\"\n  item 100 \"&Open\"\n end\nend\n", "menus.txt");
};

TEST_F(frame_fixture, LoadFrameMakesTheMainWindowWithItsMenu)
{
    test_frame frame(queue, strings, menus);
    ASSERT_TRUE(frame.LoadFrame(1));
    EXPECT_TRUE(queue.is_window(frame.window()));
    EXPECT_EQ(queue.main_window(), frame.window());
    ASSERT_NE(frame.GetMenu(), nullptr);
    EXPECT_NE(frame.GetMenu()->find(100), nullptr);
    EXPECT_TRUE(queue.is_window(frame.status.window()));
}

TEST_F(frame_fixture, RefusedCreationLeavesNoWindow)
{
    test_frame frame(queue, strings, menus);
    frame.refuse = true;
    EXPECT_FALSE(frame.LoadFrame(1));
    EXPECT_EQ(frame.window(), 0u);
    EXPECT_EQ(queue.window_count(), 0u);
}

TEST_F(frame_fixture, CommandsRouteViewDocumentFrameApplication)
{
    test_frame frame(queue, strings, menus);
    ASSERT_TRUE(frame.LoadFrame(1));
    CommandRouter view, document, application;
    std::vector<std::string> ran;
    view.on_command(1, [&](int) { ran.push_back("view 1"); });
    document.on_command(1, 2, [&](int id) { ran.push_back("document " + std::to_string(id)); });
    frame.commands().on_command(1, 3, [&](int id) { ran.push_back("frame " + std::to_string(id)); });
    application.on_command(1, 4, [&](int id) { ran.push_back("application " + std::to_string(id)); });
    frame.set_route({[&] { return &view; }, [&] { return &document; }, &application});
    for (int id : {1, 2, 3, 4})
        EXPECT_TRUE(frame.OnCommand(id));
    EXPECT_FALSE(frame.OnCommand(5));
    EXPECT_EQ(ran, (std::vector<std::string> {"view 1", "document 2", "frame 3", "application 4"}));

    // WM_COMMAND reaches the same route.
    queue.post(frame.window(), WM_COMMAND, 3);
    queue.pump();
    EXPECT_EQ(ran.back(), "frame 3");
}

TEST_F(frame_fixture, PromptsFillTheMessagePaneAndTipsAreTheSecondHalf)
{
    test_frame frame(queue, strings, menus);
    ASSERT_TRUE(frame.LoadFrame(1));
    EXPECT_EQ(frame.GetMessageString(100), "Open a file");
    EXPECT_EQ(frame.GetToolTipText(100), "Open");
    EXPECT_EQ(frame.GetMessageString(101), "No tip");
    EXPECT_EQ(frame.GetToolTipText(101), "");
    frame.send(WM_SETMESSAGESTRING, 100);
    EXPECT_EQ(frame.status.GetPaneText(0), "Open a file");
    frame.send(WM_SETMESSAGESTRING, 0);
    EXPECT_EQ(frame.status.GetPaneText(0), "Ready");
}

TEST_F(frame_fixture, IdleUpdateEnablesAndChecksButtons)
{
    test_frame frame(queue, strings, menus);
    ASSERT_TRUE(frame.LoadFrame(1));
    frame.commands().on_command(100, [](int) { });
    frame.commands().on_update(101, [](CmdUI& ui) {
        ui.Enable(true);
        ui.SetCheck(true);
    });
    frame.commands().on_command(101, [](int) { });
    frame.send(WM_IDLEUPDATECMDUI);
    EXPECT_TRUE(frame.tools.IsButtonEnabled(100));
    EXPECT_FALSE(frame.tools.IsButtonChecked(100));
    EXPECT_TRUE(frame.tools.IsButtonChecked(101));
    EXPECT_FALSE(frame.tools.IsButtonEnabled(102)); // nobody handles it
}

TEST_F(frame_fixture, LayoutPutsTopBarsAboveAndTheStatusBarBelow)
{
    test_frame frame(queue, strings, menus);
    ASSERT_TRUE(frame.LoadFrame(1));
    queue.move_window(frame.window(), {10, 20, 410, 320});
    frame.RecalcLayout();
    EXPECT_EQ(frame.tools.place(), (rect {0, 0, 400, 28}));
    EXPECT_EQ(frame.status.place(), (rect {0, 280, 400, 300}));
    EXPECT_EQ(frame.view_place(), (rect {0, 28, 400, 280}));
    frame.ShowControlBar(frame.tools, false);
    EXPECT_EQ(frame.view_place(), (rect {0, 0, 400, 280}));
    EXPECT_FALSE(queue.is_visible(frame.tools.window()));
    EXPECT_EQ(frame.client_to_screen({1, 2, 3, 4}), (rect {11, 22, 13, 24}));
}

TEST_F(frame_fixture, CloseAsksTheDocument)
{
    struct refusing_document final : Document {
        bool may_close = false;
        bool OnOpenDocument(const std::string&) override { return true; }
        bool PreCloseFrame() override { return may_close; }
    } document;
    test_frame frame(queue, strings, menus);
    ASSERT_TRUE(frame.LoadFrame(1));
    frame.set_active_document(&document);
    frame.send(WM_CLOSE);
    EXPECT_TRUE(queue.is_window(frame.window()));
    document.may_close = true;
    frame.send(WM_CLOSE);
    EXPECT_EQ(frame.window(), 0u);
    EXPECT_EQ(queue.window_count(), 0u);
}

TEST_F(frame_fixture, IdleHandlerRunsWhenNothingIsPostedAndCanEndTheLoop)
{
    test_frame frame(queue, strings, menus);
    ASSERT_TRUE(frame.LoadFrame(1));
    int idles = 0;
    queue.set_idle_handler([&] {
        ++idles;
        return frame.DestroyWindow();
    });
    queue.post(frame.window(), WM_COMMAND, 100);
    EXPECT_EQ(queue.run(), 0);
    EXPECT_EQ(idles, 1);
}

TEST_F(frame_fixture, DocManagerMakesTheFrameWithTheFirstDocument)
{
    struct plain_document final : Document {
        bool OnOpenDocument(const std::string&) override { return true; }
    };
    DocManager manager;
    int frames_made = 0;
    DocTemplate::Factories factories;
    factories.document = [] { return std::make_unique<plain_document>(); };
    factories.frame = [&]() -> std::unique_ptr<Frame> {
        ++frames_made;
        return std::make_unique<test_frame>(queue, strings, menus);
    };
    manager.AddDocTemplate(std::make_unique<DocTemplate>(1, "a\nb\nc\nd\n.htm\nf\ng", factories));
    ASSERT_EQ(manager.on_file_new(), DocManager::Outcome::opened);
    ASSERT_NE(manager.frame(), nullptr);
    EXPECT_EQ(manager.frame()->GetActiveDocument(), manager.current_document());
    ASSERT_EQ(manager.open_document_file("/x.htm"), DocManager::Outcome::opened);
    EXPECT_EQ(frames_made, 1);
    EXPECT_EQ(manager.frame()->GetActiveDocument(), manager.current_document());
    EXPECT_TRUE(queue.is_visible(static_cast<FrameWnd*>(manager.frame())->window()));
}

TEST_F(frame_fixture, ViewKnowsItsFrameAtItsInitialUpdateAndBecomesTheActiveView)
{
    struct plain_document final : Document {
        bool OnOpenDocument(const std::string&) override { return true; }
    };
    // What a view was told: its frame, and whether it had one at its initial update. The
    // record outlives the view (a refused view goes at once).
    struct record {
        View* view = nullptr;
        Frame* frame = nullptr;
        bool framed_at_update = false;
    };
    struct probe_view final : View {
        record& seen;
        bool ready;
        probe_view(record& seen, bool ready) : seen(seen), ready(ready) { seen.view = this; }
        void AttachFrame(Frame* attached) override { seen.frame = attached; }
        bool OnInitialUpdate() override
        {
            seen.framed_at_update = seen.frame != nullptr;
            return ready;
        }
    };
    DocManager manager;
    bool next_ready = true;
    std::deque<record> made;
    DocTemplate::Factories factories;
    factories.document = [] { return std::make_unique<plain_document>(); };
    factories.frame = [&]() -> std::unique_ptr<Frame> { return std::make_unique<test_frame>(queue, strings, menus); };
    factories.view = [&]() -> std::unique_ptr<View> { return std::make_unique<probe_view>(made.emplace_back(), next_ready); };
    manager.AddDocTemplate(std::make_unique<DocTemplate>(1, "a\nb\nc\nd\n.htm\nf\ng", factories));

    // A view that cannot be made ready takes the frame made for it along.
    next_ready = false;
    EXPECT_EQ(manager.on_file_new(), DocManager::Outcome::failed);
    EXPECT_EQ(manager.frame(), nullptr);
    EXPECT_EQ(queue.window_count(), 0u);

    next_ready = true;
    ASSERT_EQ(manager.on_file_new(), DocManager::Outcome::opened);
    ASSERT_NE(manager.frame(), nullptr);
    EXPECT_TRUE(made.back().framed_at_update);
    EXPECT_EQ(made.back().frame, manager.frame());
    EXPECT_EQ(manager.frame()->GetActiveView(), made.back().view);

    // A refused view in a frame that shows another document leaves that frame alone.
    next_ready = false;
    EXPECT_EQ(manager.open_document_file("/y.htm"), DocManager::Outcome::failed);
    ASSERT_NE(manager.frame(), nullptr);
    EXPECT_TRUE(made.back().framed_at_update);
    EXPECT_EQ(made.back().frame, nullptr) << "told its frame is gone";
    EXPECT_EQ(manager.frame()->GetActiveView(), made[made.size() - 2].view);
    EXPECT_EQ(manager.frame()->GetActiveDocument(), manager.current_document());
}

TEST(Documents, EachDocumentHasASerialOfItsOwn)
{
    struct plain_document final : Document {
        bool OnOpenDocument(const std::string&) override { return true; }
    };
    plain_document first;
    plain_document second;
    EXPECT_NE(first.serial(), 0u);
    EXPECT_NE(first.serial(), second.serial());
}

}

namespace {

TEST(WindowCanvas, InvalidateQueuesOnePaintAndTheCanvasHasTheWindowsSize)
{
    platform::ui::testing::ManualClock clock;
    MessageQueue queue(clock);
    int paints = 0;
    window_options options;
    options.bounds = {0, 0, 40, 30};
    options.handler = [&](const message& received) -> std::intptr_t {
        if (received.id == WM_PAINT)
            ++paints;
        return 0;
    };
    window_id window = queue.create_window(std::move(options));
    EXPECT_TRUE(queue.invalidate(window));
    EXPECT_TRUE(queue.invalidate(window));
    queue.pump();
    EXPECT_EQ(paints, 1);
    EXPECT_TRUE(queue.invalidate(window)); // painted: the next change asks again
    queue.pump();
    EXPECT_EQ(paints, 2);

    auto& canvas = queue.canvas(window);
    EXPECT_EQ(canvas.width(), 40);
    EXPECT_EQ(canvas.height(), 30);
    EXPECT_FALSE(canvas.pixel(0, 0)); // blank: transparent
    auto picture = platform::gfx::bitmap::blank(10, 10);
    canvas.paint(picture, 0, 0);
    queue.move_window(window, {0, 0, 50, 20});
    EXPECT_EQ(queue.canvas(window).width(), 50);
    queue.destroy_window(window);
    EXPECT_FALSE(queue.invalidate(window));
    EXPECT_THROW(queue.canvas(window), std::invalid_argument);
}

}
