// Any bytes as a string table: parsing ends with a table or a load error, never a crash.
#include "platform/strings/string_table.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        auto table = platform::strings::string_table::parse(text, "fuzz");
        (void)table.text(3090);
    } catch (const platform::strings::string_table_error&) {
    }
    return 0;
}
