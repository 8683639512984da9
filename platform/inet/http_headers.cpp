#include "platform/inet/http_headers.h"

#include <cctype>
#include <cstdlib>

namespace platform::inet {

namespace {

bool equal_ascii_nocase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string_view trim_blanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> lines_of(std::string_view block)
{
    std::vector<std::string_view> lines;
    while (!block.empty()) {
        auto end = block.find('\n');
        auto line = block.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        block.remove_prefix(end + 1);
    }
    return lines;
}

std::string_view first_line(std::string_view block)
{
    auto lines = lines_of(block);
    return lines.empty() ? std::string_view {} : lines.front();
}

}

std::optional<std::vector<std::string>> split_header_lines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        auto end = text.find('\n');
        auto line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find('\r') != std::string_view::npos || line.find('\0') != std::string_view::npos)
            return std::nullopt;
        if (!line.empty())
            lines.emplace_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

int status_code_of(std::string_view block)
{
    auto line = first_line(block);
    if (line.substr(0, 5) != "HTTP/")
        return 0;
    auto blank = line.find(' ');
    if (blank == std::string_view::npos)
        return 0;
    int code = 0;
    std::size_t digits = 0;
    for (auto i = blank + 1; i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])) && digits < 3;
         ++i, ++digits)
        code = code * 10 + (line[i] - '0');
    return digits == 3 ? code : 0;
}

std::string status_text_of(std::string_view block)
{
    auto line = first_line(block);
    auto first = line.find(' ');
    if (first == std::string_view::npos)
        return {};
    auto second = line.find(' ', first + 1);
    return second == std::string_view::npos ? std::string {} : std::string(line.substr(second + 1));
}

std::string first_word_of(std::string_view block)
{
    auto line = first_line(block);
    return std::string(line.substr(0, line.find(' ')));
}

std::vector<std::string> field_values(std::string_view block, std::string_view name)
{
    std::vector<std::string> values;
    auto lines = lines_of(block);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        auto colon = lines[i].find(':');
        if (colon == std::string_view::npos)
            continue;
        if (equal_ascii_nocase(trim_blanks(lines[i].substr(0, colon)), name))
            values.emplace_back(trim_blanks(lines[i].substr(colon + 1)));
    }
    return values;
}

std::string raw_headers_nul(std::string_view block)
{
    std::string raw;
    for (auto line : lines_of(block)) {
        if (line.empty())
            break;
        raw.append(line);
        raw.push_back('\0');
    }
    raw.push_back('\0');
    return raw;
}

}
