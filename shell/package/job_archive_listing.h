#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace shell {

// What an imported job archive may hold at most.
struct job_archive_limits {
    std::uint64_t members = 100000;
    std::uint64_t bytes = std::uint64_t(4) << 30;
};

// Judges the listing that `LC_ALL=C tar -tv --numeric-owner --quoting-style=c` gave for the
// job archive of a message with stem S (its standard output and error together). Accepted
// only when every line is an entry of a plain file or a folder named S_files or below it,
// without empty, "." or ".." components, within the limits, and with S_files/S.dndtf and
// S_files/S.objects among the files. Empty when accepted; otherwise why not.
std::string check_job_archive_listing(std::string_view listing, std::string_view stem,
    const job_archive_limits& limits = {});

// Judges what `unzip -Z1` listed for a package of stem S: exactly the one name S + ".tar".
std::string check_job_zip_listing(std::string_view names, std::string_view stem);

}
