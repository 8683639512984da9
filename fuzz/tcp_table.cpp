// Any bytes as the kernel's TCP table: parsing ends, every connection read has a state of
// two hex digits, and the in-use check over it answers without a crash.
#include "platform/ras/tcp_table.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto table = platform::ras::parse_tcp_table(text);
    for (const auto& connection : table) {
        if (connection.state < 0 || connection.state > 0xff)
            std::abort();
    }
    (void)platform::ras::carries_live_tcp(table, {10, 1, 2, 3});
    // The first line as a dotted address: what parses prints back the same.
    auto line = text.substr(0, text.find('\n'));
    (void)platform::ras::parse_ipv4(line);
    return 0;
}
