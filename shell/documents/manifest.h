#pragma once

#include "conversion/manifest/manifest_reader.h"
#include "core/vocab/object_names.h"
#include "shell/objects/object_records.h"
#include "shell/objects/shell_files.h"

#include <array>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// The manifest keeps, from one run to the next, a message's push files and, for each
// document kind (0 HTML, 1 HTML-lite, 2 text), its pictures, Flash files, pull files and
// click-tos: a version line, the push-file block, then one block per kind. Lines end in
// "\n"; a CR or LF inside a field is written as a blank, so every field keeps to its line.

// major, minor, build, revision, as AppServices::file_version holds them
using program_version = std::array<unsigned, 4>;

// The manifest of the message whose pull-files folder is given: its path less a trailing
// "_files/Pull_Files" (or "_files\Pull_Files") as one flat name (core::checked_path_name)
// with ".objects", in the dictionaries folder, which is made when missing.
std::string make_manifest_path(std::string_view pull_folder, std::string_view dictionaries_folder);

// What the writer appends for one kind: for kind 0 first the version line and the push
// files (by file name), then the kind's block, entries in ascending number order. An object
// whose file travels with the message is written by its file name, a pulled one by its
// address.
std::string format_manifest_section(int kind, const object_maps& maps, const std::vector<push_file_record>& push_files,
    const program_version& version);

// The two directions of write_or_read_manifest, called once per kind, 0 first.
// Writing appends the kind's text to the file (the caller starts from a fresh file); a
// failure throws hevtools::win32api_error.
void write_manifest(int kind, const std::string& manifest_path, const object_maps& maps,
    const std::vector<push_file_record>& push_files, const program_version& version);
// Reading fills the kind's maps and, for kind 0, the push files; names are completed with
// the objects folder and the push folder. Before version 3 only kind 0 is read. A manifest
// that cannot be opened reads as empty.
void read_manifest(int kind, std::string_view objects_folder, std::string_view push_folder,
    const std::string& manifest_path, object_maps& maps, std::vector<push_file_record>& push_files,
    core::object_name_counters& counters);

// A reader on the stream, its version parsed from the first line as "%d.%d.%d.%d" (fields
// missing count as 0, so a first line that is no version reads as 0.0.0.0).
conversion::manifest_reader construct_manifest_reader(std::istream& stream, std::string_view objects_folder,
    std::string_view push_folder, core::object_name_counters& counters);

}
