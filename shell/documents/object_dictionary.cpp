#include "shell/documents/object_dictionary.h"

#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "core/url/url_text.h"
#include "core/vocab/pull_placeholders.h"
#include "shell/objects/object_file_name.h"

#include <algorithm>

namespace shell {

namespace {

const char* found_word(bool found)
{
    return found ? "" : "not";
}

std::string attribute(const core::CHTMLTag& element, std::string_view name)
{
    std::string value;
    element.GetAttributes().GetValue(name, value);
    return value;
}

std::int32_t pulled_flag(std::string_view source)
{
    return core::IsFileLink(source) ? 1 : 0;
}

bool is_separator(char c)
{
    return c == '/' || c == '\\';
}

// The text stands in the path as whole components: it starts the path or follows a
// separator, and ends it or is followed by one ("a.gif" is in "/p/a.gif", not in "/p/banana.gif").
bool holds_components(std::string_view path, std::string_view text)
{
    if (text.empty())
        return false;
    for (auto at = path.find(text); at != std::string_view::npos; at = path.find(text, at + 1)) {
        const auto end = at + text.size();
        if ((at == 0 || is_separator(path[at - 1])) && (end == path.size() || is_separator(path[end])))
            return true;
    }
    return false;
}

template <class Record>
void store(std::map<std::int32_t, Record>& map, std::int32_t id, const Record& record)
{
    map.insert_or_assign(id, record);
}

}

ObjectDictionary::ObjectDictionary(ConversionServices& conversion, std::string working_folder)
    : conversion_(conversion), working_folder_(std::move(working_folder))
{
}

ObjectDictionary::~ObjectDictionary()
{
    ClearPushFiles();
}

std::string ObjectDictionary::resolve_object_source(const std::string& source) const
{
    if (source.empty())
        return source;
    auto resolved = core::StripQueryString(source);
    if (resolved.find_first_of("/\\:") == std::string::npos)
        resolved = core::path_combine(working_folder_, object_file_name(resolved));
    return resolved;
}

std::optional<picture_record> ObjectDictionary::UpdatePicture(int kind, const std::string& source,
    const std::string& text, std::int32_t pulled, std::int32_t id)
{
    auto& pictures = known(kind).pictures;
    auto found = pictures.find(id);
    if (found == pictures.end()) {
        auto record = construct_picture_record_from_source(source, text, pulled);
        if (pulled == 0 && !conversion_.copy_object_file(record, working_folder_))
            return std::nullopt;
        store(pictures, id, record);
        return record;
    }
    if (!conversion_.update_picture_record(found->second, resolve_object_source(source), text, pulled, working_folder_))
        return std::nullopt;
    return found->second;
}

std::optional<flash_record> ObjectDictionary::UpdateFlashFile(int kind, const std::string& source,
    std::int32_t pulled, std::int32_t id)
{
    auto& flashfiles = known(kind).flashfiles;
    auto found = flashfiles.find(id);
    if (found == flashfiles.end()) {
        auto record = construct_flash_record_from_source(source, pulled);
        if (pulled == 0 && !conversion_.copy_object_file(record, working_folder_))
            return std::nullopt;
        store(flashfiles, id, record);
        return record;
    }
    if (!conversion_.update_flash_record(found->second, resolve_object_source(source), pulled, working_folder_))
        return std::nullopt;
    return found->second;
}

std::optional<pullfile_record> ObjectDictionary::UpdatePullFile(int kind, const std::string& source,
    std::int32_t pulled, const std::string& picture_source, const std::string& picture_text,
    std::int32_t picture_pulled, std::int32_t show_size, std::int32_t id)
{
    auto& pullfiles = known(kind).pullfiles;
    auto found = pullfiles.find(id);
    if (found == pullfiles.end()) {
        auto record = construct_pullfile_record_from_source(source, pulled, picture_source, picture_text,
            picture_pulled, show_size);
        if (!conversion_.copy_object_file(record.file, working_folder_))
            return std::nullopt;
        if (picture_pulled == 0 && !conversion_.copy_object_file(record.picture, working_folder_))
            return std::nullopt;
        store(pullfiles, id, record);
        return record;
    }
    if (!conversion_.update_clickto_record(found->second, resolve_object_source(source), pulled,
            resolve_object_source(picture_source), picture_text, picture_pulled, show_size, working_folder_))
        return std::nullopt;
    return found->second;
}

std::optional<clickto_record> ObjectDictionary::UpdateClickTo(int kind, const std::string& text,
    const std::string& target, const std::string& picture_source, const std::string& picture_text,
    std::int32_t picture_pulled, std::int32_t id)
{
    auto& clicktos = known(kind).clicktos;
    auto found = clicktos.find(id);
    if (found == clicktos.end()) {
        bool page_written = true;
        auto record = construct_clickto_record_from_target(true, target, picture_source, picture_text, picture_pulled,
            id, [&](std::string_view line, int number) {
                auto page = conversion_.write_clickto_page(line, number);
                page_written = page.has_value();
                return page.value_or(std::string());
            });
        if (!page_written || !conversion_.move_object_file(record, working_folder_))
            return std::nullopt;
        store(clicktos, id, record);
        return record;
    }
    if (!conversion_.change_clickto_object(found->second, id, target, text, picture_source, picture_text, picture_pulled,
            working_folder_))
        return std::nullopt;
    return found->second;
}

bool ObjectDictionary::CopyPictureFromKnown(int kind, std::int32_t id, picture_map& target)
{
    const auto& pictures = known(kind).pictures;
    auto found = pictures.find(id);
    TRACE_LOG("Picture object id=%d was %s found in Dictionary\n", id, found_word(found != pictures.end()));
    if (found == pictures.end())
        return false;
    TRACE_LOG("Picture's title: %s\n", found->second.title.c_str());
    store(target, id, found->second);
    return true;
}

bool ObjectDictionary::CopyPictureBySourceFromKnown(int kind, std::string_view source, picture_map& target)
{
    const auto& pictures = known(kind).pictures;
    auto found = std::find_if(pictures.begin(), pictures.end(), [&](const auto& entry) { return entry.second.source == source; });
    if (found == pictures.end()) {
        found = std::find_if(pictures.begin(), pictures.end(),
            [&](const auto& entry) { return holds_components(entry.second.source, source); });
    }
    const bool known_here = found != pictures.end();
    TRACE_LOG("Picture object id=%d was %s found in Dictionary\n", known_here ? found->first : 0, found_word(known_here));
    if (!known_here)
        return false;
    TRACE_LOG("Picture's title: %s\n", found->second.title.c_str());
    store(target, found->first, found->second);
    return true;
}

bool ObjectDictionary::CopyFlashFromKnown(int kind, std::int32_t id, flash_map& target)
{
    const auto& flashfiles = known(kind).flashfiles;
    auto found = flashfiles.find(id);
    TRACE_LOG("Flashfile object id=%d was %s found in Dictionary\n", id, found_word(found != flashfiles.end()));
    if (found == flashfiles.end())
        return false;
    TRACE_LOG("Flashfile's pull source: %s\n", found->second.source.c_str());
    store(target, id, found->second);
    return true;
}

template <class Record>
bool ObjectDictionary::copy_linked_from_known(const std::map<std::int32_t, Record>& known_map, const char* word,
    std::int32_t id, std::map<std::int32_t, Record>& target, bool link)
{
    auto found = known_map.find(id);
    TRACE_LOG("%s object id=%d was %s found in Dictionary\n", word, id, found_word(found != known_map.end()));
    if (found == known_map.end())
        return false;
    TRACE_LOG("%s's title: %s; Picture's title: %s\n", word, found->second.file.title.c_str(),
        found->second.picture.title.c_str());
    auto record = found->second;
    if (link && !conversion_.reset_object_record(record))
        return false;
    store(target, id, record);
    return true;
}

bool ObjectDictionary::CopyPullFileFromKnown(int kind, std::int32_t id, pullfile_map& target, bool link)
{
    return copy_linked_from_known(known(kind).pullfiles, "Pullfile", id, target, link);
}

bool ObjectDictionary::CopyClickToFromKnown(int kind, std::int32_t id, clickto_map& target, bool link)
{
    return copy_linked_from_known(known(kind).clicktos, "Clickto", id, target, link);
}

void ObjectDictionary::AddPicture(int kind, std::int32_t id, picture_map& target, const core::CHTMLTag& element,
    bool also_known)
{
    std::string source;
    if (!element.GetAttributes().GetValue("SRC", source) && !element.GetAttributes().GetValue("BACKGROUND", source))
        return;
    TRACE_LOG("Adding new picture into dictionary.\n");
    if (target.count(id) != 0)
        id = std::max(id, target.rbegin()->first) + 1;
    const auto record = construct_picture_record_from_source(source, attribute(element, "ALT"), pulled_flag(source));
    store(target, id, record);
    if (also_known)
        store(known(kind).pictures, id, record);
}

void ObjectDictionary::AddFlashFromObject(int kind, std::string_view object_text, std::int32_t id, flash_map& target,
    bool also_known)
{
    auto movie = conversion_.find_flash_movie(object_text);
    if (!movie)
        return;
    TRACE_LOG("Adding new flashfile into dictionary.\n");
    const auto record = construct_flash_record_from_source(*movie, pulled_flag(*movie));
    store(target, id, record);
    if (also_known)
        store(known(kind).flashfiles, id, record);
}

void ObjectDictionary::AddFlashFromLink(int kind, std::int32_t id, flash_map& target, const core::CHTMLTag& element,
    bool also_known)
{
    std::string source;
    if (!element.GetAttributes().GetValue("HREF", source))
        return;
    TRACE_LOG("Adding new flashfile into dictionary.\n");
    const auto record = construct_flash_record_from_source(source, pulled_flag(source));
    store(target, id, record);
    if (also_known)
        store(known(kind).flashfiles, id, record);
}

template <class Record>
std::optional<std::string> ObjectDictionary::linked_source(int kind, std::int32_t id,
    std::map<std::int32_t, Record>& target, const core::CHTMLTag& element, bool also_known, const char* word)
{
    const auto& name = element.GetName();
    const bool link = core::equal_ignoring_case(name, "A") || core::equal_ignoring_case(name, "AREA");
    const bool sound = core::equal_ignoring_case(name, "BGSOUND");
    const auto& attributes = element.GetAttributes();
    std::string source;
    if (link)
        return attributes.GetValue("HREF", source) ? std::optional(source) : std::nullopt;
    if (sound) {
        if (attributes.GetValue("quorbis_src_bgsound", source) || attributes.GetValue("src", source))
            return source;
        return std::nullopt;
    }
    // The picture inside a pull-file link completes the entry the link made.
    if (!core::equal_ignoring_case(name, "IMG") || !attributes.GetValue("SRC", source))
        return std::nullopt;
    auto entry = target.find(id);
    if (entry == target.end())
        return std::nullopt;
    TRACE_LOG("Adding new %s's picture into dictionary.\n", word);
    if (!conversion_.update_pullfile_record(entry->second, source, attribute(element, "ALT"), pulled_flag(source)))
        return std::nullopt;
    if (also_known) {
        if constexpr (std::is_same_v<Record, clickto_record>)
            store(known(kind).clicktos, id, entry->second);
        else
            store(known(kind).pullfiles, id, entry->second);
    }
    return std::nullopt;
}

void ObjectDictionary::AddPullFile(int kind, std::int32_t id, pullfile_map& target, const core::CHTMLTag& element,
    bool also_known)
{
    auto source = linked_source(kind, id, target, element, also_known, "pullfile");
    if (!source)
        return;
    TRACE_LOG("Adding new pullfile into dictionary.\n");
    const auto record = construct_pullfile_record_from_link(*source, pulled_flag(*source));
    store(target, id, record);
    if (also_known)
        store(known(kind).pullfiles, id, record);
}

void ObjectDictionary::AddClickTo(int kind, std::int32_t id, clickto_map& target, const core::CHTMLTag& element,
    bool also_known)
{
    auto source = linked_source(kind, id, target, element, also_known, "clickto");
    if (!source)
        return;
    TRACE_LOG("Adding new clickto into dictionary.\n");
    const auto record = construct_clickto_record_from_link(*source, pulled_flag(*source));
    store(target, id, record);
    if (also_known)
        store(known(kind).clicktos, id, record);
}

std::optional<std::string> ObjectDictionary::known_link_source(int kind, int object_kind, std::int32_t id)
{
    const auto& maps = known(kind);
    if (object_kind == 2) {
        auto found = maps.pullfiles.find(id);
        return found == maps.pullfiles.end() ? std::nullopt : std::optional(found->second.file.source);
    }
    if (object_kind == 3) {
        auto found = maps.clicktos.find(id);
        return found == maps.clicktos.end() ? std::nullopt : std::optional(found->second.file.source);
    }
    return std::nullopt;
}

void ObjectDictionary::CollectReferencedObjects(int kind, std::string_view body)
{
    auto& to = referenced(kind);
    to = {};
    const auto& from = known(kind);
    auto placed = [&](const std::string& title) {
        return body.find(std::string(core::pull_placeholder_prefix) + title + "]") != std::string_view::npos;
    };
    for (const auto& [id, record] : from.pictures) {
        if (placed(record.title))
            store(to.pictures, id, record);
    }
    for (const auto& [id, record] : from.flashfiles) {
        if (placed(record.title))
            store(to.flashfiles, id, record);
    }
    for (const auto& [id, record] : from.pullfiles) {
        if (placed(record.file.title))
            store(to.pullfiles, id, record);
    }
    for (const auto& [id, record] : from.clicktos) {
        if (placed(record.file.title))
            store(to.clicktos, id, record);
    }
}

void ObjectDictionary::CopyDictionaryFromHtml(int kind)
{
    // A copy first: for the HTML kind itself the source is one of the sets emptied.
    const object_maps html = known(0);
    known(kind) = html;
    referenced(kind) = html;
    if (kind == 0)
        return;
    auto& to = referenced(kind);
    for (auto& [id, record] : to.pullfiles) {
        if (!conversion_.reset_object_record(record))
            TRACE_LOG("ObjectDictionary::CopyDictionaryFromHtml() -- pull file %d keeps its picture\n", id);
    }
    for (auto& [id, record] : to.clicktos) {
        if (!conversion_.reset_object_record(record))
            TRACE_LOG("ObjectDictionary::CopyDictionaryFromHtml() -- click-to %d keeps its picture\n", id);
    }
}

void ObjectDictionary::ClearPushFiles()
{
    for (auto& record : push_files_)
        remove_working_copy(record);
    push_files_.clear();
}

}
