// The picture-format check on any first bytes: it reads only what it is given and answers
// the same for the head it needs as for the whole text.
#include "core/files/picture_format.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto kind = core::picture_format(bytes);
    if (core::picture_format(bytes.substr(0, core::picture_format_head_size)) != kind)
        std::abort();
    return 0;
}
