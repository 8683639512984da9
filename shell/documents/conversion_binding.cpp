#include "shell/documents/conversion_binding.h"

#include "conversion/vocabulary/object_markup.h"
#include "conversion/vocabulary/page_forms.h"
#include "conversion/vocabulary/replace_comments.h"
#include "core/log/trace_log.h"

namespace shell {

namespace {

// An operation of message conversion that this build does not have.
bool not_built(const char* operation)
{
    TRACE_LOG("ConversionBinding::%s() -- not built: the step fails\n", operation);
    return false;
}

}

std::optional<std::string> ConversionBinding::copy_object_file(object_record&, const std::string&)
{
    not_built("copy_object_file");
    return std::nullopt;
}

bool ConversionBinding::move_object_file(pullfile_record&, const std::string&)
{
    return not_built("move_object_file");
}

bool ConversionBinding::update_picture_record(picture_record&, const std::string&, const std::string&, std::int32_t,
    const std::string&)
{
    return not_built("update_picture_record");
}

bool ConversionBinding::update_flash_record(flash_record&, const std::string&, std::int32_t, const std::string&)
{
    return not_built("update_flash_record");
}

bool ConversionBinding::update_pullfile_record(pullfile_record&, const std::string&, const std::string&, std::int32_t)
{
    return not_built("update_pullfile_record");
}

bool ConversionBinding::update_clickto_record(pullfile_record&, const std::string&, std::int32_t, const std::string&,
    const std::string&, std::int32_t, std::int32_t, const std::string&)
{
    return not_built("update_clickto_record");
}

bool ConversionBinding::change_clickto_object(clickto_record&, const std::string&, const std::string&,
    const std::string&, const std::string&, std::int32_t, const std::string&)
{
    return not_built("change_clickto_object");
}

bool ConversionBinding::reset_object_record(pullfile_record&)
{
    return not_built("reset_object_record");
}

std::optional<std::string> ConversionBinding::write_clickto_page(std::string_view, int)
{
    not_built("write_clickto_page");
    return std::nullopt;
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

std::optional<std::string> ConversionBinding::convert_file_for_aol(const std::string&)
{
    not_built("convert_file_for_aol");
    return std::nullopt;
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
