#include "platform/gfx/png_size.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace platform::gfx {

std::optional<size> png_size(const std::string& path)
{
    // Signature (8), chunk length (4), "IHDR" (4), width (4), height (4), big-endian.
    std::array<unsigned char, 24> head {};
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(head.data()), head.size()))
        return std::nullopt;
    static constexpr unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (std::memcmp(head.data(), signature, 8) != 0 || std::memcmp(head.data() + 12, "IHDR", 4) != 0)
        return std::nullopt;
    auto number = [&](std::size_t at) {
        return (std::uint32_t {head[at]} << 24) | (std::uint32_t {head[at + 1]} << 16)
            | (std::uint32_t {head[at + 2]} << 8) | std::uint32_t {head[at + 3]};
    };
    std::uint32_t width = number(16);
    std::uint32_t height = number(20);
    // The format allows up to 2^31 - 1; zero is not a picture.
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        return std::nullopt;
    return size {static_cast<int>(width), static_cast<int>(height)};
}

}
