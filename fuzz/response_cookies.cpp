// Any bytes as a response's raw headers: every line sent back is a "Cookie: " line with a
// "$Path=" attribute, and there are no more of them than "Set-Cookie:" lines.
#include "broadcast/form_site/form_data.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string headers(reinterpret_cast<const char*>(data), size);
    const std::string cookies = broadcast::form_site::response_cookies(headers);
    std::size_t set_cookies = 0;
    for (std::size_t at = headers.find("Set-Cookie:"); at != std::string::npos; at = headers.find("Set-Cookie:", at + 1))
        ++set_cookies;
    std::size_t lines = 0;
    std::size_t start = 0;
    while (start < cookies.size()) {
        auto end = cookies.find('\n', start);
        if (end == std::string::npos)
            end = cookies.size();
        const std::string line = cookies.substr(start, end - start);
        if (line.rfind("Cookie: ", 0) != 0 || line.find("$Path=") == std::string::npos)
            std::abort();
        ++lines;
        start = end + 1;
    }
    if (lines > set_cookies)
        std::abort();
    return 0;
}
