#pragma once

#include <optional>
#include <string>

namespace platform::gfx {

struct size {
    int width = 0;
    int height = 0;
};

// The size a PNG file declares in its header, read without decoding the picture (start-up
// needs sizes only); empty when the file is missing or not a PNG.
std::optional<size> png_size(const std::string& path);

}
