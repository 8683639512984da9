#include "html/clipboard.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <vector>

namespace html {

std::optional<std::string> clipboard::get(std::string_view format) const
{
    const auto it = formats_.find(format);
    if (it == formats_.end())
        return std::nullopt;
    return it->second;
}

void clipboard::set(std::string_view format, std::string data) { formats_.insert_or_assign(std::string(format), std::move(data)); }

void clipboard::set_only(std::string_view format, std::string data)
{
    formats_.clear();
    set(format, std::move(data));
}

namespace {

constexpr std::array<std::string_view, 7> field_names {
    "Version", "StartHTML", "EndHTML", "StartFragment", "EndFragment", "StartSelection", "EndSelection"};

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

std::string ten_digits(std::size_t value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%010zu", value);
    return buffer;
}

// A decimal value after optional blanks; false on anything else or past the limits.
bool read_number(std::string_view text, std::size_t& value)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

struct header_line {
    std::string_view name;
    std::string_view value;
};

// The line from `at` to its "\r\n" split at its first colon; `at` moves behind it.
bool next_line(std::string_view text, std::size_t& at, header_line& line)
{
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string_view::npos)
        return false;
    const std::string_view whole = text.substr(at, end - at);
    const std::size_t colon = whole.find(':');
    line = colon == std::string_view::npos ? header_line {whole, {}} : header_line {whole.substr(0, colon), whole.substr(colon + 1)};
    at = end + 2;
    return colon != std::string_view::npos;
}

bool read_field(std::string_view text, std::size_t& at, std::string_view name, std::size_t& value)
{
    header_line line;
    return next_line(text, at, line) && same_name(line.name, name) && read_number(line.value, value) && value != 0;
}

bool is_offset(std::string_view name) { return !same_name(name, "Version"); }

bool starts_with_end(std::string_view name) { return name.size() >= 3 && same_name(name.substr(0, 3), "End"); }

struct field {
    std::string name;
    std::size_t value;
    std::size_t width;
    bool offset;
    std::string text; // the line as it was, for fields that stay
};

// The header's field lines up to the first line that is none; `end` gets where it stops.
bool read_header(std::string_view text, std::vector<field>& fields, std::size_t& end)
{
    std::size_t at = 0;
    for (;;) {
        std::size_t next = at;
        header_line line;
        if (!next_line(text, next, line) || !is_html_format_field(line.name))
            break;
        field f {std::string(line.name), 0, line.value.size(), is_offset(line.name), std::string(text.substr(at, next - at))};
        if (f.offset && !read_number(line.value, f.value))
            return false;
        fields.push_back(std::move(f));
        at = next;
    }
    end = at;
    return true;
}

std::string padded(std::size_t value, std::size_t width)
{
    std::string digits = std::to_string(value);
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), '0');
    return digits;
}

}

std::string make_html_format(std::string_view fragment)
{
    constexpr std::string_view before = "<html>\r\n<body>\r\n<!--StartFragment-->";
    constexpr std::string_view after = "<!--EndFragment-->\r\n</body>\r\n</html>";
    // Five lines: "Version:0.9" and four ten-digit offsets.
    constexpr std::size_t header = 13 + 22 + 20 + 26 + 24;
    const std::size_t fragment_start = header + before.size();
    const std::size_t fragment_end = fragment_start + fragment.size();
    std::string text = "Version:0.9\r\nStartHTML:" + ten_digits(header) + "\r\nEndHTML:"
        + ten_digits(fragment_end + after.size()) + "\r\nStartFragment:" + ten_digits(fragment_start)
        + "\r\nEndFragment:" + ten_digits(fragment_end) + "\r\n";
    text += before;
    text += fragment;
    text += after;
    return text;
}

bool parse_fragment_offsets(std::string_view text, std::size_t& start, std::size_t& end)
{
    std::size_t at = 0;
    for (int skipped = 0; skipped < 3; ++skipped) {
        const std::size_t line_end = text.find("\r\n", at);
        if (line_end == std::string_view::npos)
            return false;
        at = line_end + 2;
    }
    std::size_t first = 0;
    std::size_t last = 0;
    if (!read_field(text, at, "StartFragment", first) || !read_field(text, at, "EndFragment", last))
        return false;
    if (first > last || last > text.size())
        return false;
    start = first;
    end = last;
    return true;
}

bool extract_fragment(std::string_view text, std::string& fragment)
{
    std::size_t start = 0;
    std::size_t end = 0;
    if (!parse_fragment_offsets(text, start, end))
        return false;
    fragment.assign(text.substr(start, end - start));
    return true;
}

bool is_html_format_field(std::string_view name)
{
    for (std::string_view known : field_names)
        if (same_name(name, known))
            return true;
    return false;
}

bool replace_fragment(std::string& text, std::string_view new_fragment)
{
    std::size_t start = 0;
    std::size_t end = 0;
    if (!parse_fragment_offsets(text, start, end))
        return false;
    std::vector<field> fields;
    std::size_t header_end = 0;
    if (!read_header(text, fields, header_end) || header_end > start)
        return false;
    const auto delta = static_cast<long long>(new_fragment.size()) - static_cast<long long>(end - start);
    // The End offsets move by the fragment's change; when a value needs more digits the
    // header grows, and every offset moves by that growth as well, until the widths settle.
    std::size_t growth = 0;
    std::string header;
    for (int round = 0; round < 4; ++round) {
        header.clear();
        for (const field& f : fields) {
            if (!f.offset) {
                header += f.text;
                continue;
            }
            long long value = static_cast<long long>(f.value) + static_cast<long long>(growth);
            if (starts_with_end(f.name))
                value += delta;
            if (value < 0)
                return false;
            header += f.name + ":" + padded(static_cast<std::size_t>(value), f.width) + "\r\n";
        }
        const std::size_t new_growth = header.size() > header_end ? header.size() - header_end : 0;
        if (new_growth == growth)
            break;
        growth = new_growth;
    }
    if (header.size() != header_end + growth)
        return false;
    std::string result = header;
    result.append(text, header_end, start - header_end);
    result += new_fragment;
    result.append(text, end);
    std::string check;
    if (!extract_fragment(result, check) || check != new_fragment)
        return false;
    text = std::move(result);
    return true;
}

}
