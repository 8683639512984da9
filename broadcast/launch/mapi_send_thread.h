#pragma once

#include "broadcast/job/broadcast_ref.h"
#include "broadcast/launch/mapi_mail_sender.h"
#include "broadcast/package/command_file.h"
#include "broadcast/package/quorbis_zip.h"

#include "platform/clock/clock.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/ui_host.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>

namespace broadcast {

inline constexpr std::uint32_t E_FAIL = 0x80004005u;

// One Simple MAPI send, taken on the user-interface thread and handed to the worker: the
// job, its package builder (login line and clean folder on) and what the worker reads.
// Ending it ends the package builder, then releases the job.
struct mapi_send_job {
    explicit mapi_send_job(broadcast_ref shared) : job(std::move(shared)) { }

    broadcast_ref job;
    quorbis_zip package {true, true};
    std::shared_ptr<mapi_mail_sender> sender; // null: the mail system is not bound
    std::string recipient;                    // Broadcast\SMTPDestAddr
    command_file_inputs inputs;
    platform::ui::window_id main_window = 0;
};

// What the worker reaches of the user-interface thread.
struct mapi_worker_services {
    platform::ui::UiHost& ui; // its prompt, strings and wait cursor
    platform::ui::MessageQueue& queue;
    const platform::clock& clock;
    // Told when the send has ended, just before WM_USER+1 is posted.
    std::function<void()> on_end {};
};

// The Simple MAPI worker: adopts the form folders, writes the command file, logs on, sends
// command.txt and the package's files as attachments of one mail, writes the broadcast log
// and tells the user. Failures are shown through the user-interface thread (a failed call
// by its Simple MAPI message); a session that was opened is closed; WM_USER+1 reaches the
// main window on every end. 0, or E_FAIL when the job was stopped or the mail system is not
// bound.
std::uint32_t mapi_send_thread(std::unique_ptr<mapi_send_job> send, const mapi_worker_services& services,
    std::stop_token stop);

}
