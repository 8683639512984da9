#include "core/files/file_text.h"

#include "core/log/trace_log.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <locale>
#include <sys/stat.h>

namespace core {

std::optional<std::uint64_t> read_file_size(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        TRACE_LOG("read_file_size() -- %s: %s", path.c_str(), std::strerror(errno));
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        TRACE_LOG("read_file_size() -- %s is not a file", path.c_str());
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

std::uint64_t get_file_size(const std::string& path)
{
    return read_file_size(path).value_or(0);
}

number_format user_number_format()
{
    number_format result;
    try {
        std::locale user("");
        const auto& punct = std::use_facet<std::numpunct<char>>(user);
        result.decimal_mark = std::string(1, punct.decimal_point());
        auto grouping = punct.grouping();
        if (!grouping.empty() && grouping[0] > 0 && grouping[0] != CHAR_MAX) {
            result.group_separator = std::string(1, punct.thousands_sep());
            result.group_size = grouping[0];
        }
    } catch (const std::runtime_error&) {
        // An unknown locale name in the environment: the "C" locale.
    }
    return result;
}

number_format grouped_number_format(std::string_view group_separator)
{
    return number_format {".", std::string(group_separator), 3};
}

std::string format_size_units(std::uint64_t size, std::uint64_t unit, const number_format& format)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(size) / static_cast<double>(unit));
    std::string digits(text);
    auto point = digits.find('.');
    std::string whole = digits.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : digits.substr(point + 1);

    std::string grouped;
    if (!format.group_separator.empty() && format.group_size > 0) {
        int count = 0;
        for (auto it = whole.rbegin(); it != whole.rend(); ++it) {
            if (count && count % format.group_size == 0)
                grouped.insert(0, format.group_separator);
            grouped.insert(grouped.begin(), *it);
            ++count;
        }
    } else {
        grouped = whole;
    }
    if (fraction.find_first_not_of('0') == std::string::npos)
        return grouped;
    return grouped + format.decimal_mark + fraction;
}

namespace {

// The format with its first "%s" replaced by the value and "%%" by "%"; the format is
// never handed to printf.
std::string fill(std::string_view format, const std::string& value)
{
    std::string result;
    bool filled = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == '%') {
                result += '%';
                ++i;
                continue;
            }
            if (format[i + 1] == 's' && !filled) {
                result += value;
                filled = true;
                ++i;
                continue;
            }
        }
        result += format[i];
    }
    return result;
}

}

std::string format_size(std::uint64_t size, std::string_view mb_format, std::string_view kb_format,
    std::string_view b_format, const number_format& format)
{
    if (size >= 1048576 && !mb_format.empty())
        return fill(mb_format, format_size_units(size, 1048576, format));
    if (size >= 1024 && !kb_format.empty())
        return fill(kb_format, format_size_units(size, 1024, format));
    auto bytes = std::to_string(size);
    return b_format.empty() ? bytes : fill(b_format, bytes);
}

std::string format_file_size(const std::string& path, std::string_view mb_format, std::string_view kb_format,
    std::string_view b_format, const number_format& format)
{
    return format_size(get_file_size(path), mb_format, kb_format, b_format, format);
}

std::string url_to_file_name(std::string_view url)
{
    auto text = cstring_replace_all_chained(std::string(url), "://", "-");
    for (auto& c : text) {
        if (std::strchr(":,\\/?|&\"*", c) && c != '\0')
            c = '-';
    }
    return text;
}

void cstring_replace_all(std::string& text, std::string_view what, std::string_view with, std::size_t start,
    std::size_t end)
{
    end = std::min(end, text.size());
    if (what.empty() || start >= end)
        return;
    for (auto at = text.find(what, start); at != std::string::npos && at < end; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
        if (with.size() >= what.size())
            end += with.size() - what.size();
        else
            end -= std::min(end, what.size() - with.size());
    }
}

std::string cstring_replace_all_chained(std::string text, std::string_view what, std::string_view with, std::size_t start)
{
    cstring_replace_all(text, what, with, start);
    return text;
}

bool write_cstring_to_file(std::ostream& file, std::string_view text)
{
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(file);
}

}
