#include "shell/documents/conversion_binding.h"

#include "conversion/bodies/aol_conversion.h"
#include "conversion/objects/clickto_page.h"
#include "conversion/objects/object_files.h"
#include "conversion/vocabulary/object_markup.h"
#include "conversion/vocabulary/page_forms.h"
#include "conversion/vocabulary/replace_comments.h"
#include "core/log/trace_log.h"
#include "core/util/strings.h"
#include "shell/documents/program_body_passes.h"

namespace shell {

namespace {

// An operation of message conversion that this build does not have.
bool not_built(const char* operation)
{
    TRACE_LOG("ConversionBinding::%s() -- not built: the step fails\n", operation);
    return false;
}

// Runs a conversion step; a failure is traced with its reason and answered false.
template <class Step>
bool done(const char* operation, Step&& step)
{
    try {
        step();
        return true;
    } catch (const std::exception& e) {
        TRACE_LOG("ConversionBinding::%s() -- %s\n", operation, e.what());
        return false;
    }
}

}

std::optional<std::string> ConversionBinding::copy_object_file(object_record& record, const std::string& folder)
{
    std::optional<std::string> copy;
    if (!done("copy_object_file", [&] { copy = conversion::copy_object_file(record, folder); }))
        return std::nullopt;
    return copy;
}

bool ConversionBinding::move_object_file(pullfile_record& record, const std::string& folder)
{
    return done("move_object_file", [&] { conversion::move_object_file(record, folder); });
}

bool ConversionBinding::update_picture_record(picture_record& record, const std::string& source,
    const std::string& text, std::int32_t pulled, const std::string& working_folder)
{
    return done("update_picture_record",
        [&] { conversion::update_picture_record(record, source, text, pulled, working_folder); });
}

bool ConversionBinding::update_flash_record(flash_record& record, const std::string& source, std::int32_t pulled,
    const std::string& working_folder)
{
    return done("update_flash_record", [&] { conversion::update_flash_record(record, source, pulled, working_folder); });
}

bool ConversionBinding::update_pullfile_record(pullfile_record& record, const std::string& picture_source,
    const std::string& picture_text, std::int32_t picture_pulled)
{
    return done("update_pullfile_record",
        [&] { conversion::update_pullfile_record(record, picture_source, picture_text, picture_pulled); });
}

bool ConversionBinding::update_clickto_record(pullfile_record& record, const std::string& source,
    std::int32_t pulled, const std::string& picture_source, const std::string& picture_text,
    std::int32_t picture_pulled, std::int32_t show_size, const std::string& working_folder)
{
    return done("update_clickto_record", [&] {
        conversion::update_clickto_record(record, source, pulled, picture_source, picture_text, picture_pulled,
            show_size, working_folder);
    });
}

bool ConversionBinding::change_clickto_object(clickto_record& record, int number, const std::string& target,
    const std::string&, const std::string& picture_source, const std::string& picture_text,
    std::int32_t picture_pulled, const std::string& working_folder)
{
    return done("change_clickto_object", [&] {
        conversion::change_clickto_object(record, number, target, picture_source, picture_text, picture_pulled,
            working_folder, [this](std::string_view line, int page_number) {
                return conversion::write_clickto_page(line, page_number, page_texts());
            });
    });
}

bool ConversionBinding::reset_object_record(pullfile_record& record)
{
    conversion::reset_object_record(record);
    return true;
}

std::optional<std::string> ConversionBinding::write_clickto_page(std::string_view target, int page_number)
{
    std::optional<std::string> page;
    if (!done("write_clickto_page", [&] { page = conversion::write_clickto_page(target, page_number, page_texts()); }))
        return std::nullopt;
    return page;
}

conversion::clickto_page_texts ConversionBinding::page_texts() const
{
    return {display_delay_ ? display_delay_() : 1, core::load_string_resource(IDS_CLICKTO_WAIT),
        core::load_string_resource(IDS_CLICKTO_TO_LOAD)};
}

std::optional<std::string> ConversionBinding::find_flash_movie(std::string_view object_text)
{
    auto movie = conversion::find_flash_movie(object_text, 0);
    if (movie.empty())
        return std::nullopt;
    return movie;
}

bool ConversionBinding::replace_generated_text(std::string& text)
{
    // Without the message's pull folder the pull-size comments keep the sizes they were saved with.
    conversion::refreshReplaceComments(text, std::nullopt);
    return true;
}

std::optional<std::string> ConversionBinding::generate_meta_and_form(std::string_view page)
{
    std::string loaded(page);
    conversion::read_page_forms(loaded);
    return loaded;
}

std::optional<std::string> ConversionBinding::convert_file_for_aol(const std::string& path)
{
    ProgramBodyPasses passes(page_services_);
    std::optional<std::string> body;
    if (!done("convert_file_for_aol", [&] { body = conversion::convert_file_for_aol(path, passes); }))
        return std::nullopt;
    return body;
}

std::optional<std::string> ConversionBinding::get_page_text(const std::string& url)
{
    if (!page_services_) {
        not_built("get_page_text");
        return std::nullopt;
    }
    std::string text;
    if (editing::get_page_text(*page_services_, url, text) != 0) {
        TRACE_LOG("ConversionBinding::get_page_text() -- %s could not be read\n", url.c_str());
        return std::nullopt;
    }
    return text;
}

}
