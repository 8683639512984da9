#include "core/util/utf8.h"

namespace core {

namespace {
constexpr char32_t replacement = 0xFFFD;

unsigned char byte_at(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }
}

void append_utf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string sanitize_utf8(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char lead = byte_at(s, i);
        if (lead < 0x80) {
            // ASCII runs are copied whole.
            std::size_t end = i + 1;
            while (end < s.size() && byte_at(s, end) < 0x80)
                ++end;
            out.append(s.substr(i, end - i));
            i = end;
            continue;
        }
        std::size_t length = 0;
        char32_t c = 0, least = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, c = lead & 0x1F, least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, c = lead & 0x0F, least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, c = lead & 0x07, least = 0x10000;
        }
        std::size_t taken = 1;
        bool good = length != 0;
        while (good && taken < length) {
            if (i + taken >= s.size() || (byte_at(s, i + taken) & 0xC0) != 0x80) {
                good = false;
                break;
            }
            c = (c << 6) | (byte_at(s, i + taken) & 0x3F);
            ++taken;
        }
        if (good && c >= least && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF)) {
            out.append(s.substr(i, length));
        } else {
            append_utf8(out, replacement);
        }
        i += taken;
    }
    return out;
}

std::string utf16_to_utf8(std::string_view bytes, bool big_endian)
{
    std::string out;
    out.reserve(bytes.size());
    const auto unit = [&](std::size_t i) -> char32_t {
        const char32_t a = byte_at(bytes, i), b = byte_at(bytes, i + 1);
        return big_endian ? (a << 8 | b) : (b << 8 | a);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                append_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        append_utf8(out, u >= 0xD800 && u <= 0xDFFF ? replacement : u);
    }
    if (i < bytes.size())
        append_utf8(out, replacement);
    return out;
}

std::string_view utf8_prefix(std::string_view text, std::size_t size)
{
    if (size >= text.size())
        return text;
    // A character has at most three continuation bytes; past them the bytes are no UTF-8
    // and are cut where asked, so a prefix is never emptied by them.
    std::size_t cut = size;
    for (int back = 0; back < 3 && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80; ++back)
        --cut;
    if ((static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        cut = size;
    return text.substr(0, cut);
}

}
