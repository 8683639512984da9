#include "conversion/objects/object_files.h"

#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "core/markup/html_tag.h"
#include "core/url/file_url.h"
#include "core/util/strings.h"
#include "core/vocab/pull_placeholders.h"
#include "shell/objects/object_file_name.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace conversion {

namespace {

std::uintptr_t identity_of(const void* record)
{
    return reinterpret_cast<std::uintptr_t>(record);
}

bool same_file(const std::string& a, const std::string& b)
{
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev
        && first.st_ino == second.st_ino;
}

bool exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// A source as a local path: a file URL as its path, a bare name as a file in the folder.
std::string local_source(const std::string& source, const std::string& folder)
{
    if (core::starts_with_ignoring_case(source, "file:"))
        return core::FileUrlToPath(core::DecodeUrlEscapes(source));
    if (!folder.empty() && !source.empty() && source.find_first_of("/\\:") == std::string::npos)
        return core::path_combine(folder, source);
    return source;
}

// "name_2.ext" for the second object of a name.
std::string numbered_name(const std::string& name, int number)
{
    auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        dot = name.size();
    return name.substr(0, dot) + "_" + std::to_string(number) + name.substr(dot);
}

void copy_verified(const std::string& source, const std::string& target)
{
    struct stat from {};
    struct stat to {};
    bool copied = core::file_path(source).copy_to(target, false) && ::stat(source.c_str(), &from) == 0
        && ::stat(target.c_str(), &to) == 0 && from.st_size == to.st_size;
    if (!copied) {
        ::unlink(target.c_str());
        throw object_file_error("Cannot copy the object's file " + source + " to " + target);
    }
}

std::string place_object_file(shell::object_record& record, const std::string& folder, std::uintptr_t identity)
{
    if (record.source.empty()) {
        record.copy_folder = folder;
        return {};
    }
    auto name = stored_object_name(record.source, identity);
    if (record.pulled != 0) {
        record.title = name;
        record.copy_folder = folder;
        return record.source;
    }
    const auto source = local_source(record.source, "");
    auto chosen = name;
    auto target = core::path_combine(folder, core::make_pull_placeholder(chosen));
    for (int number = 2; exists(target) && !same_file(target, source); ++number) {
        chosen = numbered_name(name, number);
        target = core::path_combine(folder, core::make_pull_placeholder(chosen));
    }
    if (!same_file(target, source))
        copy_verified(source, target);
    record.title = chosen;
    record.copy_folder = folder;
    record.source = target;
    return target;
}

// The update rule shared by every object: a new source, or a pulled object that now
// travels, takes the source (and is placed unless it stays pulled); the flag always follows.
void update_object(shell::object_record& record, const std::string& source, std::int32_t pulled,
    const std::string& folder, std::uintptr_t identity)
{
    const auto local = local_source(source, folder);
    if (local == record.source && !(record.pulled != 0 && pulled == 0)) {
        record.pulled = pulled;
        return;
    }
    auto updated = record;
    shell::init_object_record(updated, local, pulled);
    updated.copy_folder = folder;
    if (pulled == 0 && !folder.empty())
        place_object_file(updated, folder, identity);
    record = std::move(updated);
}

void update_picture(shell::picture_record& record, const std::string& source, const std::string& text,
    std::int32_t pulled, const std::string& folder, std::uintptr_t identity)
{
    auto updated = record;
    update_object(updated, source, pulled, folder, identity);
    updated.alternate_text = text;
    record = std::move(updated);
}

}

std::string stored_object_name(std::string_view source, std::uintptr_t identity)
{
    auto cut = source.find_last_of("/\\");
    std::string name(cut == std::string_view::npos ? source : source.substr(cut + 1));
    if (core::starts_with_ignoring_case(name, core::pull_placeholder_prefix) && name.ends_with(']'))
        name = name.substr(core::pull_placeholder_prefix.size(), name.size() - core::pull_placeholder_prefix.size() - 1);
    for (auto& c : name) {
        if (std::strchr(" &%#^{}`][", c) != nullptr && c != '\0')
            c = '_';
    }
    if (name.empty())
        return core::format_string("untitled%lX", static_cast<unsigned long>(identity));
    return shell::object_file_name(name);
}

std::string copy_object_file(shell::object_record& record, const std::string& folder)
{
    return place_object_file(record, folder, identity_of(&record));
}

void move_object_file(shell::pullfile_record& record, const std::string& folder)
{
    const auto earlier = local_source(record.file.source, "");
    auto moved = record;
    place_object_file(moved.file, folder, identity_of(&record.file));
    if (moved.picture.pulled == 0 && !moved.picture.source.empty())
        place_object_file(moved.picture, folder, identity_of(&record.picture));
    record = std::move(moved);
    // Only a file that now has a verified copy elsewhere goes.
    const auto& now = record.file.source;
    if (!earlier.empty() && now != earlier && exists(now) && !same_file(now, earlier) && ::unlink(earlier.c_str()) != 0)
        TRACE_LOG("move_object_file() -- %s kept: %s\n", earlier.c_str(), std::strerror(errno));
}

void set_object_file(shell::object_record& record, const std::string& path)
{
    record.source = path;
    record.title = std::string(core::trim_view(core::GetLinkFileName(path)));
}

void reset_object_record(shell::pullfile_record& record)
{
    record.picture = shell::construct_picture_record();
}

void update_picture_record(shell::picture_record& record, const std::string& source, const std::string& text,
    std::int32_t pulled, const std::string& folder)
{
    update_picture(record, source, text, pulled, folder, identity_of(&record));
}

void update_flash_record(shell::flash_record& record, const std::string& source, std::int32_t pulled,
    const std::string& folder)
{
    update_object(record, source, pulled, folder, identity_of(&record));
}

void update_pullfile_record(shell::pullfile_record& record, const std::string& picture_source,
    const std::string& picture_text, std::int32_t picture_pulled)
{
    update_picture(record.picture, picture_source, picture_text, picture_pulled, record.file.copy_folder,
        identity_of(&record.picture));
}

void update_clickto_record(shell::pullfile_record& record, const std::string& source, std::int32_t pulled,
    const std::string& picture_source, const std::string& picture_text, std::int32_t picture_pulled,
    std::int32_t show_size, const std::string& folder)
{
    auto updated = record;
    update_object(updated.file, source, pulled, folder, identity_of(&record.file));
    update_picture(updated.picture, picture_source, picture_text, picture_pulled, folder, identity_of(&record.picture));
    updated.show_size = show_size;
    record = std::move(updated);
}

void change_clickto_object(shell::clickto_record& record, int number, const std::string& target,
    const std::string& picture_source, const std::string& picture_text, std::int32_t picture_pulled,
    const std::string& folder, const clickto_page_maker& write_page)
{
    const std::string trimmed(core::trim_view(target));
    auto updated = record;
    if (trimmed != record.target) {
        const auto page = write_page(trimmed, number);
        // The page just written is only the source of the folder's copy.
        struct page_remover {
            const std::string& page;
            const std::string& placed;
            ~page_remover()
            {
                if (placed != page)
                    ::unlink(page.c_str());
            }
        } remover {page, updated.file.source};
        updated.target = trimmed;
        shell::init_object_record(updated.file, page, 0);
        place_object_file(updated.file, folder, identity_of(&record.file));
    }
    update_picture(updated.picture, picture_source, picture_text, picture_pulled, folder, identity_of(&record.picture));
    record = std::move(updated);
}

}
