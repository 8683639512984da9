#include "platform/text/quoted_text.h"

namespace platform::text {

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool read_quoted(std::string_view text, std::size_t& pos, std::string& out, std::string& reason)
{
    out.clear();
    if (pos >= text.size() || text[pos] != '"') {
        reason = "expected a quoted text";
        return false;
    }
    ++pos;
    while (pos < text.size()) {
        char c = text[pos++];
        if (c == '"')
            return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= text.size())
            break;
        char e = text[pos++];
        switch (e) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x': {
            int high = pos < text.size() ? hex_digit(text[pos]) : -1;
            int low = pos + 1 < text.size() ? hex_digit(text[pos + 1]) : -1;
            if (high < 0 || low < 0) {
                reason = "bad \\x escape";
                return false;
            }
            out += static_cast<char>(high * 16 + low);
            pos += 2;
            break;
        }
        default:
            reason = std::string("unknown escape \\") + e;
            return false;
        }
    }
    reason = "unterminated quoted text";
    return false;
}

void append_quoted(std::string& out, std::string_view text)
{
    static constexpr char digits[] = "0123456789abcdef";
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7f) {
                out += "\\x";
                out += digits[c >> 4];
                out += digits[c & 15];
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

}
