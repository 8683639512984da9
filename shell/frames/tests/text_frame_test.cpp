#include "frame_fixture.h"
#include "html/headless/headless_document.h"
#include "html/ui_queue.h"
#include "platform/inet/curl_internet.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/temporary_folder.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/documents/testing/recording_conversion.h"
#include "shell/documents/wizard_doc.h"
#include "shell/downloads/download_service.h"
#include "shell/downloads/service_download_starter.h"
#include "shell/frames/frame_install.h"
#include "shell/view/wizard_view.h"
#include "standin/fixture/quorbis_stand_in.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace shell;
using namespace shell::testing;
using namespace platform::ui;

namespace {

// The program started on a text message: its document, frame and view as the document
// manager makes them, the view editing a headless page.
struct text_frame_fixture : frame_fixture {
    html::manual_ui_queue pages;
    std::shared_ptr<html::clipboard> clip = std::make_shared<html::clipboard>();
    std::string user_file = test.root.path() + "/notes.quorbis_txt";
    bool factory_works = true;

    text_frame_fixture()
    {
        context.conversion = std::make_unique<RecordingConversion>();
        context.services.document_factory
            = [this](html::document_host& document_host) -> std::unique_ptr<html::document> {
            if (!factory_works)
                return nullptr;
            html::headless_ports ports;
            ports.queue = &pages;
            ports.clip = clip;
            return html::make_headless_document(document_host, ports);
        };
        context.services.clipboard = clip;
        // The frames find the active view and document through the document manager.
        services.active_view = nullptr;
        install_text_document(context, [this] { return app ? app->doc_manager() : nullptr; });
        install_frames(context, services, [this] { return app ? app->doc_manager() : nullptr; });
        write(user_file, "Dear reader");
        host.set_ui_queue(&queue);
    }
    ~text_frame_fixture() { host.set_ui_queue(nullptr); }

    bool start_on(const std::string& path)
    {
        if (!start({path}).runs())
            return false;
        pages.run_pending();
        return true;
    }
    CTalverinDocManager& manager() { return static_cast<CTalverinDocManager&>(*app->doc_manager()); }
    CWizardFrame* frame() { return dynamic_cast<CWizardFrame*>(manager().frame()); }
    CWizardView* view() { return frame() ? dynamic_cast<CWizardView*>(frame()->GetActiveView()) : nullptr; }
    CWizardDoc* document() { return frame() ? dynamic_cast<CWizardDoc*>(frame()->GetActiveDocument()) : nullptr; }

    static void write(const std::string& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }
};

TEST(TextFrame, TheViewKnowsItsFrameAndIsTheFramesActiveView)
{
    text_frame_fixture f;
    ASSERT_TRUE(f.start_on(f.user_file));
    auto* frame = f.frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(dynamic_cast<CMainFrame*>(frame), nullptr) << "the text message has the base frame";
    auto* view = f.view();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->GetParentFrame(), static_cast<ViewFrame*>(frame));
    EXPECT_EQ(f.services.active_view(), static_cast<FrameView*>(view));
    ASSERT_NE(f.document(), nullptr);
    EXPECT_EQ(view->document_serial(), f.document()->serial());
    EXPECT_NE(view->GetPageText(false).find("Dear reader"), std::string::npos);
}

TEST(TextFrame, CommandsGoToTheViewThenTheDocument)
{
    text_frame_fixture f;
    ASSERT_TRUE(f.start_on(f.user_file));
    auto* frame = f.frame();
    ASSERT_NE(frame, nullptr);
    // The view's own command and its state reach the view.
    CmdUI preview;
    preview.id = ID_PREVIEW_AS_TEXT;
    frame->UpdateCommand(preview);
    EXPECT_FALSE(preview.enabled) << "disabled until the preview window is bound";
    CmdUI cancel;
    cancel.id = ID_CANCEL_AND_EXIT;
    frame->UpdateCommand(cancel);
    EXPECT_TRUE(cancel.enabled);
    // "Cancel and Exit" on an unchanged message: the document closes with its frame; the
    // user's file is no scratch file and stays.
    auto* view = f.view();
    ASSERT_NE(view, nullptr);
    ViewFrame& as_view_frame = *frame;
    EXPECT_TRUE(as_view_frame.OnCmdMsg(ID_CANCEL_AND_EXIT));
    EXPECT_EQ(frame->window(), 0u);
    EXPECT_EQ(view->site(), nullptr) << "the view let go of its editing site with its window";
    EXPECT_TRUE(std::filesystem::exists(f.user_file));
}

TEST(TextFrame, ClosingTheFrameOfAScratchMessageDeletesItsFilesOnly)
{
    text_frame_fixture f;
    ASSERT_TRUE(f.start_on(f.user_file));
    const auto folder = f.manager().GetTempFolder();
    ASSERT_FALSE(folder.empty());
    const auto scratch = folder + "/scratch.quorbis_txt";
    f.write(scratch, "draft");
    f.write(folder + "/scratch.htm", "<p>draft</p>");
    f.write(folder + "/scratch.tmp", "");
    ASSERT_EQ(f.manager().open_document_file(scratch), DocManager::Outcome::opened);
    f.pages.run_pending();
    auto* frame = f.frame();
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(f.document()->GetPathName(), scratch);
    f.queue.send(frame->window(), WM_CLOSE);
    EXPECT_EQ(frame->window(), 0u);
    for (const char* extension : {".quorbis_txt", ".htm", ".tmp"})
        EXPECT_FALSE(std::filesystem::exists(folder + "/scratch" + extension)) << extension;
    EXPECT_TRUE(std::filesystem::exists(f.user_file));
}

TEST(TextFrame, AChangedMessageAsksBeforeTheFrameCloses)
{
    text_frame_fixture f;
    ASSERT_TRUE(f.start_on(f.user_file));
    auto* frame = f.frame();
    auto* view = f.view();
    ASSERT_NE(view, nullptr);
    auto pair = view->GetHTMLDocument();
    ASSERT_NE(pair.document, nullptr);
    ASSERT_EQ(pair.document->body()->put_inner_html("<p>changed</p>"), html::S_OK);
    ASSERT_TRUE(view->IsDocumentDirty());
    f.host.expect_message("Save changes to Text body part?", MB_YESNOCANCEL | MB_ICONEXCLAMATION, IDCANCEL);
    f.queue.send(frame->window(), WM_CLOSE);
    EXPECT_NE(frame->window(), 0u) << "Cancel keeps the message open";
    EXPECT_NE(view->site(), nullptr);
}

TEST(TextFrame, AViewThatCannotBeMadeAsksTheShownMessageBeforeItsFrameCloses)
{
    text_frame_fixture f;
    ASSERT_TRUE(f.start_on(f.user_file));
    auto* frame = f.frame();
    auto* shown = f.document();
    auto* view = f.view();
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->GetHTMLDocument().document->body()->put_inner_html("<p>changed</p>"), html::S_OK);
    const auto other = f.test.root.path() + "/other.quorbis_txt";
    f.write(other, "other");
    f.factory_works = false;
    f.host.expect_message("Failed to create empty document.", MB_OK | MB_ICONEXCLAMATION, IDOK);
    f.host.expect_message("Save changes to Text body part?", MB_YESNOCANCEL | MB_ICONEXCLAMATION, IDCANCEL);
    EXPECT_EQ(f.manager().open_document_file(other), DocManager::Outcome::failed);
    EXPECT_EQ(f.frame(), frame);
    EXPECT_NE(frame->window(), 0u) << "the changed message stays open";
    EXPECT_EQ(f.document(), shown);
    EXPECT_EQ(f.view(), view);
    EXPECT_NE(view->site(), nullptr);
    EXPECT_EQ(f.host.pending(), 0u);
}

TEST(TextFrame, APictureFetchedFromTheServiceEndsAsItsElementsLocalSource)
{
    text_frame_fixture f;
    platform::testing::temporary_folder served;
    const std::string bytes = std::string("\x89PNG\r\n\x1A\n", 8) + std::string(3000, 'p');
    f.write(served.file("pic.png"), bytes);
    standin::QuorbisStandIn stand_in;
    stand_in.serve_files(served.path());
    const std::string address = stand_in.file_url("pic.png");
    ASSERT_TRUE(f.start_on(f.user_file));
    auto* view = f.view();
    ASSERT_NE(view, nullptr);
    auto pair = view->GetHTMLDocument();
    ASSERT_EQ(pair.document->body()->put_inner_html("<p><img quorbis_id=\"picture3\" src=\"" + address + "\"></p>"),
        html::S_OK);

    platform::inet::internet_options options;
    options.ca_file = stand_in.ca_file();
    const std::string folder = f.manager().GetTempFolder();
    DownloadService downloads({platform::inet::make_curl_internet(options), f.queue, f.context.download_results,
        [&folder] { return folder; }, [&f](const std::string& path) { f.context.temporary_paths.add(path); }});
    ServiceDownloadStarter starter(downloads);
    f.context.download_starter = &starter;
    view->StartObjectDownload(folder + "/pic.png", address, 3, 0, true); // refreshed: the file keeps its name
    ASSERT_TRUE(downloads.wait_until_idle(std::chrono::seconds(20)));
    f.queue.pump(); // the status and completion messages reach the frame
    f.context.download_starter = nullptr;

    std::string body;
    pair.document->body()->inner_html(body);
    EXPECT_NE(body.find("src=\"pic.png\""), std::string::npos) << body;
    EXPECT_EQ(platform::testing::read_file(folder + "/pic.png"), bytes);
    EXPECT_EQ(f.frame()->running_downloads(), 0);
}

}
