// Any bytes as a body-parts file: every kind's section can be looked for. Bodies cut from the
// bytes, written into a body-parts file, read back exactly when no line of theirs begins with
// a marker.
#include "shell/documents/body_parts.h"
#include "shell/objects/shell_text.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool has_marker_line(std::string_view body)
{
    for (std::size_t start = 0; start <= body.size();) {
        const auto line = body.substr(start);
        for (int kind = 0; kind < 3; ++kind) {
            if (line.starts_with(shell::body_part_marker(kind, false)) || line.starts_with(shell::body_part_marker(kind, true)))
                return true;
        }
        const auto feed = body.find('\n', start);
        if (feed == std::string_view::npos)
            break;
        start = feed + 1;
    }
    return false;
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 65536)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (int kind = 0; kind < 3; ++kind) {
        const auto section = shell::find_marked_section(text, kind);
        if (section && section->size() > text.size())
            std::abort();
    }

    if (size < 3)
        return 0;
    // The first byte chooses the kinds present, the next two where the bodies are cut.
    const unsigned present = data[0];
    const std::string_view rest = text.substr(3);
    const auto cut_one = rest.empty() ? 0 : data[1] % (rest.size() + 1);
    const auto cut_two = cut_one + (rest.size() - cut_one == 0 ? 0 : data[2] % (rest.size() - cut_one + 1));
    const std::string_view pieces[] = {rest.substr(0, cut_one), rest.substr(cut_one, cut_two - cut_one), rest.substr(cut_two)};
    std::array<std::optional<std::string>, 3> bodies;
    for (std::size_t kind = 0; kind < 3; ++kind) {
        if (has_marker_line(pieces[kind]))
            return 0;
        if (present & (1u << kind))
            bodies[kind] = std::string(pieces[kind]);
    }
    const auto file = shell::format_body_parts(bodies);
    for (std::size_t kind = 0; kind < 3; ++kind) {
        const auto read = shell::find_marked_section(file, static_cast<int>(kind));
        // A file without any section is a body saved before the markers: kind 0 is all of it.
        const auto expected = kind == 0 && !bodies[0] && !bodies[1] && !bodies[2] ? std::optional<std::string>(file) : bodies[kind];
        if (read != expected)
            std::abort();
    }
    return 0;
}
