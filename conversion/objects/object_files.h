#pragma once

#include "conversion/objects/clickto_page.h"
#include "shell/objects/object_records.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace conversion {

// A file of a message object that could not be placed; the message names the file. The
// record it was meant for is left as it was.
class object_file_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The name an object's file is kept under: the file name of the source (a pull placeholder
// taken off), each of blank & % # ^ { } ` ] [ as "_", made one safe path component; an
// empty one is "untitled" and the identity in hex.
std::string stored_object_name(std::string_view source, std::uintptr_t identity);

// Names the record and places its file in the folder as "[pull name=<name>]", unless the
// record is pulled (its file stays where it is). A name already taken there by another file
// gets "_2", "_3"... before its extension, so two objects never share a copy. The copy is
// checked (size) before the record is changed. The record's file path afterwards (empty for
// a record without one). Throws object_file_error, the record unchanged, when the copy fails.
std::string copy_object_file(shell::object_record& record, const std::string& folder);

// Places the pull file's file, and its picture unless that is pulled, in the folder, then
// deletes the earlier file, but only when it was copied elsewhere. On failure nothing is
// deleted and the record is unchanged.
void move_object_file(shell::pullfile_record& record, const std::string& folder);

// A downloaded file becomes the record's file: the path, and the file's name (the name inside
// a pull placeholder) trimmed as the title.
void set_object_file(shell::object_record& record, const std::string& path);

// The pull file's companion picture emptied.
void reset_object_record(shell::pullfile_record& record);

// New properties of an object. A new source (a file URL read as its path, a bare name as a
// file in the folder), or a pulled object that now travels, takes the source and is placed in
// the folder unless it stays pulled. Each throws object_file_error, the record unchanged, when
// a file cannot be placed.
void update_picture_record(shell::picture_record& record, const std::string& source, const std::string& text,
    std::int32_t pulled, const std::string& folder);
void update_flash_record(shell::flash_record& record, const std::string& source, std::int32_t pulled,
    const std::string& folder);
// The companion picture, placed in the pull file's own folder (none yet: not placed).
void update_pullfile_record(shell::pullfile_record& record, const std::string& picture_source,
    const std::string& picture_text, std::int32_t picture_pulled);
// The pull file, its picture and its show-size flag.
void update_clickto_record(shell::pullfile_record& record, const std::string& source, std::int32_t pulled,
    const std::string& picture_source, const std::string& picture_text, std::int32_t picture_pulled,
    std::int32_t show_size, const std::string& folder);

// Writes the click-to page for a target and number; its path.
using clickto_page_maker = std::function<std::string(std::string_view target, int number)>;

// A click-to's new target (trimmed) and picture. The same target keeps the page; a new one
// gets a new page placed in the folder. The earlier page is kept: copies of the record
// elsewhere may still use it, and it goes with the folder.
void change_clickto_object(shell::clickto_record& record, int number, const std::string& target,
    const std::string& picture_source, const std::string& picture_text, std::int32_t picture_pulled,
    const std::string& folder, const clickto_page_maker& write_page);

}
