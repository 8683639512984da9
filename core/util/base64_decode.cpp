#include "core/util/base64_decode.h"

#include <array>

namespace core {

namespace {
constexpr std::array<signed char, 256> digit_values = [] {
    std::array<signed char, 256> table {};
    table.fill(-1);
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
    return table;
}();
}

std::optional<std::string> base64_decode(std::string_view text)
{
    std::string out;
    out.reserve(text.size() / 4 * 3 + 3);
    unsigned bits = 0;
    int count = 0;
    int padding = 0;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const int value = digit_values[c];
        if (value < 0 || padding > 0)
            return std::nullopt;
        bits = (bits << 6) | static_cast<unsigned>(value);
        if (++count == 4) {
            out.push_back(static_cast<char>(bits >> 16));
            out.push_back(static_cast<char>(bits >> 8));
            out.push_back(static_cast<char>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 1 || padding > 2 || (padding > 0 && count + padding != 4))
        return std::nullopt;
    if (count == 2) {
        out.push_back(static_cast<char>(bits >> 4));
    } else if (count == 3) {
        out.push_back(static_cast<char>(bits >> 10));
        out.push_back(static_cast<char>(bits >> 2));
    }
    return out;
}

}
