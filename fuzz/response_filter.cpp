// Any bytes as a downloaded page, fed to the response filter whole and in chunks picked by
// the first byte: both give the same file and the same end; no CR is written.
#include "broadcast/form_site/response_filter.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using broadcast::form_site::response_filter;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t chunk_seed = data[0];
    const std::string_view page(reinterpret_cast<const char*>(data + 1), size - 1);

    response_filter whole_filter;
    std::string whole;
    const bool whole_goes_on = whole_filter.feed(page, whole);

    response_filter chunk_filter;
    std::string chunked;
    bool chunked_goes_on = true;
    std::size_t at = 0;
    std::size_t step = 0;
    while (at < page.size() && chunked_goes_on) {
        std::size_t chunk = std::min<std::size_t>(1 + (chunk_seed * 13 + step++ * 7) % 61, page.size() - at);
        chunked_goes_on = chunk_filter.feed(page.substr(at, chunk), chunked);
        at += chunk;
    }
    if (whole != chunked || whole_goes_on != chunked_goes_on)
        std::abort();
    if (whole.find('\r') != std::string::npos)
        std::abort();
    return 0;
}
