#include "core/util/base64.h"

namespace core {

std::string base64_encode_lines(std::string_view data, std::size_t line_length, std::string_view line_end)
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (data.empty())
        return {};
    // Whole groups of four characters per line.
    std::size_t per_line = line_length == 0 ? 0 : (line_length / 4) * 4;
    if (line_length != 0 && per_line == 0)
        per_line = 4;
    const std::size_t encoded = (data.size() + 2) / 3 * 4;
    const std::size_t lines = per_line == 0 ? 1 : (encoded + per_line - 1) / per_line;
    std::string out;
    out.reserve(encoded + lines * line_end.size());
    std::size_t in_line = 0;
    auto put = [&](char c) {
        out += c;
        if (per_line != 0 && ++in_line == per_line) {
            out += line_end;
            in_line = 0;
        }
    };
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(data[i]); };
    std::size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        unsigned group = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
        put(alphabet[group >> 18 & 63]);
        put(alphabet[group >> 12 & 63]);
        put(alphabet[group >> 6 & 63]);
        put(alphabet[group & 63]);
    }
    if (std::size_t left = data.size() - i) {
        unsigned group = byte(i) << 16 | (left == 2 ? byte(i + 1) << 8 : 0u);
        put(alphabet[group >> 18 & 63]);
        put(alphabet[group >> 12 & 63]);
        put(left == 2 ? alphabet[group >> 6 & 63] : '=');
        put('=');
    }
    if (in_line != 0 || per_line == 0)
        out += line_end;
    return out;
}

}
