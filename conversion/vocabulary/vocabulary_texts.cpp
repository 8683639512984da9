#include "conversion/vocabulary/vocabulary_texts.h"

#include "core/markup/ascii.h"

#include <climits>

namespace conversion {

namespace {

// One number as "%d" reads it: blanks skipped, a sign, digits; false when no digit follows.
bool read_number(std::string_view text, std::size_t& position, int& number)
{
    while (position < text.size() && (text[position] == ' ' || text[position] == '\t' || text[position] == '\r'
                                         || text[position] == '\n' || text[position] == '\v' || text[position] == '\f'))
        ++position;
    bool negative = false;
    if (position < text.size() && (text[position] == '-' || text[position] == '+'))
        negative = text[position++] == '-';
    if (position >= text.size() || !core::is_ascii_digit(text[position]))
        return false;
    long long value = 0;
    while (position < text.size() && core::is_ascii_digit(text[position])) {
        if (value <= INT_MAX)
            value = value * 10 + (text[position] - '0');
        ++position;
    }
    if (value > INT_MAX)
        value = INT_MAX;
    number = static_cast<int>(negative ? -value : value);
    return true;
}

}

std::string generator_content(std::string_view version)
{
    return std::string(product_words) + " " + std::string(version);
}

program_version read_generator_version(std::string_view content)
{
    program_version version {};
    std::size_t position = 0;
    if (core::starts_with_ignoring_case(content, product_words)) {
        position = product_words.size();
    } else {
        const auto blank = content.find(' ');
        if (blank == std::string_view::npos)
            return version;
        position = blank + 1;
    }
    for (std::size_t i = 0; i < version.size(); ++i) {
        if (i > 0) {
            if (position >= content.size() || content[position] != '.')
                break;
            ++position;
        }
        if (!read_number(content, position, version[i]))
            break;
    }
    return version;
}

std::string head_declarations(std::string_view generator, std::string_view progid)
{
    return "<meta content=\"" + std::string(generator) + "\" name=" + std::string(generator_meta_name) + ">\r\n<meta content=\""
        + std::string(progid) + "\" name=" + std::string(progid_meta_name) + ">";
}

std::string pullsize_placeholder(std::string_view name)
{
    return "(" + std::string(pullsize_word) + " " + std::string(pullsize_name_open) + std::string(name) + "])";
}

std::string pull_size_text(std::uint64_t size)
{
    return core::format_size(size, "%s Mb", "%s Kb", "%s b", core::grouped_number_format(","));
}

}
