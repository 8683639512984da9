// Any bytes as a reference a page makes, with the page's folder: each candidate is the
// page's folder joined with the reference, or the absolute path itself, with no "." or ".."
// left in it. A "[pull name=...]" placeholder is read as the name it holds.
#include "conversion/importer/link_classification.h"
#include "core/markup/ascii.h"
#include "core/vocab/pull_placeholders.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string reference = input;
    const auto first = reference.find_first_not_of(" \t\r\n");
    const auto last = reference.find_last_not_of(" \t\r\n");
    if (first != std::string::npos
        && core::starts_with_ignoring_case(std::string_view(reference).substr(first), core::pull_placeholder_prefix)) {
        reference = reference.substr(first, last - first + 1);
        core::GetPullPlaceholderName(reference);
    }
    const std::string folder = "/srv/page/folder";
    std::string lowered = reference;
    for (char& c : lowered)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    for (const std::string& candidate : conversion::resource_candidates(input, folder)) {
        if (candidate.empty() || candidate.front() != '/')
            std::abort();
        if (candidate.find("/../") != std::string::npos || candidate.find("/./") != std::string::npos)
            std::abort();
        const bool inside = candidate.rfind(folder + "/", 0) == 0;
        const bool absolute = reference.find_first_not_of(" \t\r\n") != std::string::npos
            && (reference[reference.find_first_not_of(" \t\r\n")] == '/'
                || reference[reference.find_first_not_of(" \t\r\n")] == '\\'
                || lowered.find("file:") != std::string::npos || reference.find("..") != std::string::npos);
        if (!inside && !absolute)
            std::abort();
    }
    (void)conversion::classify_link(input, "page.htm", conversion::mime_table::from_text("application/zip zip\n"));
    return 0;
}
