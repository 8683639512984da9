#pragma once

#include "shell/documents/conversion_services.h"

#include <string>
#include <vector>

namespace shell::testing {

// Conversion services for tests: each call is recorded by name; files are copied for real,
// the generator's steps leave the text as it is, the HTML-lite body is the page's text and
// the text body the page's text without its tags.
class RecordingConversion final : public ConversionServices {
public:
    std::vector<std::string> calls;

    std::optional<std::string> copy_object_file(object_record& record, const std::string& folder) override;
    bool move_object_file(pullfile_record& record, const std::string& folder) override;
    bool update_picture_record(picture_record& record, const std::string& source, const std::string& text,
        std::int32_t pulled, const std::string& working_folder) override;
    bool update_flash_record(flash_record& record, const std::string& source, std::int32_t pulled,
        const std::string& working_folder) override;
    bool update_pullfile_record(pullfile_record& record, const std::string& picture_source,
        const std::string& picture_text, std::int32_t picture_pulled) override;
    bool update_clickto_record(pullfile_record& record, const std::string& source, std::int32_t pulled,
        const std::string& picture_source, const std::string& picture_text, std::int32_t picture_pulled,
        std::int32_t show_size, const std::string& working_folder) override;
    bool change_clickto_object(clickto_record& record, int number, const std::string& target,
        const std::string& text, const std::string& picture_source, const std::string& picture_text,
        std::int32_t picture_pulled, const std::string& working_folder) override;
    bool reset_object_record(pullfile_record& record) override;
    std::optional<std::string> write_clickto_page(std::string_view target, int page_number) override;
    std::optional<std::string> find_flash_movie(std::string_view object_text) override;
    bool replace_generated_text(std::string& text) override;
    std::optional<std::string> generate_meta_and_form(std::string_view page) override;
    std::optional<std::string> convert_file_for_aol(const std::string& path) override;
    std::optional<std::string> get_page_text(const std::string& url) override;
};

}
