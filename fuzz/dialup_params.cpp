// Any bytes as the stored logon data of the dial-up connections: parsing ends with entries
// within the field limits, and what parsed, written and read again, is the same entries.
#include "platform/ras/dial_params_file.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace ras = platform::ras;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto table = ras::parse_dial_params(text);
    for (const auto& [name, params] : table.entries) {
        if (name != params.entry || name.empty() || name.size() > ras::max_entry_name
            || params.user.size() > ras::max_user || params.password.size() > ras::max_password
            || params.domain.size() > ras::max_domain)
            std::abort();
    }
    auto again = ras::parse_dial_params(ras::format_dial_params(table.entries));
    if (again.entries != table.entries || !again.problems.empty())
        std::abort();
    return 0;
}
