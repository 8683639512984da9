#include "broadcast/ftp/quorbis_ftp_broadcaster.h"

#include "broadcast/ftp/quorbis_broadcast_dlg.h"
#include "broadcast/job/quorbis_broadcast.h"
#include "broadcast/package/quorbis_zip.h"
#include "core/errors/wizard_thrower.h"
#include "core/files/file_text.h"
#include "core/files/path_parts.h"
#include "core/log/trace_log.h"
#include "core/util/strings.h"

#include <filesystem>
#include <optional>
#include <system_error>

namespace broadcast {

namespace {

#define BROADCASTER_TRACE(format, ...) TRACE_LOG("quorbis_ftp_broadcaster::" format __VA_OPT__(, ) __VA_ARGS__)
#define CONNECTION_TRACE(format, ...) TRACE_LOG("quorbis_ftp_connection::" format __VA_OPT__(, ) __VA_ARGS__)

std::string file_name_of(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

// Ends the run with a reason the dialog shows: reported on the open step (marked failed,
// so leaving it does not call it completed) or, before any step, on one of its own.
bool fail(hevtools::durable_operation_manager& manager, hevtools::operation_ref& step, std::string reason)
{
    TRACE_LOG("quorbis_ftp_broadcaster::svc() - failed: %s\n", reason.c_str());
    if (!step)
        step = manager.begin_step(step_no_line, {}, nullptr);
    step->value = step_failed;
    step->status_text = std::move(reason);
    step->report_progress(-1);
    return false;
}

}

std::int32_t upload_percent(std::uint64_t done, std::uint64_t total)
{
    if (total == 0 || done >= total)
        return 100;
    // In 64 bits: position * 100 overflows 32 bits from 21.5 MB.
    return static_cast<std::int32_t>(done * 100 / total);
}

bool upload_accepted(const platform::ftp::ftp_result& result)
{
    return result.transferred() && (result.reply_code == 226 || result.reply_code == 250);
}

quorbis_ftp_connection::quorbis_ftp_connection(const platform::ftp::ftp_endpoint& endpoint,
    const platform::ftp::ftp_session_factory& sessions)
{
    CONNECTION_TRACE("quorbis_ftp_connection() - start\n");
    session_ = sessions(endpoint);
    const platform::ftp::ftp_result login = session_->login();
    if (!login.transferred()) {
        CONNECTION_TRACE("quorbis_ftp_connection() - (connection == 0): %s %s\n", login.error.c_str(),
            login.reply.c_str());
        std::string text = core::format_resource_cstring(20029, endpoint.host.c_str());
        if (!login.reply.empty())
            text += "\r\n" + login.reply;
        throw ftp_failure(text);
    }
    CONNECTION_TRACE("quorbis_ftp_connection() - return\n");
}

quorbis_ftp_connection::~quorbis_ftp_connection()
{
    CONNECTION_TRACE("~quorbis_ftp_connection() - start, connection: = %p\n", static_cast<void*>(session_.get()));
    session_.reset();
    CONNECTION_TRACE("~quorbis_ftp_connection() - return\n");
}

platform::ftp::ftp_result quorbis_ftp_connection::put(const std::string& local_file, hevtools::operation_step& step)
{
    CONNECTION_TRACE("put() - start\n");
    step.status_text.clear();
    platform::ftp::ftp_result result = session_->upload(local_file, file_name_of(local_file),
        [&step](std::uint64_t done, std::uint64_t total) { return step.report_progress(upload_percent(done, total)); });
    CONNECTION_TRACE("put() - last response: %s, return\n", result.reply.c_str());
    return result;
}

quorbis_ftp_broadcaster::quorbis_ftp_broadcaster(ftp_broadcast_services services, const form_preparation* preparation)
    : task_object(0x100000), services_(std::move(services)), preparation_(preparation)
{
}

quorbis_ftp_broadcaster::~quorbis_ftp_broadcaster()
{
    join_thread();
}

void quorbis_ftp_broadcaster::broadcast(broadcast_ref job, const ftp_credentials& credentials, std::uint16_t port,
    hevtools::durable_operation_manager* manager)
{
    BROADCASTER_TRACE("broadcast() - start, broadcast: = %p\n", static_cast<void*>(job.get()));
    job_ = std::move(job);
    // The task talks to its own observer: the manager may be gone before the task runs.
    observer_ = manager ? manager->make_observer() : nullptr;
    if (job_->bodies.empty()) {
        BROADCASTER_TRACE("broadcast() - post.bodies.empty()\n");
        job_->stop_immediately_ = true;
        if (preparation_)
            preparation_->host.message_box(20028, platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION);
    } else {
        user_ = credentials.user;
        password_ = credentials.password;
        port_ = port;
        if (preparation_)
            job_->PreprocessForm(*preparation_);
    }
    BROADCASTER_TRACE("broadcast() - start broadcast\n");
    self_ = shared_from_this();
    if (!start()) {
        self_.reset();
        if (observer_) {
            hevtools::operation_ref step;
            fail(*observer_, step, "The broadcast's thread could not be started.");
            step.reset();
            observer_->signal(0);
        }
    }
    BROADCASTER_TRACE("broadcast() - return\n");
}

void quorbis_ftp_broadcaster::on_thread_start()
{
    core::set_current_thrower(&core::worker_thrower());
}

bool quorbis_ftp_broadcaster::svc()
{
    // Destroyed last: the broadcaster lives until the body has returned.
    auto keep = std::move(self_);
    BROADCASTER_TRACE("svc()  - start\n");
    hevtools::null_operation_manager fallback;
    hevtools::durable_operation_manager& manager = observer_ ? *observer_ : fallback;
    bool success = false;
    try {
        success = run(manager);
    } catch (const std::exception& error) {
        // run() reports its own failures; this is the last guard so the end is never lost.
        BROADCASTER_TRACE("svc() - catched exception: %s\n", error.what());
        hevtools::operation_ref step;
        fail(manager, step, error.what());
    }
    manager.signal(success ? 1 : 0);
    observer_.reset();
    BROADCASTER_TRACE("svc() - return false\n");
    return false;
}

bool quorbis_ftp_broadcaster::run(hevtools::durable_operation_manager& manager)
{
    hevtools::operation_ref step;
    if (job_->stop_immediately_) {
        BROADCASTER_TRACE("svc() - stop_immediately_, return false\n");
        return fail(manager, step, core::load_string_resource(20170));
    }
    auto stage_refused = [&] {
        BROADCASTER_TRACE("svc() - stage is not enabled, return false\n");
        return false;
    };

    BROADCASTER_TRACE("Step 1: build the broadcast's arcive\n");
    step = manager.begin_step(step_main_line, core::load_string_resource(20017), nullptr);
    if (!step->started())
        return stage_refused();
    std::optional<quorbis_zip> package;
    try {
        job_->adopt_form_folders(services_.greetings_file(*job_));
        package.emplace(false, true);
        command_file_inputs inputs = services_.command_inputs();
        inputs.send_friend = job_->IsUseSendFriendStatment();
        package->write_command_file(job_, inputs, services_.zone);
        package->build_archive();
    } catch (const std::exception& error) {
        return fail(manager, step, core::format_resource_cstring(3149, error.what()));
    }
    const std::string archive = package->compressed_file();
    std::error_code size_error;
    const auto archive_size = std::filesystem::file_size(archive, size_error);
    if (size_error || archive_size == 0)
        return fail(manager, step, core::load_string_resource(20171));

    BROADCASTER_TRACE("Step 1.5: set archive size\n");
    {
        const std::string size = core::format_file_size(archive, "%s Mb", "%s Kb", "%s b", core::grouped_number_format(","));
        auto size_step = manager.begin_step(step_second_line, core::format_resource_cstring(3099, size.c_str()), step);
        if (!size_step->started())
            return stage_refused();
    }

    BROADCASTER_TRACE("Step 2: connect to the FTP site\n");
    const auto host = services_.server.quorbis_ftp_server();
    const auto port = services_.server.quorbis_ftp_port(port_);
    step.reset();
    step = manager.begin_step(step_main_line,
        core::format_resource_cstring(20018, host.value_or(services_.server.value()).c_str(), user_.c_str()), nullptr);
    if (!step->started())
        return stage_refused();
    if (!host || !port)
        return fail(manager, step, core::format_resource_cstring(20172, services_.server.value().c_str()));
    if (!platform::ftp::usable_in_command(user_) || !platform::ftp::usable_in_command(password_))
        return fail(manager, step, core::load_string_resource(20173));
    std::optional<quorbis_ftp_connection> connection;
    try {
        connection.emplace(platform::ftp::ftp_endpoint {*host, *port, user_, password_}, services_.sessions);
    } catch (const ftp_failure& error) {
        return fail(manager, step, error.what());
    }

    BROADCASTER_TRACE("Step 3: uploading archive to the FTP site\n");
    step.reset();
    step = manager.begin_step(step_main_line, core::format_resource_cstring(20019, file_name_of(archive).c_str()), nullptr);
    if (!step->started())
        return stage_refused();
    const platform::ftp::ftp_result result = connection->put(archive, *step);
    connection.reset();
    package.reset();
    const bool accepted = upload_accepted(result);
    if (!accepted) {
        // The server's own refusal says best what went wrong; otherwise libcurl's words.
        if (result.reply_code >= 400 && !result.reply.empty())
            return fail(manager, step, result.reply);
        return fail(manager, step,
            core::format_resource_cstring(20174, (result.error.empty() ? result.reply : result.error).c_str()));
    }
    // The reply goes to the dialog as the last status text, where the job number is read.
    step->status_text = result.reply;
    step->report_progress(100);
    step.reset();
    return true;
}

}
