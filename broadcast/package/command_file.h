#pragma once

#include "broadcast/job/quorbis_broadcast.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace broadcast {

// The values the application keeps under Broadcast\Command.
struct command_settings {
    int autopull_images = 0;
    std::string acceptance_report;
    std::string dsn;
    std::string mdn;
    std::string progress_report;
};

// The service account of the active configuration.
struct service_account {
    std::string login;
    std::string password;
};

// Local calendar time of a moment; nullopt when it cannot be converted.
class time_zone {
public:
    virtual ~time_zone() = default;
    virtual std::optional<std::tm> local_time(std::int64_t when) const = 0;
};

// The process's own time zone (TZ).
class system_time_zone final : public time_zone {
public:
    std::optional<std::tm> local_time(std::int64_t when) const override;
};

// What the command file is made from besides the job.
struct command_file_inputs {
    command_settings settings;
    // The "user " line, written only for the transports that send it.
    std::optional<service_account> login_line;
    std::string version;
    // Whether a body asks for send-a-friend (the job's IsUseSendFriendStatment).
    bool send_friend = false;
};

// A file the command file names and the name it has in the package.
struct package_member {
    enum class role { body, attachment, pull_file, local_list };
    role kind;
    std::string source;
    std::string name;
};

struct command_file {
    // False for a job without bodies: then there is no command file at all.
    bool written = false;
    std::string bytes;
    // Files to place beside the command file, in the order it names them, each once.
    std::vector<package_member> plan;
};

// The command file of a job: LF-ended lines of UTF-8 bytes. A value holding CR, LF or NUL
// would add lines of its own, so it fails the package (package_error naming the value);
// file names lose their line breaks instead.
[[nodiscard]] command_file write_command_file_text(const quorbis_broadcast& job, const command_file_inputs& inputs,
    const time_zone& zone);

// "%B %d %Y %I %M %p" in the C locale: "March 05 2004 02 30 PM".
std::string future_delivery_text(const std::tm& when);

}
