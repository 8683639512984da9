// URL canonicalisation and cracking on any bytes: a canonical text is its own canonical form
// and cracks to the same parts as the text it came from.
#include "platform/inet/url.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto canonical = platform::inet::canonicalize_url(text);
    if (!canonical)
        return 0;
    auto again = platform::inet::canonicalize_url(*canonical);
    if (!again || *again != *canonical)
        std::abort();
    auto parts = platform::inet::crack_url(*canonical);
    auto parts_again = platform::inet::crack_url(*again);
    if (parts.has_value() != parts_again.has_value())
        std::abort();
    if (parts
        && (parts->scheme != parts_again->scheme || parts->host != parts_again->host || parts->port != parts_again->port
            || parts->path != parts_again->path || parts->user != parts_again->user))
        std::abort();
    if (parts && parts->host.empty())
        std::abort();
    return 0;
}
