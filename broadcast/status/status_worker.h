#pragma once

#include "broadcast/job/broadcast_ref.h"
#include "broadcast/status/broadcast_status.h"

#include <memory>
#include <string>

namespace platform {
class clock;
}

namespace broadcast {

// What the workers under a status dialog share: the job, the status they report to and
// the log line of their outcome.
class status_worker {
public:
    status_worker(broadcast_ref job, std::shared_ptr<broadcast_status> status, std::string transport_word,
        const platform::clock& clock, std::string log_path, const char* quit_trace);

protected:
    // The user's Cancel, seen between steps: the worker ends without a final state.
    bool stopped() const;
    // Shows a final state and appends its line to the log.
    void finish(int state, const std::string& detail);
    // A job stopped before the worker began (no bodies, a cancelled form) ends failed, or
    // silently when the user has cancelled too; true when the worker must end.
    bool job_stopped();
    // "File size: ..." of the file the worker sends, on the dialog's second line.
    void show_file_size(const std::string& path);

    broadcast_ref job_;
    std::shared_ptr<broadcast_status> status_;

private:
    std::string transport_word_;
    const platform::clock& clock_;
    std::string log_path_;
    const char* quit_trace_;
};

}
