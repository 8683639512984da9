#pragma once

#include "core/vocab/object_names.h"
#include "shell/objects/object_records.h"
#include "shell/objects/shell_files.h"

#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace conversion {

// Reading a message's manifest: the open stream, its version (the first line), the folder
// that completes object file names, the one that completes push-file names, and the counters
// that number entries stored without a number.
//
// Each item stands on a line of its own; one trailing CR is dropped from every line. Tag
// lines compare whole and exact. Entries are read by their layout, so a field whose text
// looks like a tag line is never taken for one.
struct manifest_reader {
    std::istream& stream;
    int major = 0;
    int minor = 0;
    int build = 0;
    int revision = 0;
    std::string objects_folder;
    std::string push_folder;
    core::object_name_counters& counters;
};

// With rewind set the stream's state is cleared and reading starts over; then reads until a
// line equal to the text (skipping whole entries), and tells whether it was found.
bool find_manifest_line(manifest_reader& reader, std::string_view line, bool rewind);

// Appends the push files, in file order; a name is completed with the push folder.
void read_pushfiles_section(manifest_reader& reader, std::vector<shell::push_file_record>& push_files);

// Read one object section into its map: from version 3 on inside the block that opens with
// the kind header line ("<html>", "<htmllite>", "<text>"), before it anywhere in the file.
// A record read replaces one stored under its number. Each number read raises its kind's
// counter; entries without a number (below 1) draw theirs, in file order, once the section
// is read, so they never replace a numbered entry. A file that travels with the message
// (not pulled) keeps only its file name, in the objects folder; a pulled address stays as
// written unless it is a bare name.
void read_pictures_section(manifest_reader& reader, std::string_view kind_header, shell::picture_map& pictures);
void read_flashfiles_section(manifest_reader& reader, std::string_view kind_header, shell::flash_map& flashfiles);
void read_pullfiles_section(manifest_reader& reader, std::string_view kind_header, shell::pullfile_map& pullfiles);
void read_clicktos_section(manifest_reader& reader, std::string_view kind_header, shell::clickto_map& clicktos);

}
