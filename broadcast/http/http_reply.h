#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace broadcast {

// The gateway's XML reply to a posted job.
struct http_reply {
    // False when the text is no reply of the gateway: no HTTP_REPLY element, a
    // STATUS_NUMBER without digits, or an HTTP_REPLY with neither a STATUS_NUMBER nor a
    // non-empty JOB_NUMBER (a proxy's or portal's page answering in the gateway's place).
    bool recognised = false;
    int status = 0;
    // The job number when the status is 0, else the status description.
    std::string text;
};

// Replies longer than this are not the gateway's.
inline constexpr std::size_t http_reply_limit = 1024 * 1024;

// One pass over the reply: the elements JOB_NUMBER, STATUS_NUMBER and STATUS_DESCRIPTION
// (names in any case) count only inside HTTP_REPLY; the last text piece of each wins, as
// written, without trimming or entity decoding.
http_reply parse_http_reply(std::string_view reply);

}
