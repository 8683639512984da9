// Server lines through the FTP reply collector, then the last reply through the job-number
// reader: the reply kept stays within its bounds and begins with its code, and the job
// number is either the reply without line breaks or digits taken from it.
#include "broadcast/ftp/job_number.h"
#include "platform/ftp/ftp_session.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using platform::ftp::ftp_reply_collector;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ftp_reply_collector collector;
    while (!bytes.empty()) {
        const auto end = bytes.find('\n');
        collector.add_line(bytes.substr(0, end == std::string_view::npos ? bytes.size() : end + 1));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    }
    const std::string& reply = collector.last_reply();
    if (reply.size() > (ftp_reply_collector::max_lines + 1) * (ftp_reply_collector::max_line + 2))
        std::abort();
    const int code = collector.last_code();
    if (reply.empty() != (code == 0))
        std::abort();
    if (code != 0 && (code < 100 || code > 599 || reply.compare(0, 3, std::to_string(code)) != 0))
        std::abort();

    const std::string number = broadcast::job_number_from_reply(reply);
    std::string flat;
    for (char c : reply)
        if (c != '\r' && c != '\n')
            flat += c;
    if (number != flat) {
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos
            || flat.find(number) == std::string::npos)
            std::abort();
    }
    return 0;
}
