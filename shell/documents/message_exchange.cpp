// The document manager's side of opening and saving a message: the body-parts file, the
// object files between the message folder and the working folder, and the manifest.
#include "shell/documents/talverin_doc_manager.h"

#include "core/files/file_path.h"
#include "core/files/file_tree.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "core/markup/link_analyzer.h"
#include "core/url/file_url.h"
#include "core/util/folders.h"
#include "core/vocab/pull_placeholders.h"
#include "shell/app_context.h"
#include "shell/documents/body_parts.h"
#include "shell/documents/manifest.h"
#include "shell/objects/object_file_name.h"
#include "shell/objects/shell_text.h"

#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace shell {

namespace {

constexpr unsigned IDS_ATTACHMENTS_IN_USE = 242;

// A file copied onto a file (never into a folder of that name).
bool copy_file(const std::string& from, const std::string& to)
{
    const core::file_path target(to);
    return !target.is_directory() && core::file_path(from).copy_to(to, true) && target.exists();
}

// Every object record of a record map, with its nested ones: the pull file and its picture.
template <class Visit>
void each_object(object_maps& maps, Visit visit)
{
    for (auto& [id, record] : maps.pictures)
        visit(0, id, false, static_cast<object_record&>(record));
    for (auto& [id, record] : maps.flashfiles)
        visit(1, id, false, record);
    for (auto& [id, record] : maps.pullfiles) {
        visit(2, id, false, record.file);
        visit(2, id, true, static_cast<object_record&>(record.picture));
    }
    for (auto& [id, record] : maps.clicktos) {
        visit(3, id, false, record.file);
        visit(3, id, true, static_cast<object_record&>(record.picture));
    }
}

// The known record that stands for a referenced one (same kind, number and place).
object_record* known_twin(object_maps& known, int object_kind, std::int32_t id, bool picture_part)
{
    switch (object_kind) {
    case 0: {
        auto found = known.pictures.find(id);
        return found == known.pictures.end() ? nullptr : &found->second;
    }
    case 1: {
        auto found = known.flashfiles.find(id);
        return found == known.flashfiles.end() ? nullptr : &found->second;
    }
    case 2: {
        auto found = known.pullfiles.find(id);
        if (found == known.pullfiles.end())
            return nullptr;
        return picture_part ? static_cast<object_record*>(&found->second.picture) : &found->second.file;
    }
    default: {
        auto found = known.clicktos.find(id);
        if (found == known.clicktos.end())
            return nullptr;
        return picture_part ? static_cast<object_record*>(&found->second.picture) : &found->second.file;
    }
    }
}

bool travels(const object_record& record)
{
    return record.pulled == 0 && !record.source.empty();
}

}

class CTalverinDocManager::body_dictionary final : public core::marker_dictionary {
public:
    explicit body_dictionary(ObjectDictionary& dictionary) : dictionary_(dictionary) { }
    void remove_pull_file(int kind, int number) override { dictionary_.referenced(kind).pullfiles.erase(number); }
    void remove_click_to(int kind, int number) override { dictionary_.referenced(kind).clicktos.erase(number); }

private:
    ObjectDictionary& dictionary_;
};

void CTalverinDocManager::StripObjectMarkers(std::string& body, int kind)
{
    body_dictionary dictionary(dictionary_);
    core::strip_object_markers(body, kind, dictionary);
}

std::string CTalverinDocManager::body_source_file(int kind) const
{
    auto path = GetDocFileName(kind, true);
    return path.empty() || kind == 0 ? path : replace_extension(path, ".htm");
}

bool CTalverinDocManager::SaveBodyParts(const std::string& path) const
{
    std::array<std::optional<std::string>, 3> bodies;
    for (int kind = 0; kind < 3; ++kind) {
        auto file = body_source_file(kind);
        if (!file.empty() && core::file_path(file).exists())
            bodies[static_cast<std::size_t>(kind)] = core::ReadFileToString(file);
    }
    try {
        write_string_to_file(format_body_parts(bodies), path);
    } catch (const std::exception& e) {
        TRACE_LOG("CTalverinDocManager::SaveBodyParts() -- %s\n", e.what());
        return false;
    }
    return true;
}

std::optional<std::string> CTalverinDocManager::LoadBodyParts(const std::string& path)
{
    DeleteDocFiles();
    std::optional<std::string> html_page;
    for (int kind = 0; kind < 3; ++kind) {
        std::string text;
        if (!read_marked_section(path, kind, text))
            continue;
        const auto made = MakeDocFileName(kind);
        if (made.empty() || !SetDocFileName(kind, made))
            return std::nullopt;
        if (!conversion_.replace_generated_text(text)) {
            DeleteDocFile(kind);
            if (kind == 0)
                return std::nullopt;
            continue;
        }
        try {
            write_string_to_file(text, body_source_file(kind));
            if (kind == 0) {
                html_page = conversion_.generate_meta_and_form(text);
                if (!html_page) {
                    DeleteDocFile(kind);
                    return std::nullopt;
                }
                continue;
            }
            auto body = kind == 1 ? conversion_.convert_file_for_aol(body_source_file(kind))
                                  : conversion_.get_page_text(core::make_file_url(body_source_file(kind)));
            if (!body) {
                TRACE_LOG("CTalverinDocManager::LoadBodyParts() -- body of kind %d not made\n", kind);
                DeleteDocFile(kind);
                continue;
            }
            write_string_to_file(*body, made);
        } catch (const std::exception& e) {
            TRACE_LOG("CTalverinDocManager::LoadBodyParts() -- %s\n", e.what());
            DeleteDocFile(kind);
            if (kind == 0)
                return std::nullopt;
        }
    }
    return html_page.value_or(std::string());
}

bool CTalverinDocManager::warn_attachments_in_use(const std::string& pull_folder, const std::string& push_folder)
{
    const bool in_use = core::FolderHasLockedFile(pull_folder) || core::FolderHasLockedFile(push_folder);
    if (in_use && !attachments_in_use_)
        context_.services.ui.message_box(IDS_ATTACHMENTS_IN_USE, platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION);
    attachments_in_use_ = false;
    return in_use;
}

std::string CTalverinDocManager::dictionaries_folder() const
{
    return core::path_combine(context_.services.locations.data, "dictionaries");
}

bool CTalverinDocManager::open_dictionary(const std::string& pull_folder, const std::string& push_folder,
    const std::string& manifest_path)
{
    for (int kind = 0; kind < 3; ++kind) {
        dictionary_.ClearKnownDictionary(kind);
        dictionary_.ClearBodyDictionary(kind);
    }
    dictionary_.ClearPushFiles();
    bool complete = true;
    // Working copies made in this exchange: by source, and the names given.
    std::map<std::string, std::string> copies;
    std::set<std::string> given;
    for (int kind = 0; kind < 3; ++kind) {
        auto& known = dictionary_.known(kind);
        read_manifest(kind, pull_folder, push_folder, manifest_path, known, dictionary_.push_files(),
            context_.object_counters);
        each_object(known, [&](int, std::int32_t, bool, object_record& record) {
            if (!travels(record))
                return;
            const core::file_path source(record.source);
            const auto from = core::path_combine(source.parent_folder(), object_file_name(record.title));
            auto copied = copies.find(from);
            if (copied == copies.end()) {
                const auto name = free_file_name(object_file_name(source.file_name()), given);
                const auto to = core::path_combine(GetTempFolder(), name);
                // A working copy that holds the file's bytes already (the message was saved
                // from this working folder) is the copy: writing it again changes nothing.
                if (!core::same_file_bytes(from, to) && !copy_file(from, to)) {
                    TRACE_LOG("CTalverinDocManager::ExchangeDictionary() -- %s not copied\n", from.c_str());
                    complete = false;
                    return;
                }
                given.insert(file_name_key(name));
                copied = copies.emplace(from, to).first;
            }
            record.source = copied->second;
            record.copy_folder = GetTempFolder();
        });
        dictionary_.referenced(kind) = known;
    }
    for (auto& record : dictionary_.push_files()) {
        if (!record.copied && !make_working_copy(record, GetTempFolder())) {
            TRACE_LOG("CTalverinDocManager::ExchangeDictionary() -- push file %s not copied\n", record.path.c_str());
            complete = false;
        }
    }
    return complete;
}

bool CTalverinDocManager::save_dictionary(const std::string& pull_folder, const std::string& push_folder,
    const std::string& manifest_path)
{
    if (!core::file_path(pull_folder).create_folder() || !core::file_path(push_folder).create_folder())
        return false;
    // One file name per object file in the pull folder (case ignored); objects of one
    // source share it.
    std::map<std::string, std::string> names;
    std::set<std::string> given;
    for (int kind = 0; kind < 3; ++kind) {
        auto& known = dictionary_.known(kind);
        each_object(dictionary_.referenced(kind),
            [&](int object_kind, std::int32_t id, bool picture_part, object_record& record) {
            if (!travels(record))
                return;
            auto named = names.find(record.source);
            if (named == names.end()) {
                auto name = free_file_name(object_file_name(record.title), given);
                given.insert(file_name_key(name));
                named = names.emplace(record.source, name).first;
            }
            if (auto* twin = known_twin(known, object_kind, id, picture_part); twin && twin->source == record.source)
                twin->title = named->second;
            record.title = named->second;
        });
    }
    try {
        for (int kind = 0; kind < 3; ++kind)
            write_manifest(kind, manifest_path, dictionary_.referenced(kind), dictionary_.push_files(),
                context_.services.file_version);
    } catch (const std::exception& e) {
        TRACE_LOG("CTalverinDocManager::ExchangeDictionary() -- %s\n", e.what());
        return false;
    }
    bool complete = true;
    for (const auto& [source, name] : names) {
        auto from = source;
        if (!core::file_path(from).exists()) {
            // A download kept under its placeholder name lies under the plain name.
            core::file_path placeholder(from);
            auto file = placeholder.file_name();
            if (file.rfind(core::pull_placeholder_prefix, 0) == 0 && file.size() > core::pull_placeholder_prefix.size())
                from = core::path_combine(placeholder.parent_folder(),
                    file.substr(core::pull_placeholder_prefix.size(), file.size() - core::pull_placeholder_prefix.size() - 1));
        }
        if (!copy_file(from, core::path_combine(pull_folder, name))) {
            TRACE_LOG("CTalverinDocManager::ExchangeDictionary() -- %s not saved\n", from.c_str());
            complete = false;
        }
    }
    for (const auto& record : dictionary_.push_files()) {
        if (!copy_into_folder(record, push_folder)) {
            TRACE_LOG("CTalverinDocManager::ExchangeDictionary() -- push file %s not saved\n", record.path.c_str());
            complete = false;
        }
    }
    return complete;
}

bool CTalverinDocManager::ExchangeDictionary(int mode, const std::string& pull_folder, const std::string& push_folder,
    const std::string& manifest_path)
{
    return mode == 0 ? open_dictionary(pull_folder, push_folder, manifest_path)
                     : save_dictionary(pull_folder, push_folder, manifest_path);
}

}
