#include "core/markup/escape.h"

#include "core/markup/ascii.h"

namespace core {

std::size_t reference_length(std::string_view text, std::size_t at)
{
    std::size_t i = at + 1;
    const std::size_t size = text.size();
    if (i < size && text[i] == '#') {
        ++i;
        const bool hex = i < size && (text[i] == 'x' || text[i] == 'X');
        if (hex)
            ++i;
        const std::size_t digits = i;
        while (i < size && (hex ? is_ascii_hex_digit(text[i]) : is_ascii_digit(text[i])))
            ++i;
        if (i == digits)
            return 0;
    } else {
        if (i >= size || !is_ascii_letter(text[i]))
            return 0;
        while (i < size && (is_ascii_letter(text[i]) || is_ascii_digit(text[i])))
            ++i;
    }
    return i < size && text[i] == ';' ? i + 1 - at : 0;
}

namespace {

// The text with "&", "<", ">" and, when in_attribute, '"' and `quote` written as references.
std::string escape(std::string_view text, bool in_attribute, char quote, escape_mode mode)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '&':
            if (mode == escape_mode::keep_references && reference_length(text, i) != 0)
                out += c;
            else
                out += "&amp;";
            continue;
        case '<': out += "&lt;"; continue;
        case '>': out += "&gt;"; continue;
        case '"':
            out += in_attribute ? "&quot;" : "\"";
            continue;
        default:
            break;
        }
        if (in_attribute && quote != '\0' && c == quote)
            out += "&#" + std::to_string(static_cast<unsigned char>(c)) + ";";
        else
            out += c;
    }
    return out;
}

}

std::string escape_ampersands(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && reference_length(text, i) == 0)
            out += "&amp;";
        else
            out += text[i];
    }
    return out;
}

std::string escape_attribute_value(std::string_view text, char quote, escape_mode mode)
{
    return escape(text, true, quote, mode);
}

std::string escape_text(std::string_view text, escape_mode mode)
{
    return escape(text, false, '\0', mode);
}

}
