#pragma once

#include "program_folders.h"

#include "broadcast/job/quorbis_broadcast.h"
#include "platform/strings/string_table.h"
#include "platform/testing/file_contents.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/testing/manual_clock.h"
#include "platform/ui/testing/scripted_host.h"

#include <vector>

// The program's folders and texts with a user-interface thread: a main window that
// records the messages posted to it, the program's dialogs and a scripted host.
class BroadcastUi : public BroadcastFolders {
protected:
    platform::strings::string_table strings = platform::strings::string_table::load(TALVERIN_STRINGS);
    platform::ui::DialogTemplates dialogs = platform::ui::DialogTemplates::load(TALVERIN_DIALOGS);
    platform::ui::testing::ScriptedHost host {strings};
    platform::ui::testing::ManualClock ticks;
    platform::ui::MessageQueue queue {ticks};
    platform::ui::window_id main_window = 0;
    std::vector<std::uint32_t> posted_to_main;

    void SetUp() override
    {
        BroadcastFolders::SetUp();
        platform::ui::window_options options;
        options.handler = [this](const platform::ui::message& m) {
            if (m.id >= platform::ui::WM_USER)
                posted_to_main.push_back(m.id);
            return std::intptr_t {0};
        };
        main_window = queue.create_window(std::move(options));
        queue.set_main_window(main_window);
    }

    // A job with the bodies of the given kinds written into its folder.
    static void write_bodies(broadcast::quorbis_broadcast& job, std::vector<int> kinds)
    {
        for (int kind : kinds) {
            auto path = job.body_file_name(kind, true);
            platform::testing::write_file(path, "<p>body " + std::to_string(kind) + "</p>");
            job.bodies[kind] = path;
        }
    }
};
