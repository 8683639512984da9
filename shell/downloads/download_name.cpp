#include "shell/downloads/download_name.h"

#include "core/files/file_path.h"
#include "core/util/utf8.h"
#include "core/vocab/pull_placeholders.h"
#include "shell/objects/object_file_name.h"

#include <algorithm>

namespace shell {

namespace {

constexpr std::string_view replaced_characters = " &%#^{}`][";

// The address's path: after "scheme://" and the authority, or the whole text without one.
std::string_view path_of(std::string_view address)
{
    const auto scheme_end = address.find("://");
    if (scheme_end == std::string_view::npos)
        return address;
    const auto rest = address.substr(scheme_end + 3);
    const auto slash = rest.find_first_of("/?#");
    if (slash == std::string_view::npos || rest[slash] != '/')
        return {};
    return rest.substr(slash);
}

}

std::string download_file_name(std::string_view address)
{
    auto path = path_of(address);
    path = path.substr(0, path.find_first_of("?#"));
    const auto slash = path.find_last_of("/\\");
    std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    for (const char c : replaced_characters)
        std::replace(name.begin(), name.end(), c, '_');
    return object_file_name(name);
}

std::string download_candidate(std::string_view given, long counter, bool pull_format)
{
    const std::string safe = object_file_name(given);
    const std::string_view name = safe;
    const std::string suffix = counter < 0 ? std::string() : "(" + std::to_string(counter) + ")";
    const std::size_t wrapper = pull_format ? core::pull_placeholder_prefix.size() + 1 : 0;
    const std::size_t room = core::max_file_name_length - wrapper - suffix.size();

    // A leading dot names a hidden file, not an extension; an extension without room for a
    // stem is cut with the rest.
    auto dot = name.rfind('.');
    if (dot == 0 || dot == std::string_view::npos || name.size() - dot >= room)
        dot = name.size();
    const auto extension = name.substr(dot);
    std::string candidate(core::utf8_prefix(name.substr(0, dot), room - extension.size()));
    candidate += suffix;
    candidate += extension;
    if (candidate.empty() || candidate == "." || candidate == "..")
        candidate = "untitled" + suffix;
    return pull_format ? core::make_pull_placeholder(candidate) : candidate;
}

std::string masked_address(std::string_view address)
{
    const auto scheme_end = address.find("://");
    if (scheme_end == std::string_view::npos)
        return std::string(address);
    const auto authority_start = scheme_end + 3;
    const auto authority_end = address.find_first_of("/?#", authority_start);
    const auto authority = address.substr(authority_start, authority_end == std::string_view::npos
            ? std::string_view::npos : authority_end - authority_start);
    const auto at = authority.rfind('@');
    if (at == std::string_view::npos)
        return std::string(address);
    std::string masked(address.substr(0, authority_start));
    masked += "***";
    masked += address.substr(authority_start + at);
    return masked;
}

}
