#include "broadcast/http/http_reply.h"
#include <algorithm>

#include "core/markup/ascii.h"
#include "core/markup/html_tag.h"

#include <climits>
#include <optional>

namespace broadcast {

namespace {

// Leading blanks, an optional sign, decimal digits; nothing when there are no digits. A
// value past the int range saturates: still a non-zero status.
std::optional<int> status_value(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n'))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    long long value = 0;
    bool digits = false;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        digits = true;
        value = std::min<long long>(value * 10 + (text[at] - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (!digits)
        return std::nullopt;
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

}

http_reply parse_http_reply(std::string_view reply)
{
    bool in_reply = false;
    bool in_job = false;
    bool in_status = false;
    bool in_description = false;
    bool reply_seen = false;
    bool status_seen = false;
    std::optional<int> status;
    std::string job;
    std::string description;

    for (std::size_t at = 0; at < reply.size();) {
        if (reply[at] == '<') {
            core::CHTMLTag tag;
            const std::size_t next = tag.Parse(reply, at);
            at = next > at ? next : at + 1;
            const std::string& name = tag.GetName();
            const bool closing = !name.empty() && name[0] == '/';
            const std::string_view bare = closing ? std::string_view(name).substr(1) : std::string_view(name);
            if (core::equal_ignoring_case(bare, "HTTP_REPLY")) {
                in_reply = !closing;
                reply_seen = reply_seen || in_reply;
            } else if (core::equal_ignoring_case(bare, "JOB_NUMBER")) {
                in_job = !closing;
            } else if (core::equal_ignoring_case(bare, "STATUS_NUMBER")) {
                in_status = !closing;
                status_seen = status_seen || (in_status && in_reply);
            } else if (core::equal_ignoring_case(bare, "STATUS_DESCRIPTION")) {
                in_description = !closing;
            }
            continue;
        }
        const std::size_t end = std::min(reply.find('<', at), reply.size());
        const std::string_view piece = reply.substr(at, end - at);
        at = end;
        if (!in_reply)
            continue;
        if (in_job)
            job = piece;
        else if (in_status)
            status = status_value(piece);
        else if (in_description)
            description = piece;
    }

    http_reply result;
    result.recognised = reply_seen && (status_seen ? status.has_value() : !job.empty());
    if (!result.recognised)
        return result;
    result.status = status.value_or(0);
    result.text = result.status != 0 ? description : job;
    return result;
}

}
