#include "shell/documents/testing/recording_conversion.h"

#include "core/files/file_path.h"
#include "core/util/folders.h"

namespace shell::testing {

std::optional<std::string> RecordingConversion::copy_object_file(object_record& record, const std::string& folder)
{
    calls.push_back("copy_object_file " + record.title);
    record.copy_folder = folder;
    const auto copy = core::path_combine(folder, record.title);
    if (!core::file_path(record.source).copy_to(copy))
        return std::nullopt;
    return copy;
}

bool RecordingConversion::move_object_file(pullfile_record& record, const std::string&)
{
    calls.push_back("move_object_file " + record.file.title);
    return true;
}

bool RecordingConversion::update_picture_record(picture_record& record, const std::string& source,
    const std::string& text, std::int32_t pulled, const std::string&)
{
    calls.push_back("update_picture_record " + source);
    record.source = source;
    record.alternate_text = text;
    record.pulled = pulled;
    return true;
}

bool RecordingConversion::update_flash_record(flash_record& record, const std::string& source, std::int32_t pulled,
    const std::string&)
{
    calls.push_back("update_flash_record " + source);
    record.source = source;
    record.pulled = pulled;
    return true;
}

bool RecordingConversion::update_pullfile_record(pullfile_record& record, const std::string& picture_source,
    const std::string& picture_text, std::int32_t picture_pulled)
{
    calls.push_back("update_pullfile_record " + picture_source);
    record.picture = construct_picture_record_from_source(picture_source, picture_text, picture_pulled);
    return true;
}

bool RecordingConversion::update_clickto_record(pullfile_record& record, const std::string& source, std::int32_t,
    const std::string&, const std::string&, std::int32_t, std::int32_t, const std::string&)
{
    calls.push_back("update_clickto_record " + source);
    record.file.source = source;
    return true;
}

bool RecordingConversion::change_clickto_object(clickto_record& record, int, const std::string& target,
    const std::string&, const std::string&, const std::string&, std::int32_t, const std::string&)
{
    calls.push_back("change_clickto_object " + target);
    record.target = target;
    return true;
}

bool RecordingConversion::reset_object_record(pullfile_record& record)
{
    calls.push_back("reset_object_record " + record.file.title);
    record.picture = {};
    return true;
}

std::optional<std::string> RecordingConversion::write_clickto_page(std::string_view target, int page_number)
{
    calls.push_back("write_clickto_page " + std::string(target));
    return "/pages/clickto" + std::to_string(page_number) + "_.htm";
}

std::optional<std::string> RecordingConversion::find_flash_movie(std::string_view object_text)
{
    calls.push_back("find_flash_movie");
    const auto value = object_text.find("value=\"");
    if (value == std::string_view::npos)
        return std::nullopt;
    const auto end = object_text.find('"', value + 7);
    return std::string(object_text.substr(value + 7, end - value - 7));
}

bool RecordingConversion::replace_generated_text(std::string&)
{
    calls.push_back("replace_generated_text");
    return true;
}

std::optional<std::string> RecordingConversion::generate_meta_and_form(std::string_view page)
{
    calls.push_back("generate_meta_and_form");
    return std::string(page);
}

std::optional<std::string> RecordingConversion::convert_file_for_aol(const std::string& path)
{
    calls.push_back("convert_file_for_aol");
    return core::ReadFileToString(path);
}

std::optional<std::string> RecordingConversion::get_page_text(const std::string& url)
{
    calls.push_back("get_page_text");
    std::string text;
    bool in_tag = false;
    for (char c : core::ReadFileToString(url.substr(url.find("://") + 3))) {
        if (c == '<')
            in_tag = true;
        else if (c == '>')
            in_tag = false;
        else if (!in_tag)
            text += c;
    }
    return text;
}

}
