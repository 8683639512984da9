// Any bytes as a message's manifest, read for the three kinds: every file the reader places
// stays inside the message's folders; what was read, written again and read again, is the same.
#include "shell/documents/manifest.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

constexpr std::string_view objects_folder = "/msg/Pull_Files";
constexpr std::string_view push_folder = "/msg/Push_Files";
constexpr const char* headers[] = {"<html>", "<htmllite>", "<text>"};

struct manifest {
    std::array<shell::object_maps, 3> maps;
    std::vector<shell::push_file_record> push;
};

manifest read(const std::string& text)
{
    manifest read;
    core::object_name_counters counters;
    std::istringstream stream(text);
    auto reader = shell::construct_manifest_reader(stream, objects_folder, push_folder, counters);
    for (int kind = 0; kind < 3; ++kind) {
        if (reader.major < 3 && kind != 0)
            break;
        if (kind == 0)
            conversion::read_pushfiles_section(reader, read.push);
        auto& maps = read.maps[static_cast<std::size_t>(kind)];
        conversion::read_pictures_section(reader, headers[kind], maps.pictures);
        conversion::read_flashfiles_section(reader, headers[kind], maps.flashfiles);
        conversion::read_pullfiles_section(reader, headers[kind], maps.pullfiles);
        conversion::read_clicktos_section(reader, headers[kind], maps.clicktos);
    }
    return read;
}

// A file of the folder itself: the folder, "/", and one name that is no path step.
bool inside(const std::string& path, std::string_view folder)
{
    if (path.size() <= folder.size() + 1 || path.compare(0, folder.size(), folder) != 0 || path[folder.size()] != '/')
        return false;
    const auto name = std::string_view(path).substr(folder.size() + 1);
    return name.find('/') == std::string_view::npos && name != "." && name != "..";
}

void check_placed(const shell::object_record& record)
{
    if (record.pulled == 0 && !record.source.empty() && !inside(record.source, objects_folder))
        std::abort();
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 65536)
        return 0;
    const auto first = read(std::string(reinterpret_cast<const char*>(data), size));
    for (const auto& push : first.push) {
        if (!push.path.empty() && !inside(push.path, push_folder))
            std::abort();
    }
    for (const auto& maps : first.maps) {
        for (const auto& [id, record] : maps.pictures)
            check_placed(record);
        for (const auto& [id, record] : maps.flashfiles)
            check_placed(record);
        for (const auto& [id, record] : maps.pullfiles) {
            check_placed(record.file);
            check_placed(record.picture);
        }
        for (const auto& [id, record] : maps.clicktos) {
            check_placed(record.file);
            check_placed(record.picture);
        }
    }

    std::string written;
    for (int kind = 0; kind < 3; ++kind)
        written += shell::format_manifest_section(kind, first.maps[static_cast<std::size_t>(kind)], first.push, {3, 4, 0, 1});
    const auto again = read(written);
    if (again.maps != first.maps || again.push.size() != first.push.size())
        std::abort();
    for (std::size_t i = 0; i < first.push.size(); ++i) {
        if (again.push[i].path != first.push[i].path)
            std::abort();
    }
    return 0;
}
