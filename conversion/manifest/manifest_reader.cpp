#include "conversion/manifest/manifest_reader.h"

#include "core/files/file_path.h"
#include "core/markup/html_tag.h"
#include "shell/objects/object_file_name.h"

#include <cerrno>
#include <cstdlib>
#include <limits>
#include <optional>

namespace conversion {

namespace {

constexpr std::string_view push_entry = "<push>";
constexpr std::string_view picture_entry = "<pic>";
constexpr std::string_view flash_entry = "<flash>";
constexpr std::string_view pullfile_entry = "<puf>";
constexpr std::string_view clickto_entry = "<cli>";

// The next line without its line end; none once the stream has ended or failed.
std::optional<std::string> next_line(manifest_reader& reader)
{
    std::string line;
    if (!std::getline(reader.stream, line))
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// The next item of an entry; an entry cut short by the end of the file reads empty items.
// A CR left inside an item reads as a blank, as the writer writes it.
std::string next_field(manifest_reader& reader)
{
    auto line = next_line(reader).value_or(std::string());
    for (auto& c : line) {
        if (c == '\r')
            c = ' ';
    }
    return line;
}

void skip_line(manifest_reader& reader)
{
    next_line(reader);
}

// The C library's decimal reading, held to 32 bits: text that is no number gives 0.
std::int32_t number_from(const std::string& text)
{
    errno = 0;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// Entries carry their number from version 2 on.
std::int32_t read_number(manifest_reader& reader)
{
    return reader.major >= 2 ? number_from(next_field(reader)) : 0;
}

// A name without a folder part: none of "/", "\", ":".
bool is_bare_name(std::string_view path)
{
    return path.find_first_of("/\\:") == std::string_view::npos;
}

// Where a stored path points once read. An empty path stays empty (no file); a pulled
// address stays as written unless it is a bare name; every other name becomes a file of
// the folder.
std::string completed_path(const std::string& path, const std::string& folder, bool pulled)
{
    if (path.empty() || (pulled && !is_bare_name(path)))
        return path;
    return core::path_combine(folder, shell::object_file_name(path));
}

void read_object_part(manifest_reader& reader, shell::object_record& record)
{
    const auto path = next_field(reader);
    record.title = std::string(core::trim_view(next_field(reader)));
    record.pulled = next_field(reader) == "TRUE" ? 1 : 0;
    record.source = completed_path(path, reader.objects_folder, record.pulled != 0);
}

std::int32_t read_picture_entry(manifest_reader& reader, shell::picture_record& record)
{
    read_object_part(reader, record);
    record.alternate_text = next_field(reader);
    const auto number = read_number(reader);
    skip_line(reader); // "</pic>"
    return number;
}

std::int32_t read_flash_entry(manifest_reader& reader, shell::flash_record& record)
{
    read_object_part(reader, record);
    const auto number = read_number(reader);
    skip_line(reader); // "</flash>"
    return number;
}

std::int32_t read_pullfile_entry(manifest_reader& reader, shell::pullfile_record& record)
{
    read_object_part(reader, record.file);
    skip_line(reader); // "<pic>"
    read_picture_entry(reader, record.picture); // carries the pull file's own number
    record.show_size = next_field(reader) == "TRUE" ? 1 : 0;
    const auto number = read_number(reader);
    skip_line(reader); // "</puf>"
    return number;
}

std::int32_t read_clickto_entry(manifest_reader& reader, shell::clickto_record& record)
{
    skip_line(reader); // "<puf>"
    const auto number = read_pullfile_entry(reader, record);
    record.target = next_field(reader);
    skip_line(reader); // "</cli>"
    return number;
}

void read_push_entry(manifest_reader& reader, shell::push_file_record& record)
{
    const auto path = next_field(reader);
    record.path = completed_path(path, reader.push_folder, false);
    skip_line(reader); // "</push>"
}

// Passes over the entry that the line opens, if it opens one.
void skip_entry(manifest_reader& reader, std::string_view line)
{
    if (line == push_entry) {
        shell::push_file_record record;
        read_push_entry(reader, record);
    } else if (line == picture_entry) {
        shell::picture_record record;
        read_picture_entry(reader, record);
    } else if (line == flash_entry) {
        shell::flash_record record;
        read_flash_entry(reader, record);
    } else if (line == pullfile_entry) {
        shell::pullfile_record record;
        read_pullfile_entry(reader, record);
    } else if (line == clickto_entry) {
        shell::clickto_record record;
        read_clickto_entry(reader, record);
    }
}

// Reads on until the line; false at the stop line (when given) or the end of the stream.
bool seek_line(manifest_reader& reader, std::string_view wanted, std::string_view stop)
{
    while (auto line = next_line(reader)) {
        if (*line == wanted)
            return true;
        if (!stop.empty() && *line == stop)
            return false;
        skip_entry(reader, *line);
    }
    return false;
}

// "</html>" for "<html>": the line that closes a kind block.
std::string closing_line(std::string_view header)
{
    if (header.size() < 2 || header.front() != '<')
        return {};
    return "</" + std::string(header.substr(1));
}

// Stands the stream just after the section's start line; the answer is the line that ends
// the kind block around it (none before version 3), or nothing when the section is missing.
std::optional<std::string> find_section(manifest_reader& reader, std::string_view kind_header, std::string_view start)
{
    if (reader.major < 3)
        return find_manifest_line(reader, start, true) ? std::optional<std::string>(std::string()) : std::nullopt;
    if (!find_manifest_line(reader, kind_header, true))
        return std::nullopt;
    auto block_end = closing_line(kind_header);
    if (!seek_line(reader, start, block_end))
        return std::nullopt;
    return block_end;
}

template <class Record>
void store_drawn(manifest_reader& reader, int kind, std::map<std::int32_t, Record>& map, std::vector<Record>& pending)
{
    for (auto& record : pending) {
        auto number = reader.counters.next(kind);
        while (map.contains(number) && number < std::numeric_limits<std::int32_t>::max())
            number = reader.counters.next(kind);
        while (map.contains(number)) // the counter can go no higher: the highest free number
            --number;
        map.insert_or_assign(number, std::move(record));
    }
}

template <class Record, class ReadEntry>
void read_section(manifest_reader& reader, std::string_view kind_header, std::string_view start, std::string_view end,
    std::string_view entry, int kind, std::map<std::int32_t, Record>& map, ReadEntry read_entry)
{
    const auto block_end = find_section(reader, kind_header, start);
    if (!block_end)
        return;
    std::vector<Record> pending;
    while (auto line = next_line(reader)) {
        if (*line == end || (!block_end->empty() && *line == *block_end))
            break;
        if (*line != entry) {
            skip_entry(reader, *line);
            continue;
        }
        Record record;
        const auto number = read_entry(reader, record);
        if (number < 1) {
            pending.push_back(std::move(record));
            continue;
        }
        reader.counters.raise_to_at_least(kind, number);
        map.insert_or_assign(number, std::move(record));
    }
    store_drawn(reader, kind, map, pending);
}

}

bool find_manifest_line(manifest_reader& reader, std::string_view line, bool rewind)
{
    if (rewind) {
        reader.stream.clear();
        reader.stream.seekg(0);
    }
    return seek_line(reader, line, {});
}

void read_pushfiles_section(manifest_reader& reader, std::vector<shell::push_file_record>& push_files)
{
    if (!find_manifest_line(reader, "<pushfiles>", true))
        return;
    while (auto line = next_line(reader)) {
        if (*line == "</pushfiles>")
            break;
        if (*line != push_entry) {
            skip_entry(reader, *line);
            continue;
        }
        shell::push_file_record record;
        read_push_entry(reader, record);
        push_files.push_back(std::move(record));
    }
}

void read_pictures_section(manifest_reader& reader, std::string_view kind_header, shell::picture_map& pictures)
{
    read_section(reader, kind_header, "<pictures>", "</pictures>", picture_entry, core::picture, pictures,
        read_picture_entry);
}

void read_flashfiles_section(manifest_reader& reader, std::string_view kind_header, shell::flash_map& flashfiles)
{
    if (reader.major < 3)
        return;
    read_section(reader, kind_header, "<flashfiles>", "</flashfiles>", flash_entry, core::flashfile, flashfiles,
        read_flash_entry);
}

void read_pullfiles_section(manifest_reader& reader, std::string_view kind_header, shell::pullfile_map& pullfiles)
{
    read_section(reader, kind_header, "<pullfiles>", "</pullfiles>", pullfile_entry, core::pullfile, pullfiles,
        read_pullfile_entry);
}

void read_clicktos_section(manifest_reader& reader, std::string_view kind_header, shell::clickto_map& clicktos)
{
    read_section(reader, kind_header, "<clicktos>", "</clicktos>", clickto_entry, core::clickto, clicktos,
        read_clickto_entry);
}

}
