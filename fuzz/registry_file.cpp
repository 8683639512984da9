// Any bytes as a store file: no crash; whatever parses comes back the same after being
// written in canonical form and read again, and the written form stays within a constant
// factor of the input (a deep key is not written once per parent).
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
    // Every line written stands for a line read; an escape turns one byte into at most four.
    if (written.size() > 4 * size + 64)
        std::abort();
    auto second = parse_registry_text(written, "fuzz");
    if (!second.ok || !(second.tree == first.tree) || format_registry_text(second.tree) != written)
        std::abort();
    return 0;
}
