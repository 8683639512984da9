#include "frame_fixture.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/frames/frame_install.h"

#include <gtest/gtest.h>

using namespace shell;
using namespace shell::testing;
using namespace platform::ui;

namespace {

// A started application whose HTML message shows in the main frame.
struct program_fixture : frame_fixture {
    program_fixture()
    {
        set_logging(1);
        with_documents();
        install_frames(context, services, [this] { return app ? app->doc_manager() : nullptr; });
    }
    CWizardFrame* frame() { return dynamic_cast<CWizardFrame*>(app->doc_manager()->frame()); }
};

TEST(ProgramFrames, StartUpMakesTheMainFrameAndShowsTheConfigurationName)
{
    program_fixture f;
    ASSERT_TRUE(f.start().runs());
    auto* main = dynamic_cast<CMainFrame*>(f.frame());
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(f.queue.main_window(), main->window());
    EXPECT_TRUE(f.queue.is_visible(main->window()));
    EXPECT_EQ(main->status().GetPaneText(main->status().CommandToIndex(3094)), "Default");
    auto trace = f.trace();
    EXPECT_NE(trace.find("CMainFrame::ShowConfigurationName() - Default\n"), std::string::npos);
    EXPECT_NE(trace.find("CWizardFrame::OnCreate() -- status bar of 6 panes, main toolbar 128"), std::string::npos);
    EXPECT_NE(trace.find("CMainFrame::CreateFrameToolbars() -- formatting toolbar 138"), std::string::npos);
    EXPECT_LT(trace.find("CMainFrame::ShowConfigurationName()"), trace.find("InitInstance() return TRUE"));
}

TEST(ProgramFrames, IdleEndClosesTheMainFrameAndTheRunEnds)
{
    program_fixture f;
    ASSERT_TRUE(f.start().runs());
    f.queue.set_idle_handler([&] { return f.app->CloseWhenIdle(); });
    EXPECT_EQ(f.app->Run(), 0);
    EXPECT_EQ(f.frame()->window(), 0u);
    EXPECT_EQ(f.queue.window_count(), 0u);
    EXPECT_TRUE(f.warnings.empty());
    f.queue.set_idle_handler(nullptr);
}

TEST(ProgramFrames, IdleEndWaitsForRunningDownloads)
{
    program_fixture f;
    ASSERT_TRUE(f.start().runs());
    auto* frame = f.frame();
    frame->send(WM_DOWNLOAD_STATUS, 3103);
    EXPECT_FALSE(f.app->CloseWhenIdle());
    EXPECT_NE(frame->window(), 0u);
    frame->send(WM_DOWNLOAD_STATUS, 0);
    EXPECT_TRUE(f.app->CloseWhenIdle());
    EXPECT_EQ(frame->window(), 0u);
}

TEST(ProgramFrames, ARefusedCloseEndsTheRunWithStatusOne)
{
    program_fixture f;
    ASSERT_TRUE(f.start().runs());
    // A changed message nobody may be asked about cannot go.
    f.app->doc_manager()->current_document()->SetModifiedFlag(true);
    f.queue.set_idle_handler([&] { return f.app->CloseWhenIdle(); });
    EXPECT_EQ(f.app->Run(), 1);
    ASSERT_EQ(f.warnings.size(), 1u);
    EXPECT_NE(f.warnings[0].find("not closed"), std::string::npos);
    f.queue.set_idle_handler(nullptr);
}

TEST(ProgramFrames, CustomizeShowsTheNameAgainAfterOk)
{
    program_fixture f;
    ASSERT_TRUE(f.start().runs());
    auto* main = dynamic_cast<CMainFrame*>(f.frame());
    ASSERT_NE(main, nullptr);
    auto before = f.trace();
    f.host.expect_dialog(1159, [](platform::ui::testing::DialogDriver& d) { d.cancel(); });
    EXPECT_TRUE(main->OnCommand(ID_CUSTOMIZE));
    EXPECT_EQ(f.trace(), before);
    f.host.expect_dialog(1159, [](platform::ui::testing::DialogDriver& d) { d.ok(); });
    main->OnCommand(ID_CUSTOMIZE);
    EXPECT_NE(f.trace().find("CMainFrame::ShowConfigurationName() - Default\n", before.size()), std::string::npos);
}

}

namespace {

TEST(ProgramFrames, CleanUpKeepsToTheWorkingFolder)
{
    program_fixture f;
    ASSERT_TRUE(f.start().runs());
    auto* documents = dynamic_cast<CTalverinDocManager*>(f.app->doc_manager());
    ASSERT_NE(documents, nullptr);
    const auto& folder = documents->GetTempFolder();
    ASSERT_FALSE(folder.empty());
    struct row {
        std::string path;
        bool inside;
    };
    // A link inside the folder leads out of it: what lies behind it is not the folder's.
    std::filesystem::create_directory(folder + "/sub");
    std::filesystem::create_directory_symlink(f.test.services.locations.data, folder + "/out");
    for (const auto& [path, inside] : {row {folder + "/body.txt", true}, row {folder + "/sub/../body.htm", true},
             row {folder, false}, row {folder + "/..", false}, row {folder + "/../other/body.txt", false},
             row {"body.txt", false}, row {folder + "x/body.txt", false}, row {folder + "/out/body.txt", false}}) {
        EXPECT_EQ(f.services.in_working_folder(path), inside) << path;
    }
    EXPECT_FALSE(f.services.doc_file_exists(2));
}

}
