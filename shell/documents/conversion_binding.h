#pragma once

#include "conversion/objects/clickto_page.h"
#include "editing/site/page_loader.h"
#include "shell/documents/conversion_services.h"

#include <functional>
#include <optional>

namespace shell {

inline constexpr unsigned IDS_CLICKTO_WAIT = 33154;    // "Please wait for page"
inline constexpr unsigned IDS_CLICKTO_TO_LOAD = 33155; // "to load..."

// The program's conversion services as far as they exist: page text through the off-screen
// page loader, when one is given; object files and click-to pages; the generator's replacement
// step, the wrapper form taken out of a loaded page and a Flash object's movie through the
// markup vocabulary; the HTML-lite body through the AOL conversion, whose page passes need
// the page loader. A failed step is traced with its reason.
class ConversionBinding final : public ConversionServices {
public:
    // display_delay: the seconds a click-to page waits before it sends the reader on (the
    // active configuration's; 1 when none is given).
    explicit ConversionBinding(std::optional<editing::page_services> page_services,
        std::function<int()> display_delay = {})
        : page_services_(std::move(page_services)), display_delay_(std::move(display_delay))
    {
    }

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

private:
    conversion::clickto_page_texts page_texts() const;

    std::optional<editing::page_services> page_services_;
    std::function<int()> display_delay_;
};

}
