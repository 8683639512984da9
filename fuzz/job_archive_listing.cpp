// The first line names the message (its stem), the rest is a tar listing and, read again, an
// unzip name list. An accepted listing has only file and folder lines, each naming a path
// under "<stem>_files" with no "." or ".." component in its quoted text; an accepted name
// list is the stem's tar alone.
#include "shell/package/job_archive_listing.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    auto feed = input.find('\n');
    if (feed == std::string_view::npos || feed > 64)
        return 0;
    const auto stem = input.substr(0, feed);
    auto listing = input.substr(feed + 1);

    shell::job_archive_limits limits;
    limits.members = 50;
    limits.bytes = 1 << 20;
    if (shell::check_job_archive_listing(listing, stem, limits).empty()) {
        const std::string top = "\"" + std::string(stem) + "_files";
        std::size_t lines = 0;
        for (auto rest = listing; !rest.empty();) {
            auto end = rest.find('\n');
            auto line = rest.substr(0, end);
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
            ++lines;
            auto quote = line.find('"');
            auto name = line.substr(quote);
            if ((line[0] != '-' && line[0] != 'd') || !name.starts_with(top) || name.find("/../") != std::string_view::npos
                || name.find("/./") != std::string_view::npos || name.find("//") != std::string_view::npos
                || name.ends_with("/..\"") || name.ends_with("/.\""))
                std::abort();
        }
        if (lines < 2 || lines > limits.members)
            std::abort();
    }
    if (shell::check_job_zip_listing(listing, stem).empty()) {
        auto names = listing;
        if (!names.empty() && names.back() == '\n')
            names.remove_suffix(1);
        if (names != std::string(stem) + ".tar")
            std::abort();
    }
    return 0;
}
