#include "conversion/bodies/body_passes.h"

#include "platform/files/regular_file.h"

namespace conversion {

std::optional<std::string> identity_body_passes::get_page_text(const std::string& path)
{
    auto file = platform::files::read_regular_file(path, std::size_t(1) << 30);
    if (file.result != platform::files::regular_file::outcome::read)
        return std::nullopt;
    return std::move(file.bytes);
}

}
