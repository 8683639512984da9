#include "broadcast/launch/mapi_send_thread.h"

#include "broadcast/log/broadcast_log.h"
#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "core/util/strings.h"
#include "platform/com/com_error.h"
#include "platform/ui/worker_prompt.h"

namespace broadcast {

namespace {

using platform::ui::MB_ICONERROR;
using platform::ui::MB_ICONINFORMATION;
using platform::ui::MB_OK;

// The mail of the package: command.txt first, then the files in command-file order.
mapi_mail package_mail(const mapi_send_job& send)
{
    mapi_mail mail {send.job->subject, send.recipient, {}};
    TRACE_LOG("Preparing MAPI message...\n");
    TRACE_LOG("Attaching \"command.txt\" file\n");
    mail.attachments.push_back(core::path_combine(send.package.package_folder(), "command.txt"));
    for (const auto& name : send.package.files_to_archive()) {
        TRACE_LOG("Attaching \"%s\" file\n", name.c_str());
        mail.attachments.push_back(core::path_combine(send.package.package_folder(), name));
    }
    TRACE_LOG("MIME message is ready\n");
    return mail;
}

void send_package(mapi_send_job& send, mapi_worker_services const& services, platform::prompts::prompt& prompt,
    bool& logged_on)
{
    auto& job = *send.job;
    if (job.is_form_)
        job.adopt_form_folders(form_greetings_file(job.send_form_as_attachment_));
    send.inputs.send_friend = job.IsUseSendFriendStatment();
    send.package.write_command_file(send.job, send.inputs, system_time_zone());
    send.sender->logon(send.main_window);
    logged_on = true;
    send.sender->send(package_mail(send));
    broadcast_log(core::format_resource_cstring(3096, "MAPI SMTP", job.name.c_str(),
                      core::load_string_resource(3098).c_str()),
        services.clock);
    prompt.message_box(services.ui.strings(), 20036, MB_OK | MB_ICONINFORMATION);
}

}

std::uint32_t mapi_send_thread(std::unique_ptr<mapi_send_job> send, const mapi_worker_services& services,
    std::stop_token stop)
{
    platform::ui::worker_prompt prompt(services.ui, services.queue.ui_calls(), stop);
    std::uint32_t result = 0;
    bool logged_on = false;
    services.ui.begin_wait_cursor();
    try {
        if (send->job->stop_immediately_) {
            result = E_FAIL;
        } else if (!send->sender || !send->sender->loaded()) {
            result = E_FAIL;
            prompt.message_box(services.ui.strings(), 1149, MB_OK | MB_ICONERROR);
        } else {
            try {
                send_package(*send, services, prompt, logged_on);
            } catch (const mapi_error& failure) {
                TRACE_LOG("mapi_send_thread() -- %s\n", failure.what());
                core::ReportMapiError(failure.failure(), prompt, services.ui.strings());
            }
        }
    } catch (const platform::ui::command_aborted&) {
        // The user was told already, or the prompt was abandoned.
    } catch (const std::exception& failure) {
        TRACE_LOG("mapi_send_thread() -- %s\n", failure.what());
        try {
            prompt.message_box(failure.what(), MB_OK | MB_ICONERROR);
        } catch (const platform::ui::command_aborted&) {
        }
    }
    if (logged_on) {
        try {
            send->sender->logoff();
        } catch (const std::exception& failure) {
            TRACE_LOG("mapi_send_thread() -- logoff: %s\n", failure.what());
        }
    }
    services.ui.end_wait_cursor();
    auto main_window = send->main_window;
    send.reset();
    if (services.on_end)
        services.on_end();
    services.queue.post(main_window, platform::threads::WM_USER + 1);
    return result;
}

}
