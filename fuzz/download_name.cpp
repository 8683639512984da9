// Download names from any address and any collision counter: always one file-name component
// of at most 255 bytes, never empty, "." or "..", in its plain and its pull form.
#include "shell/downloads/download_name.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void check_component(const std::string& name)
{
    if (name.empty() || name.size() > 255 || name == "." || name == ".." || name.find('/') != std::string::npos
        || name.find('\0') != std::string::npos)
        std::abort();
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    long counter = -1;
    if (size >= sizeof(std::int32_t)) {
        std::int32_t raw = 0;
        std::memcpy(&raw, data, sizeof raw);
        counter = raw < -1 ? -1 : raw;
        data += sizeof raw;
        size -= sizeof raw;
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto name = shell::download_file_name(text);
    check_component(name);
    for (const bool pull : {false, true}) {
        check_component(shell::download_candidate(name, counter, pull));
        check_component(shell::download_candidate(text, counter, pull));
    }
    shell::masked_address(text);
    return 0;
}
