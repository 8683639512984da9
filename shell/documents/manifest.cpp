#include "shell/documents/manifest.h"

#include "core/files/file_path.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <limits>

namespace shell {

namespace {

constexpr std::array<std::string_view, 3> kind_headers {"<html>", "<htmllite>", "<text>"};
constexpr std::array<std::string_view, 3> kind_closers {"</html>", "</htmllite>", "</text>"};

bool is_document_kind(int kind)
{
    return kind >= 0 && kind < static_cast<int>(kind_headers.size());
}

// The last component of a path, as the manifest names a file that travels with the message.
std::string_view file_name_part(std::string_view path)
{
    const auto separator = path.find_last_of("/\\");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

void ends_with_strip(std::string_view& text, std::string_view tail)
{
    if (text.ends_with(tail))
        text.remove_suffix(tail.size());
}

// The manifest's own writing of text: one line, its CR and LF as blanks.
class manifest_text {
public:
    void line(std::string_view field)
    {
        const auto at = text_.size();
        text_ += field;
        for (auto i = at; i < text_.size(); ++i) {
            if (text_[i] == '\r' || text_[i] == '\n')
                text_[i] = ' ';
        }
        text_ += '\n';
    }
    void number(std::int32_t value) { line(std::to_string(value)); }
    void flag(std::int32_t value) { line(value != 0 ? "TRUE" : "FALSE"); }

    void object_part(const object_record& record)
    {
        line(record.pulled != 0 ? std::string_view(record.source) : file_name_part(record.source));
        line(record.title);
        flag(record.pulled);
    }
    void picture(const picture_record& record, std::int32_t id)
    {
        line("<pic>");
        object_part(record);
        line(record.alternate_text);
        number(id);
        line("</pic>");
    }
    void flash(const flash_record& record, std::int32_t id)
    {
        line("<flash>");
        object_part(record);
        number(id);
        line("</flash>");
    }
    void pullfile(const pullfile_record& record, std::int32_t id)
    {
        line("<puf>");
        object_part(record.file);
        picture(record.picture, id);
        flag(record.show_size);
        number(id);
        line("</puf>");
    }
    void clickto(const clickto_record& record, std::int32_t id)
    {
        line("<cli>");
        pullfile(record, id);
        line(record.target);
        line("</cli>");
    }

    template <class Map, class Write>
    void section(std::string_view start, std::string_view end, const Map& map, Write write)
    {
        line(start);
        for (const auto& [id, record] : map)
            (this->*write)(record, id);
        line(end);
    }

    std::string take() { return std::move(text_); }

private:
    std::string text_;
};

// The C library's decimal reading of a version field, held to 32 bits; false when no digit follows.
bool version_field(std::string_view& text, int& value)
{
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    const bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        ++at;
    if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at])))
        return false;
    long long magnitude = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at)
        magnitude = std::min<long long>(magnitude * 10 + (text[at] - '0'), std::numeric_limits<std::int32_t>::max());
    value = static_cast<int>(negative ? -magnitude : magnitude);
    text.remove_prefix(at);
    return true;
}

}

std::string make_manifest_path(std::string_view pull_folder, std::string_view dictionaries_folder)
{
    std::string_view base = pull_folder;
    const auto before = base.size();
    ends_with_strip(base, "_files/Pull_Files");
    if (base.size() == before)
        ends_with_strip(base, "_files\\Pull_Files");
    core::file_path(std::string(dictionaries_folder)).create_folder();
    constexpr std::string_view suffix = ".objects";
    return core::path_combine(dictionaries_folder, core::checked_path_name(base, suffix) + std::string(suffix));
}

std::string format_manifest_section(int kind, const object_maps& maps, const std::vector<push_file_record>& push_files,
    const program_version& version)
{
    if (!is_document_kind(kind))
        return {};
    manifest_text text;
    if (kind == 0) {
        text.line(std::to_string(version[0]) + "." + std::to_string(version[1]) + "." + std::to_string(version[2]) + "."
            + std::to_string(version[3]));
        text.line("<pushfiles>");
        for (const auto& push : push_files) {
            text.line("<push>");
            text.line(file_name_part(push.path));
            text.line("</push>");
        }
        text.line("</pushfiles>");
    }
    const auto index = static_cast<std::size_t>(kind);
    text.line(kind_headers[index]);
    text.section("<pictures>", "</pictures>", maps.pictures, &manifest_text::picture);
    text.section("<flashfiles>", "</flashfiles>", maps.flashfiles, &manifest_text::flash);
    text.section("<pullfiles>", "</pullfiles>", maps.pullfiles, &manifest_text::pullfile);
    text.section("<clicktos>", "</clicktos>", maps.clicktos, &manifest_text::clickto);
    text.line(kind_closers[index]);
    return text.take();
}

void write_manifest(int kind, const std::string& manifest_path, const object_maps& maps,
    const std::vector<push_file_record>& push_files, const program_version& version)
{
    append_string_to_file(format_manifest_section(kind, maps, push_files, version), manifest_path);
}

conversion::manifest_reader construct_manifest_reader(std::istream& stream, std::string_view objects_folder,
    std::string_view push_folder, core::object_name_counters& counters)
{
    conversion::manifest_reader reader {stream, 0, 0, 0, 0, std::string(objects_folder), std::string(push_folder), counters};
    std::string first;
    std::getline(stream, first);
    std::string_view rest = first;
    int* fields[] = {&reader.major, &reader.minor, &reader.build, &reader.revision};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (i > 0) {
            if (!rest.starts_with('.'))
                break;
            rest.remove_prefix(1);
        }
        if (!version_field(rest, *fields[i]))
            break;
    }
    return reader;
}

void read_manifest(int kind, std::string_view objects_folder, std::string_view push_folder,
    const std::string& manifest_path, object_maps& maps, std::vector<push_file_record>& push_files,
    core::object_name_counters& counters)
{
    if (!is_document_kind(kind))
        return;
    std::ifstream file(manifest_path, std::ios::binary);
    if (!file)
        return;
    auto reader = construct_manifest_reader(file, objects_folder, push_folder, counters);
    if (reader.major < 3 && kind != 0)
        return;
    if (kind == 0)
        conversion::read_pushfiles_section(reader, push_files);
    const auto header = kind_headers[static_cast<std::size_t>(kind)];
    conversion::read_pictures_section(reader, header, maps.pictures);
    conversion::read_flashfiles_section(reader, header, maps.flashfiles);
    conversion::read_pullfiles_section(reader, header, maps.pullfiles);
    conversion::read_clicktos_section(reader, header, maps.clicktos);
}

}
