#include "broadcast/status/status_worker.h"

#include "broadcast/log/broadcast_log.h"
#include "broadcast/status/broadcast_dlg.h"
#include "core/files/file_text.h"
#include "core/log/trace_log.h"
#include "core/util/strings.h"

namespace broadcast {

status_worker::status_worker(broadcast_ref job, std::shared_ptr<broadcast_status> status, std::string transport_word,
    const platform::clock& clock, std::string log_path, const char* quit_trace)
    : job_(std::move(job)), status_(std::move(status)), transport_word_(std::move(transport_word)), clock_(clock),
      log_path_(std::move(log_path)), quit_trace_(quit_trace)
{
}

bool status_worker::stopped() const
{
    if (!status_->stop_requested())
        return false;
    TRACE_LOG("%s", quit_trace_);
    return true;
}

void status_worker::finish(int state, const std::string& detail)
{
    status_->set_state(state, detail);
    broadcast_log(broadcast_outcome_line(transport_word_, job_->name, broadcast_state_text(state, detail)), clock_,
        log_path_);
}

bool status_worker::job_stopped()
{
    if (!job_->stop_immediately_)
        return false;
    if (!stopped())
        finish(state_failed, {});
    return true;
}

void status_worker::show_file_size(const std::string& path)
{
    const std::string size = core::format_file_size(path, "%s Mb", "%s Kb", "%s b", core::grouped_number_format(","));
    status_->set_file_size_text(core::format_resource_cstring(3099, size.c_str()));
}

}
