// Any bytes as a store file: no crash, and whatever parses comes back the same after
// being written in canonical form and read again.
#include "platform/registry/registry_text.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace platform::registry;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto first = parse_registry_text(text, "fuzz");
    if (!first.ok)
        return 0;
    auto written = format_registry_text(first.tree);
    auto second = parse_registry_text(written, "fuzz");
    if (!second.ok || !(second.tree == first.tree) || format_registry_text(second.tree) != written)
        std::abort();
    return 0;
}
