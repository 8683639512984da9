#pragma once

#include "shell/objects/object_records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace shell {

// What the object dictionary and the body-parts loader ask of message conversion and of the
// off-screen page loader. Every operation answers whether it did its work; a failed one
// has changed nothing the caller relies on.
class ConversionServices {
public:
    virtual ~ConversionServices() = default;

    // Records the folder in the record and copies the object's file there; the copy's path.
    virtual std::optional<std::string> copy_object_file(object_record& record, const std::string& folder) = 0;
    // Copies a pull file's or click-to's files into the folder, then deletes the earlier ones.
    virtual bool move_object_file(pullfile_record& record, const std::string& folder) = 0;
    virtual bool update_picture_record(picture_record& record, const std::string& source, const std::string& text,
        std::int32_t pulled, const std::string& working_folder) = 0;
    virtual bool update_flash_record(flash_record& record, const std::string& source, std::int32_t pulled,
        const std::string& working_folder) = 0;
    // The companion picture of a pull file or click-to.
    virtual bool update_pullfile_record(pullfile_record& record, const std::string& picture_source,
        const std::string& picture_text, std::int32_t picture_pulled) = 0;
    virtual bool update_clickto_record(pullfile_record& record, const std::string& source, std::int32_t pulled,
        const std::string& picture_source, const std::string& picture_text, std::int32_t picture_pulled,
        std::int32_t show_size, const std::string& working_folder) = 0;
    // A click-to (its number given) to a new target and picture; the link text is not kept.
    virtual bool change_clickto_object(clickto_record& record, int number, const std::string& target,
        const std::string& text, const std::string& picture_source, const std::string& picture_text,
        std::int32_t picture_pulled, const std::string& working_folder) = 0;
    // Clears the companion picture; the title becomes the object's marked text.
    virtual bool reset_object_record(pullfile_record& record) = 0;
    // The click-to page for a target; its path.
    virtual std::optional<std::string> write_clickto_page(std::string_view target, int page_number) = 0;
    // The movie of an OBJECT element's text: its first PARAM named Movie or Src.
    virtual std::optional<std::string> find_flash_movie(std::string_view object_text) = 0;
    // The generator's replacement step on a loaded body, in place.
    virtual bool replace_generated_text(std::string& text) = 0;
    // The page rewritten for output: the generator's version, the form wrapper left out.
    virtual std::optional<std::string> generate_meta_and_form(std::string_view page) = 0;
    // The HTML-lite body made from an HTML file.
    virtual std::optional<std::string> convert_file_for_aol(const std::string& path) = 0;
    // The body text of a page, as the off-screen page loader reads it.
    virtual std::optional<std::string> get_page_text(const std::string& url) = 0;
};

}
