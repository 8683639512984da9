#pragma once

#include "broadcast/ftp/ftp_server_setting.h"
#include "broadcast/job/broadcast_ref.h"
#include "broadcast/job/form_preparation.h"
#include "broadcast/package/command_file.h"
#include "core/tasks/durable_operation.h"
#include "core/tasks/task_object.h"
#include "platform/ftp/ftp_session.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace broadcast {

struct ftp_credentials {
    std::string user;
    std::string password;
};

// A transport that runs a job to the service and reports to an operation manager.
class quorbis_broadcaster {
public:
    virtual ~quorbis_broadcaster() = default;
    // Prepares and starts the broadcast; returns at once. The manager sees the steps,
    // progress and the end; it may be null.
    virtual void broadcast(broadcast_ref job, const ftp_credentials& credentials, std::uint16_t port,
        hevtools::durable_operation_manager* manager) = 0;
};

// What the FTP transport takes from the program.
struct ftp_broadcast_services {
    ftp_server_setting& server;
    platform::ftp::ftp_session_factory sessions;
    const time_zone& zone;
    // The command file's settings and version; the FTP command file has no "user " line.
    std::function<command_file_inputs()> command_inputs;
    // The form greetings the job adopts (form_greetings_file by default).
    std::function<std::string(const quorbis_broadcast&)> greetings_file;
};

// A failure of the FTP exchange, with the words the user reads.
class ftp_failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One logged-in FTP connection to the service (step 2); put() stores a file on it (step 3).
class quorbis_ftp_connection {
public:
    // Logs in; throws ftp_failure (20029 naming the host) when the server cannot be
    // reached or refuses the account.
    quorbis_ftp_connection(const platform::ftp::ftp_endpoint& endpoint,
        const platform::ftp::ftp_session_factory& sessions);
    ~quorbis_ftp_connection();
    quorbis_ftp_connection(const quorbis_ftp_connection&) = delete;
    quorbis_ftp_connection& operator=(const quorbis_ftp_connection&) = delete;

    // Uploads the file under its own name, reporting the percent done to the step after
    // every block; an answer of stop ends the upload. The exchange's result.
    platform::ftp::ftp_result put(const std::string& local_file, hevtools::operation_step& step);

private:
    std::unique_ptr<platform::ftp::ftp_session> session_;
};

// The percent of `done` in `total`, 100 for a total of 0.
std::int32_t upload_percent(std::uint64_t done, std::uint64_t total);

// Whether an upload was taken by the service: completed and closed by 226 or 250.
bool upload_accepted(const platform::ftp::ftp_result& result);

// The FTP transport as a task: builds the job's archive, logs in to the service's FTP
// server and uploads it, reporting each step. Every run ends with the manager's signal: 1
// only for a non-empty archive the server took with 226 or 250, else 0 after a progress
// report that gives the reason. The task's thread holds a reference to the broadcaster
// until its body returns, so the dialog may go first.
class quorbis_ftp_broadcaster final : public quorbis_broadcaster,
                                      public hevtools::task_object,
                                      public std::enable_shared_from_this<quorbis_ftp_broadcaster> {
public:
    // The form preparation is used by broadcast() alone, on the caller's thread.
    quorbis_ftp_broadcaster(ftp_broadcast_services services, const form_preparation* preparation);
    ~quorbis_ftp_broadcaster() override;

    void broadcast(broadcast_ref job, const ftp_credentials& credentials, std::uint16_t port,
        hevtools::durable_operation_manager* manager) override;

protected:
    bool svc() override;
    void on_thread_start() override;

private:
    // The steps; true when the server took the archive. A failure has been reported.
    bool run(hevtools::durable_operation_manager& manager);

    ftp_broadcast_services services_;
    const form_preparation* preparation_;
    broadcast_ref job_;
    std::string user_;
    std::string password_;
    std::uint16_t port_ = 0;
    std::unique_ptr<hevtools::durable_operation_manager> observer_;
    std::shared_ptr<quorbis_ftp_broadcaster> self_;
};

}
