#pragma once

#include "core/vocab/object_kinds.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace shell {

using core::object_kind_from_name;
using core::parse_object_id;

// The records the object dictionary keeps for object kinds 0 to 3 and the manifest writes
// field by field; the field order is part of that format.

// An object's file (a Flash file's record is exactly this).
struct object_record {
    std::string title;       // the file-name part of the source
    std::int32_t pulled = 0; // 0: the file travels with the message; else it stays at its source address
    std::string source;      // a path or an address
    std::string copy_folder; // where the file was last copied; empty until then

    bool operator==(const object_record&) const = default;
};
using flash_record = object_record;

struct picture_record : object_record {
    std::string alternate_text;

    bool operator==(const picture_record&) const = default;
};

// A pull file and the picture that shows its link.
struct pullfile_record {
    object_record file;
    picture_record picture;
    std::int32_t show_size = 0;

    bool operator==(const pullfile_record&) const = default;
};

// A click-to: its page as a pull file, its picture, and the target line.
struct clickto_record : pullfile_record {
    std::string target;

    bool operator==(const clickto_record&) const = default;
};

// One document kind's records of each object kind, by object number.
using picture_map = std::map<std::int32_t, picture_record>;
using flash_map = std::map<std::int32_t, flash_record>;
using pullfile_map = std::map<std::int32_t, pullfile_record>;
using clickto_map = std::map<std::int32_t, clickto_record>;

struct object_maps {
    picture_map pictures;
    flash_map flashfiles;
    pullfile_map pullfiles;
    clickto_map clicktos;

    bool empty() const { return pictures.empty() && flashfiles.empty() && pullfiles.empty() && clicktos.empty(); }
    friend bool operator==(const object_maps&, const object_maps&) = default;
};

// Stores source and flag; the title becomes the source's file name. A title that begins
// with "[pull name=" (any case) loses every "[pull name=" and its last character, so a
// placeholder source gives the plain file name. The copy folder is left as it is.
void init_object_record(object_record& record, std::string_view source, std::int32_t pulled);

// Records with empty texts and zero numbers, nested records included.
inline object_record construct_object_record() { return {}; }
inline flash_record construct_flash_record() { return {}; }
inline picture_record construct_picture_record() { return {}; }
inline pullfile_record construct_pullfile_record() { return {}; }
inline clickto_record construct_clickto_record() { return {}; }

object_record construct_object_record_from_source(std::string_view source, std::int32_t pulled);
flash_record construct_flash_record_from_source(std::string_view source, std::int32_t pulled);
picture_record construct_picture_record_from_source(std::string_view source, std::string_view alternate_text,
    std::int32_t pulled);
// The pull file from its source and flag, the companion picture from its source, text and
// flag, and the show-size flag.
pullfile_record construct_pullfile_record_from_source(std::string_view pull_source, std::int32_t pull_pulled,
    std::string_view picture_source, std::string_view picture_text, std::int32_t picture_pulled,
    std::int32_t show_size);
// A pull file linked without a picture.
pullfile_record construct_pullfile_record_from_link(std::string_view source, std::int32_t pulled);

// Writes the click-to page for a target line and page number; answers the page's path.
using clickto_page_writer = std::function<std::string(std::string_view target, int page_number)>;

// With make_page the page written for the target line is the click-to's file, else the
// target line itself; the file is never pulled. The target is kept trimmed of white space.
clickto_record construct_clickto_record_from_target(bool make_page, std::string_view target,
    std::string_view picture_source, std::string_view picture_text, std::int32_t picture_pulled, int page_number,
    const clickto_page_writer& write_page);
// A click-to linked straight to its source, which is also its target.
clickto_record construct_clickto_record_from_link(std::string_view source, std::int32_t pulled);

inline std::string get_object_title(const object_record& record) { return record.title; }
inline std::string get_object_source(const object_record& record) { return record.source; }

}
