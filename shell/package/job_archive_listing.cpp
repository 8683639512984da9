#include "shell/package/job_archive_listing.h"

#include <optional>
#include <vector>

namespace shell {

namespace {

struct entry {
    char type = 0;
    std::uint64_t size = 0;
    std::string name;
};

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// The next field ending at a blank; the blanks after it are passed over.
std::string_view take_field(std::string_view& line)
{
    auto end = line.find(' ');
    auto field = line.substr(0, end);
    line.remove_prefix(end == std::string_view::npos ? line.size() : end);
    while (!line.empty() && line.front() == ' ')
        line.remove_prefix(1);
    return field;
}

std::optional<std::uint64_t> decimal(std::string_view digits)
{
    if (digits.empty() || digits.size() > 19)
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        if (!is_digit(c))
            return std::nullopt;
        value = value * 10 + std::uint64_t(c - '0');
    }
    return value;
}

bool is_owner(std::string_view field)
{
    auto slash = field.find('/');
    return slash != std::string_view::npos && decimal(field.substr(0, slash)) && decimal(field.substr(slash + 1));
}

bool is_permissions(std::string_view field)
{
    if (field.size() != 9)
        return false;
    for (char c : field) {
        if (std::string_view("rwxsStT-").find(c) == std::string_view::npos)
            return false;
    }
    return true;
}

// A name in C quoting: the text between the quotes, escapes resolved; the rest of the line
// must be empty.
std::optional<std::string> unquote_whole(std::string_view text)
{
    if (text.size() < 2 || text.front() != '"')
        return std::nullopt;
    std::string name;
    std::size_t i = 1;
    while (i < text.size()) {
        char c = text[i++];
        if (c == '"')
            return i == text.size() ? std::optional<std::string>(name) : std::nullopt;
        if (c != '\\') {
            name += c;
            continue;
        }
        if (i == text.size())
            return std::nullopt;
        char e = text[i++];
        switch (e) {
        case 'a': name += '\a'; break;
        case 'b': name += '\b'; break;
        case 'f': name += '\f'; break;
        case 'n': name += '\n'; break;
        case 'r': name += '\r'; break;
        case 't': name += '\t'; break;
        case 'v': name += '\v'; break;
        case '\\': case '"': case '?': case '\'': name += e; break;
        default: {
            if (e < '0' || e > '7' || i + 2 > text.size())
                return std::nullopt;
            int value = e - '0';
            for (int k = 0; k < 2; ++k) {
                char d = text[i++];
                if (d < '0' || d > '7')
                    return std::nullopt;
                value = value * 8 + (d - '0');
            }
            if (value == 0 || value > 0xFF)
                return std::nullopt;
            name += static_cast<char>(value);
        }
        }
    }
    return std::nullopt;
}

std::optional<entry> parse_line(std::string_view line, std::string& why)
{
    auto mode = take_field(line);
    if (mode.size() != 10 || !is_permissions(mode.substr(1))) {
        why = "it is not an entry of the archive";
        return std::nullopt;
    }
    entry result;
    result.type = mode[0];
    if (result.type != '-' && result.type != 'd') {
        why = "only plain files and folders may be imported";
        return std::nullopt;
    }
    if (!is_owner(take_field(line))) {
        why = "it is not an entry of the archive";
        return std::nullopt;
    }
    auto size = decimal(take_field(line));
    // The date and time stand between the size and the quoted name.
    auto quote = line.find('"');
    if (!size || quote == std::string_view::npos || quote == 0) {
        why = "it is not an entry of the archive";
        return std::nullopt;
    }
    auto name = unquote_whole(line.substr(quote));
    if (!name) {
        why = "its name is not one quoted name";
        return std::nullopt;
    }
    result.size = *size;
    result.name = std::move(*name);
    return result;
}

// The name's components, empty when one is empty, "." or "..". A folder's name may end in "/".
std::vector<std::string_view> components(std::string_view name, bool folder)
{
    if (folder && name.size() > 1 && name.back() == '/')
        name.remove_suffix(1);
    std::vector<std::string_view> parts;
    while (true) {
        auto slash = name.find('/');
        auto part = name.substr(0, slash);
        if (part.empty() || part == "." || part == "..")
            return {};
        parts.push_back(part);
        if (slash == std::string_view::npos)
            return parts;
        name.remove_prefix(slash + 1);
    }
}

}

std::string check_job_archive_listing(std::string_view listing, std::string_view stem, const job_archive_limits& limits)
{
    if (stem.empty() || stem.find('/') != std::string_view::npos)
        return "the package's name gives no message name";
    const std::string top = std::string(stem) + "_files";
    const std::string body_parts = top + "/" + std::string(stem) + ".dndtf";
    const std::string manifest = top + "/" + std::string(stem) + ".objects";
    bool has_body_parts = false;
    bool has_manifest = false;
    std::uint64_t members = 0;
    std::uint64_t bytes = 0;
    std::size_t line_number = 0;
    while (!listing.empty()) {
        auto end = listing.find('\n');
        auto line = listing.substr(0, end);
        listing.remove_prefix(end == std::string_view::npos ? listing.size() : end + 1);
        ++line_number;
        const auto where = "line " + std::to_string(line_number) + " of the archive's listing: ";
        std::string why;
        auto parsed = parse_line(line, why);
        if (!parsed)
            return where + why + ": " + std::string(line.substr(0, 200));
        auto parts = components(parsed->name, parsed->type == 'd');
        if (parts.empty())
            return where + "the name \"" + parsed->name + "\" has an empty, \".\" or \"..\" component";
        if (parts.front() != top || (parsed->type == '-' && parts.size() == 1))
            return where + "\"" + parsed->name + "\" is not inside " + top;
        if (++members > limits.members)
            return "the archive has more than " + std::to_string(limits.members) + " entries";
        if (parsed->size > limits.bytes - bytes)
            return "the archive's files are larger than " + std::to_string(limits.bytes) + " bytes";
        bytes += parsed->size;
        if (parsed->type == '-') {
            has_body_parts = has_body_parts || parsed->name == body_parts;
            has_manifest = has_manifest || parsed->name == manifest;
        }
    }
    if (!has_body_parts)
        return "the archive lacks " + body_parts;
    if (!has_manifest)
        return "the archive lacks " + manifest;
    return {};
}

std::string check_job_zip_listing(std::string_view names, std::string_view stem)
{
    const std::string expected = std::string(stem) + ".tar";
    if (names.size() && names.back() == '\n')
        names.remove_suffix(1);
    if (stem.empty() || names != expected)
        return "the package must hold exactly one file, " + expected;
    return {};
}

}
