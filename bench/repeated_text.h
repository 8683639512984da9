#pragma once

#include <cstddef>
#include <string>

namespace bench {

// The unit repeated until the text holds at least `size` bytes.
inline std::string repeated(const std::string& unit, std::size_t size)
{
    std::string out;
    out.reserve(size + unit.size());
    while (out.size() < size)
        out += unit;
    return out;
}

}
