// Any bytes as the form validator's reply: the reader ends; a code is read only where the
// marker stands, and a reply without one is shown unchanged.
#include "shell/view/registration_reply.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const platform::strings::string_table strings;
    const std::string reply(reinterpret_cast<const char*>(data), size);
    const auto read = shell::read_registration_reply(reply, strings);
    const bool marked = reply.find("name=\"ReturnCode1\"") != std::string::npos;
    if (read.code && !marked)
        std::abort();
    if (!read.code && read.text != reply)
        std::abort();
    return 0;
}
