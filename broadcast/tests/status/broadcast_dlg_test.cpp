#include "../program_folders.h"
#include "broadcast/status/broadcast_dlg.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/fixed_clock.h"
#include "platform/testing/test_services.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/testing/scripted_host.h"
#include "platform/ui/tick_clock.h"

#include <gtest/gtest.h>
#include <future>
#include <thread>

namespace ui = platform::ui;
using broadcast::broadcast_status;
using broadcast::CBroadcastDlg;

namespace {

const std::string interrupted_box = "An attempt was made to interrupt the broadcast,\nbut timing issues may have "
                                    "prevented the cancellation from taking place.\nTo confirm cancellation, you "
                                    "should visit the Quorbis website and check status.";

class StatusDialog : public BroadcastFolders {
protected:
    void SetUp() override
    {
        BroadcastFolders::SetUp();
        host.set_ui_queue(&queue);
        auto made = std::make_unique<broadcast::quorbis_broadcast>();
        made->name = "June news";
        job = broadcast::broadcast_ref::make(std::move(made));
    }
    std::unique_ptr<CBroadcastDlg> make_dialog()
    {
        return std::make_unique<CBroadcastDlg>(1178, "HTTP", job, status, services);
    }
    std::string log_text() const { return platform::testing::read_file(log_path); }

    platform::testing::test_services test_services;
    ui::steady_tick_clock ticks;
    ui::MessageQueue queue {ticks};
    ui::testing::ScriptedHost host {test_services.services.strings};
    ui::DialogTemplates dialogs = ui::DialogTemplates::load(TALVERIN_DIALOGS);
    platform::testing::fixed_clock clock;
    std::string log_path = root.file("data/Broadcast.log");
    broadcast::broadcast_dialog_services services {host, dialogs, clock, log_path};
    std::shared_ptr<broadcast_status> status = std::make_shared<broadcast_status>();
    broadcast::broadcast_ref job;
};

}

TEST_F(StatusDialog, FollowsTheWorkersStatesFromAnotherThread)
{
    struct row {
        int state;
        const char* detail;
        const char* text;
        int bar;        // -1: hidden
        int picture;
        const char* button;
    };
    const row rows[] = {
        {1, "", "Preparing broadcast files...", 100, 281, "Cancel"},
        {2, "", "Composing the message to send ...", 200, 281, "Cancel"},
        {3, "", "Sending the message...", 300, 281, "Cancel"},
        {4, "", "Sending the message...", 400, 281, "Cancel"},
        {9, "", "", 400, 281, "Cancel"},
        {5, "Job Number 4711 (Please make a note of it)",
            "Broadcasting completed successfully\r\nJob Number 4711 (Please make a note of it)", -1, 188, "Close"},
    };
    auto dialog = make_dialog();
    host.expect_dialog(177, [&](ui::testing::DialogDriver& driver) {
        EXPECT_EQ(dialog->title(), "Quorbis HTTP(S) Broadcast Status");
        EXPECT_EQ(dialog->GetDlgItemText(1031), "Initializing...");
        EXPECT_FALSE(dialog->item(1205).visible);
        for (const auto& r : rows) {
            std::thread worker([&] { status->set_state(r.state, r.detail); });
            worker.join();
            ASSERT_TRUE(driver.wait_until([&] { return dialog->GetState() == r.state; })) << r.state;
            EXPECT_EQ(dialog->GetDlgItemText(1031), r.text) << r.state;
            EXPECT_EQ(dialog->item(1030).visible ? dialog->item(1030).position : -1, r.bar) << r.state;
            EXPECT_EQ(dialog->item(1083).image, r.picture) << r.state;
            EXPECT_EQ(dialog->GetDlgItemText(2), r.button) << r.state;
        }
        driver.click(2);
    });
    EXPECT_EQ(dialog->DoModal(), ui::IDCANCEL);
    EXPECT_EQ(log_text(), "") << "Close after the outcome logs nothing and shows no box";
    EXPECT_FALSE(status->stop_requested());
}

TEST_F(StatusDialog, FailureShowsItsPictureAndTheBarFollowsTheUpload)
{
    auto dialog = make_dialog();
    host.expect_dialog(177, [&](ui::testing::DialogDriver& driver) {
        std::thread worker([&] {
            status->set_state(3);
            status->set_file_size_text("File size: 1,234 Kb");
            status->set_sent(500, 1000);
        });
        worker.join();
        ASSERT_TRUE(driver.wait_until([&] { return dialog->item(1030).position == 350; }));
        EXPECT_EQ(dialog->GetDlgItemText(1181), "File size: 1,234 Kb");
        status->set_state(6, "The service refused the login");
        ASSERT_TRUE(driver.wait_until([&] { return dialog->GetState() == 6; }));
        EXPECT_EQ(dialog->GetDlgItemText(1031),
            "Broadcasting failed or interrupted by user\r\nThe service refused the login");
        EXPECT_EQ(dialog->item(1083).image, 189);
        EXPECT_FALSE(dialog->item(1030).visible);
        driver.cancel();
    });
    EXPECT_EQ(dialog->DoModal(), ui::IDCANCEL);
    EXPECT_EQ(log_text(), "");
}

TEST_F(StatusDialog, CancelBeforeTheOutcomeStopsTheWorkerLogsAndWarns)
{
    auto dialog = make_dialog();
    host.expect_dialog(177, [&](ui::testing::DialogDriver& driver) {
        status->set_state(1);
        ASSERT_TRUE(driver.wait_until([&] { return dialog->GetState() == 1; }));
        driver.cancel();
    });
    host.expect_message(interrupted_box, ui::MB_OK | ui::MB_ICONINFORMATION, ui::IDOK);
    EXPECT_EQ(dialog->DoModal(), ui::IDCANCEL);
    EXPECT_TRUE(status->stop_requested());
    EXPECT_EQ(log_text(), "12/10/26 14:03:05 HTTP broadcast. Job name: June news. Broadcasting interrupted\r\n");
    EXPECT_FALSE(dialog->post(broadcast_status::changed_message)) << "an ended dialog takes no posts";
}

TEST_F(StatusDialog, WorkerOutlivesTheDialog)
{
    auto dialog = make_dialog();
    std::thread worker;
    host.expect_dialog(177, [&](ui::testing::DialogDriver& driver) {
        // The worker goes on after Cancel, reporting to a dialog that is going or gone.
        worker = std::thread([status = status, job = dialog->job()] {
            std::promise<void> stopped;
            std::stop_callback on_stop(status->stop_token(), [&] { stopped.set_value(); });
            stopped.get_future().wait();
            for (int state = 1; state <= 4; ++state)
                status->set_state(state);
            for (std::uint64_t sent = 0; sent <= 4096; sent += 512)
                status->set_sent(sent, 4096);
            status->set_state(5, "Job Number 1 (Please make a note of it)");
        });
        driver.cancel();
    });
    host.expect_message(interrupted_box, ui::MB_OK | ui::MB_ICONINFORMATION, ui::IDOK);
    EXPECT_EQ(dialog->DoModal(), ui::IDCANCEL);
    dialog.reset();
    worker.join();
    queue.pump();
    EXPECT_EQ(status->state(), 5);
}
