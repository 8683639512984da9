#include "broadcast/http/http_broadcast.h"

#include "broadcast/log/broadcast_log.h"
#include "broadcast/mime/mime_msg.h"
#include "broadcast/package/package_error.h"
#include "broadcast/package/quorbis_zip.h"
#include "broadcast/status/broadcast_dlg.h"
#include "broadcast/status/status_worker.h"
#include "core/files/file_text.h"
#include "core/log/trace_log.h"
#include "core/util/strings.h"

#include <optional>

namespace broadcast {

namespace {

#define WORKER_TRACE(format, ...) \
    TRACE_LOG("CHTTPBroadcastDlg::sendHTTPbroadcast() - " format __VA_OPT__(, ) __VA_ARGS__)

constexpr const char* transport_word = "HTTP";

class http_worker : public status_worker {
public:
    http_worker(broadcast_ref job, std::shared_ptr<broadcast_status> status, const http_broadcast_settings& settings,
        const http_broadcast_services& services)
        : status_worker(std::move(job), std::move(status), transport_word, services.clock, services.log_path,
              "CHTTPBroadcastDlg::sendHTTPbroadcast() - quit message arrived\n"),
          settings_(settings), services_(services)
    {
    }

    void run();

private:
    const http_broadcast_settings& settings_;
    const http_broadcast_services& services_;
};

void http_worker::run()
{
    WORKER_TRACE("CHTTPBroadcastDlg: = %p, broadcast: = %p\n", static_cast<void*>(status_.get()),
        static_cast<void*>(job_.get()));
    if (job_stopped()) {
        WORKER_TRACE("stop_immediately_, return\n");
        return;
    }

    WORKER_TRACE("step 1: build the broadcast's arcive\n");
    if (stopped())
        return;
    status_->set_state(1);
    std::optional<quorbis_zip> package;
    try {
        job_->adopt_form_folders(settings_.greetings_file);
        package.emplace(true, true);
        package->write_command_file(job_, settings_.command_inputs, services_.zone);
        package->build_archive();
    } catch (const std::exception& error) {
        WORKER_TRACE("failed to build the package: %s\n", error.what());
        finish(state_failed, core::format_resource_cstring(3149, error.what()));
        return;
    }

    WORKER_TRACE("step 2: building the message\n");
    if (stopped())
        return;
    status_->set_state(2);
    CMIMEMsg message(services_.utc, services_.temporary_folder);
    message.AddFile(package->compressed_file());
    if (!message.CreateHTTPRequestFile(settings_.account)) {
        WORKER_TRACE("failed to create HTTP request file\n");
        finish(state_failed, core::format_resource_cstring(3149, message.last_error().c_str()));
        return;
    }

    WORKER_TRACE("step 3: set message size\n");
    show_file_size(message.GetTmpMessageFile());
    if (stopped())
        return;

    WORKER_TRACE("step 4: sending the message\n");
    if (stopped())
        return;
    status_->set_state(3);
    http_request_settings request;
    request.url = settings_.url;
    request.secure = settings_.secure;
    request.agent = settings_.agent;
    request.access_type = settings_.access_type;
    request.stop = status_->stop_token();
    request.upload_progress = [this](std::uint64_t sent, std::uint64_t total) { status_->set_sent(sent, total); };
    const http_request_result result = processHTTPRequest(services_.layer, message.GetTmpMessageFile(), request);
    if (result.cancelled) {
        WORKER_TRACE("quit message arrived\n");
        return;
    }
    status_->set_state(4);
    if (result.code == http_posted) {
        finish(state_succeeded, core::format_string("%s %s (%s)", core::load_string_resource(142).c_str(),
                                    result.text.c_str(), core::load_string_resource(20052).c_str()));
    } else {
        WORKER_TRACE("finish, code %d\n", result.code);
        finish(state_failed, result.cause);
    }
    WORKER_TRACE("return\n");
}

}

void sendHTTPbroadcast(broadcast_ref job, std::shared_ptr<broadcast_status> status,
    const http_broadcast_settings& settings, const http_broadcast_services& services)
{
    http_worker(std::move(job), std::move(status), settings, services).run();
}

}
