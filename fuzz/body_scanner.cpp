// Any bytes as a message body: the scan ends, with each flag set; a second scan of what a
// normalising, recording, handler-dropping scan wrote changes nothing.
#include "shell/documents/body_scanner.h"
#include "shell/documents/tests/recording_dictionary.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

const core::CDTDStrict& declarations()
{
    static const core::CDTDStrict dtd = [] {
        core::CDTDStrict loaded;
        core::LoadStandardDTD(loaded, core::standard_dtd_folder(TALVERIN_SHARE_DIR));
        return loaded;
    }();
    return dtd;
}

std::string scan(std::string_view body, unsigned flags)
{
    shell::testing::recording_dictionary dictionary;
    dictionary.known.pullfiles[1].file.source = "/w/report.pdf";
    dictionary.known.pictures[2] = shell::construct_picture_record_from_source("/w/a.gif", "", 0);
    shell::BodyScanner scanner({declarations(), dictionary, "/r/redirect.cgi", "/nowhere/Pull_Files", nullptr});
    shell::object_maps targets;
    return scanner.ScanBodyObjects(0, body, targets, flags, false);
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > 65536)
        return 0;
    const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
    (void)scan(body, data[0]);
    using namespace shell;
    const unsigned flags = scan_normalise | scan_record | scan_known_first | scan_drop_handlers;
    const auto once = scan(body, flags);
    if (scan(once, flags) != once)
        std::abort();
    return 0;
}
