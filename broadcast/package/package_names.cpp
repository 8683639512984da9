#include "broadcast/package/package_names.h"

#include "broadcast/package/package_error.h"
#include "core/files/file_path.h"
#include "core/util/strings.h"

#include <algorithm>

namespace broadcast {

namespace {

// A name and its extension together longer than this are shortened.
constexpr std::size_t long_name_limit = 98;
constexpr std::size_t kept_long_name = 90;
constexpr std::size_t list_name_limit = 43;
constexpr int max_list_tries = 1000;

std::string folded(std::string_view name)
{
    std::string result(name);
    std::transform(result.begin(), result.end(), result.begin(),
        [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c); });
    return result;
}

std::string without_line_breaks(std::string_view text)
{
    std::string result;
    for (char c : text) {
        if (c != '\r' && c != '\n')
            result += c;
    }
    return result;
}

struct name_parts {
    std::string base;
    std::string extension; // without its dot
};

name_parts split_name(const std::string& name)
{
    auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return {name, {}};
    return {name.substr(0, dot), name.substr(dot + 1)};
}

std::string join_name(std::string_view base, std::string_view extension)
{
    return extension.empty() ? std::string(base) : std::string(base) + "." + std::string(extension);
}

// The list rule: the last 43 bytes, each byte other than an ASCII letter, digit, "-",
// "_" or "." as "_" (so a cut character becomes "_" too).
std::string clean_list_name(std::string_view name)
{
    if (name.size() > list_name_limit)
        name = name.substr(name.size() - list_name_limit);
    std::string result(name);
    for (char& c : result) {
        bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'
            || c == '.';
        if (!kept)
            c = '_';
    }
    return result;
}

}

std::string_view utf8_prefix(std::string_view text, std::size_t size)
{
    if (text.size() <= size)
        return text;
    while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80)
        --size;
    return text.substr(0, size);
}

package_names::package_names()
{
    taken_.insert(std::string(command_file_name));
}

bool package_names::taken(const std::string& name) const
{
    return taken_.count(folded(name)) != 0;
}

void package_names::take(const std::string& source, const std::string& name)
{
    taken_.insert(folded(name));
    placed_.emplace(source, name);
}

std::string package_names::place_file(const std::string& source, std::string_view field, bool keep_name)
{
    if (auto known = placed_.find(source); known != placed_.end())
        return known->second;
    auto name = without_line_breaks(core::file_path(source).file_name());
    if (name.empty() || name == "." || name == "..")
        throw package_error("The " + std::string(field) + " \"" + source + "\" names no file");
    auto parts = split_name(name);
    if (name.size() + parts.extension.size() > long_name_limit) {
        auto extension = parts.extension.empty() ? std::string("ext") : parts.extension.substr(0, 3);
        name = core::format_string("%s%04X.%s", std::string(utf8_prefix(name, kept_long_name)).c_str(),
            ++rename_counter_, extension.c_str());
        parts = split_name(name);
    }
    // Only the command file's own name gives way for a pull file: no body can mean it.
    if (keep_name && taken(name) && folded(name) != command_file_name)
        throw package_error("The " + std::string(field) + " \"" + source + "\" has the name of another file of the "
            + "broadcast, and the message links it by that name");
    while (taken(name))
        name = join_name(parts.base + core::format_string("%04X", ++rename_counter_), parts.extension);
    take(source, name);
    return name;
}

std::string package_names::place_local_list(const std::string& source)
{
    if (auto known = placed_.find(source); known != placed_.end())
        return known->second;
    auto original = without_line_breaks(core::file_path(source).file_name());
    if (original.empty() || original == "." || original == "..")
        throw package_error("The local list \"" + source + "\" names no file");
    auto name = clean_list_name(original);
    if (list_counts_.count(name) || taken(name)) {
        auto parts = split_name(original);
        int& count = list_counts_[name];
        // A long extension can push the number out of the kept 43 bytes: the search is bounded.
        for (int tries = 0;; ++tries) {
            if (tries == max_list_tries)
                throw package_error("The local list \"" + source + "\" gets no free name in the package");
            name = clean_list_name(join_name(parts.base + std::to_string(++count), parts.extension));
            if (!taken(name))
                break;
        }
    } else {
        list_counts_[name] = 0;
    }
    take(source, name);
    return name;
}

}
