#include "shell/objects/object_records.h"

#include "core/files/path_parts.h"
#include "core/files/file_text.h"
#include "core/markup/html_tag.h"
#include "core/vocab/pull_placeholders.h"

#include <strings.h>

namespace shell {

void init_object_record(object_record& record, std::string_view source, std::int32_t pulled)
{
    record.source = std::string(source);
    record.pulled = pulled;
    const core::path_parts parts(source);
    const char* name = parts.name(true);
    record.title = name ? name : "";
    constexpr auto prefix = core::pull_placeholder_prefix;
    if (record.title.size() >= prefix.size() && ::strncasecmp(record.title.c_str(), prefix.data(), prefix.size()) == 0) {
        core::cstring_replace_all(record.title, prefix, "");
        if (!record.title.empty())
            record.title.pop_back();
    }
}

object_record construct_object_record_from_source(std::string_view source, std::int32_t pulled)
{
    object_record record;
    init_object_record(record, source, pulled);
    return record;
}

flash_record construct_flash_record_from_source(std::string_view source, std::int32_t pulled)
{
    return construct_object_record_from_source(source, pulled);
}

picture_record construct_picture_record_from_source(std::string_view source, std::string_view alternate_text,
    std::int32_t pulled)
{
    picture_record record;
    init_object_record(record, source, pulled);
    record.alternate_text = std::string(alternate_text);
    return record;
}

pullfile_record construct_pullfile_record_from_source(std::string_view pull_source, std::int32_t pull_pulled,
    std::string_view picture_source, std::string_view picture_text, std::int32_t picture_pulled,
    std::int32_t show_size)
{
    return {construct_object_record_from_source(pull_source, pull_pulled),
        construct_picture_record_from_source(picture_source, picture_text, picture_pulled), show_size};
}

pullfile_record construct_pullfile_record_from_link(std::string_view source, std::int32_t pulled)
{
    return {construct_object_record_from_source(source, pulled), {}, 0};
}

clickto_record construct_clickto_record_from_target(bool make_page, std::string_view target,
    std::string_view picture_source, std::string_view picture_text, std::int32_t picture_pulled, int page_number,
    const clickto_page_writer& write_page)
{
    const std::string source = make_page ? write_page(target, page_number) : std::string(target);
    clickto_record record;
    static_cast<pullfile_record&>(record)
        = construct_pullfile_record_from_source(source, 0, picture_source, picture_text, picture_pulled, 0);
    record.target = std::string(core::trim_view(target));
    return record;
}

clickto_record construct_clickto_record_from_link(std::string_view source, std::int32_t pulled)
{
    clickto_record record;
    static_cast<pullfile_record&>(record) = construct_pullfile_record_from_link(source, pulled);
    record.target = std::string(source);
    return record;
}

}
