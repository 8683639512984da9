#pragma once

#include "broadcast/http/http_request.h"
#include "broadcast/job/broadcast_ref.h"
#include "broadcast/mime/mime_parts.h"
#include "broadcast/package/command_file.h"
#include "broadcast/status/broadcast_status.h"

#include <memory>
#include <string>

namespace platform {
class clock;
class utc_clock;
}

namespace broadcast {

// Snapshots the worker takes with it: the account, the gateway and the command file's
// inputs as they were when the broadcast started.
struct http_broadcast_settings {
    mime::request_account account;
    std::string url;      // the secure or the plain gateway address, by the HTTPS switch
    bool secure = false;
    std::string agent;
    std::uint32_t access_type = 0;
    command_file_inputs command_inputs;
    std::string greetings_file; // the form greetings the job adopts
};

// The services the worker uses, shared with the program.
struct http_broadcast_services {
    std::shared_ptr<platform::inet::internet> layer;
    const time_zone& zone;
    const platform::utc_clock& utc;   // the request file's boundary
    const platform::clock& clock;     // dates of the log's entries
    std::string log_path;             // "Broadcast.log"
    std::string temporary_folder;     // where the request file is made
};

// The HTTP(S) transport's worker: builds the package and its archive, wraps it in the
// request file, posts it and reports through the status: states 1 to 4, then 5 with the
// job number or 6 with a one-line cause, each outcome appended to the log. The user's
// Cancel (the status's stop) ends it silently between steps and aborts an upload that
// is still going out; once the whole request was sent the outcome is waited for and
// logged.
void sendHTTPbroadcast(broadcast_ref job, std::shared_ptr<broadcast_status> status,
    const http_broadcast_settings& settings, const http_broadcast_services& services);

}
