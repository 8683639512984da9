#pragma once

#include "program_folders.h"

#include "broadcast/job/broadcast_ref.h"
#include "broadcast/package/command_file.h"
#include "broadcast/status/broadcast_dlg.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/fixed_clock.h"
#include "platform/testing/test_services.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/testing/scripted_host.h"
#include "platform/ui/tick_clock.h"

#include <string>

// A transport's status dialog on a user-interface queue that its worker posts to: the
// program's texts and dialogs, a fixed clock for the log's dates and a two-body job.
class StatusDialogFixture : public BroadcastFolders {
protected:
    void SetUp() override
    {
        BroadcastFolders::SetUp();
        host.set_ui_queue(&queue);
        job = job_with_two_bodies();
    }

    std::string log() const { return platform::testing::read_file(log_path); }

    platform::testing::test_services test_services;
    platform::ui::steady_tick_clock ticks;
    platform::ui::MessageQueue queue {ticks};
    platform::ui::testing::ScriptedHost host {test_services.services.strings};
    platform::ui::DialogTemplates dialogs = platform::ui::DialogTemplates::load(TALVERIN_DIALOGS);
    platform::testing::fixed_clock clock;
    broadcast::system_time_zone zone;
    std::string log_path = root.file("data/Broadcast.log");
    broadcast::broadcast_dialog_services dialog_services {host, dialogs, clock, log_path};
    broadcast::broadcast_ref job;
};
