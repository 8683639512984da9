// Any bytes as a message body: the scan ends, with each flag set; a second scan of what a
// normalising, recording, handler-dropping scan wrote changes nothing, where the body holds
// click-to markers only as the program stores them and the scan kept what they store.
#include "shell/documents/body_scanner.h"
#include "shell/documents/tests/recording_dictionary.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
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

constexpr std::string_view clickto_markers[] = {"quorbis_c2t_form{", "quorbis_c2t_button{"};

// The comment "<!--marker{...}-->" when the body holds the marker once, as the program stores
// it; "" without the marker; nullopt for any other shape.
std::optional<std::string_view> stored_clickto_comment(std::string_view body, std::string_view marker)
{
    const auto at = body.find(marker);
    if (at == std::string_view::npos)
        return std::string_view();
    const auto close = body.find('}', at + marker.size());
    if (at < 4 || body.substr(at - 4, 4) != "<!--" || close == std::string_view::npos
        || body.substr(close + 1, 3) != "-->" || body.find(marker, at + 1) != std::string_view::npos)
        return std::nullopt;
    return body.substr(at - 4, close + 4 - (at - 4));
}

// The restore replaces text, not markup: a marker of another shape, or one whose "comment"
// the scan did not keep as it was (it stood inside a tag), may meet a block anew each scan.
bool clickto_markers_settled(std::string_view body, std::string_view once)
{
    for (auto marker : clickto_markers) {
        const auto before = stored_clickto_comment(body, marker);
        if (!before || before != stored_clickto_comment(once, marker))
            return false;
    }
    return true;
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
    if (!clickto_markers_settled(body, once))
        return 0;
    if (scan(once, flags) != once)
        std::abort();
    return 0;
}
