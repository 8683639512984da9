#include "shell/objects/object_file_name.h"

#include "core/files/file_path.h"
#include "core/markup/ascii.h"
#include "core/util/utf8.h"

namespace shell {

std::string object_file_name(std::string_view text)
{
    const auto separator = text.find_last_of("/\\");
    std::string name(separator == std::string_view::npos ? text : text.substr(separator + 1));
    for (auto& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r' || c == '\n')
            c = ' ';
        else if (byte < 0x20 || byte == 0x7F)
            c = '_';
    }
    if (name.empty() || name == "." || name == "..")
        return "untitled";
    constexpr std::size_t limit = core::max_file_name_length;
    if (name.size() <= limit)
        return name;
    // A leading dot names a hidden file, not an extension; an extension that leaves no room
    // for a name is cut with the rest.
    auto dot = name.rfind('.');
    if (dot == 0 || dot == std::string::npos || name.size() - dot >= limit)
        dot = name.size();
    const std::string_view extension = std::string_view(name).substr(dot);
    std::string result(core::utf8_prefix(std::string_view(name).substr(0, dot), limit - extension.size()));
    result += extension;
    return result;
}

std::string file_name_key(std::string name)
{
    for (auto& c : name)
        c = core::ascii_lower(c);
    return name;
}

std::string free_file_name(const std::string& name, const std::set<std::string>& given)
{
    if (given.count(file_name_key(name)) == 0)
        return name;
    const auto dot = name.rfind('.');
    const bool has_extension = dot != std::string::npos && dot != 0;
    const auto stem = has_extension ? name.substr(0, dot) : name;
    const auto extension = has_extension ? name.substr(dot) : std::string();
    for (int n = 0;; ++n) {
        auto candidate = stem + "(" + std::to_string(n) + ")" + extension;
        if (given.count(file_name_key(candidate)) == 0)
            return candidate;
    }
}

}
