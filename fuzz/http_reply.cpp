// The gateway's reply reader on any bytes: it stays in bounds, reads the same twice, takes
// its text only from what follows an HTTP_REPLY tag, and is not moved by plain text in
// front of the reply.
#include "broadcast/http/http_reply.h"
#include "core/markup/ascii.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::size_t first_reply_tag(std::string_view text)
{
    for (std::size_t at = 0; at + 11 <= text.size(); ++at)
        if (core::equal_ignoring_case(text.substr(at, 11), "<HTTP_REPLY"))
            return at;
    return std::string_view::npos;
}

bool same(const broadcast::http_reply& a, const broadcast::http_reply& b)
{
    return a.recognised == b.recognised && a.status == b.status && a.text == b.text;
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 65536)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto reply = broadcast::parse_http_reply(text);
    if (!same(reply, broadcast::parse_http_reply(text)))
        std::abort();
    if (!reply.recognised && (reply.status != 0 || !reply.text.empty()))
        std::abort();
    if (!reply.text.empty()) {
        const std::size_t start = first_reply_tag(text);
        if (start == std::string_view::npos || text.find(reply.text, start) == std::string_view::npos)
            std::abort();
    }
    if (!same(reply, broadcast::parse_http_reply("gateway says: " + std::string(text))))
        std::abort();
    return 0;
}
