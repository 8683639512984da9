// A script and an input: the first byte picks -n and -g, the script runs up to the first zero
// byte and the rest is the input; every run ends with status 0, 1 or 2.
#include "fuzz/sed_fuzz_support.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const char* text = reinterpret_cast<const char*>(data) + 1;
    std::size_t rest = size - 1;
    const void* zero = std::memchr(text, 0, rest);
    std::size_t script_size = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - text) : rest;
    std::string script(text, script_size);
    std::string_view input = script_size < rest ? std::string_view(text + script_size + 1, rest - script_size - 1)
                                                : std::string_view();
    if (sed_fuzz::slow_by_design(script))
        return 0;
    std::vector<std::string> arguments {"sed"};
    if (data[0] & 1)
        arguments.push_back("-n");
    if (data[0] & 2)
        arguments.push_back("-g");
    arguments.push_back("-e");
    arguments.push_back(script);
    auto files = sed_fuzz::sample_files();
    sed_fuzz::run(std::move(arguments), input, files);
    return 0;
}
