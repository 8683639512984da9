#include "broadcast/job/quorbis_broadcast.h"

#include "broadcast/package/package_error.h"

#include "core/files/delete_path.h"
#include "core/files/file_path.h"
#include "core/files/file_text.h"
#include "core/files/path_parts.h"
#include "core/log/trace_log.h"
#include "core/util/folders.h"
#include "core/util/strings.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>

namespace broadcast {

namespace {

bool add_once(std::vector<std::string>& list, const std::string& path)
{
    if (std::find(list.begin(), list.end(), path) != list.end())
        return false;
    list.push_back(path);
    return true;
}

bool is_plain_file(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The plain files of a folder (no subfolders, no links), sorted by name; none when the
// folder is missing. A folder that cannot be read throws package_error.
std::vector<std::string> plain_files_in(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        auto name = it->path().filename().string();
        if (is_plain_file(core::path_combine(folder, name)))
            names.push_back(name);
    }
    if (ec && ec != std::errc::no_such_file_or_directory)
        throw package_error("Cannot read the form's folder " + folder + ": " + ec.message());
    std::sort(names.begin(), names.end());
    return names;
}

}

quorbis_broadcast::quorbis_broadcast()
{
    auto folder = core::temp_folder_name_init("", "", false);
    if (!core::file_path(folder.path()).is_directory())
        throw std::runtime_error("Cannot make the broadcast job's working folder " + folder.path());
    temp_folder_ = folder.path();
}

quorbis_broadcast::~quorbis_broadcast()
{
    TRACE_LOG("quorbis_broadcast::~quorbis_broadcast() -- start\n");
    TRACE_LOG("quorbis_broadcast::~quorbis_broadcast() -- clear directory %s\n", temp_folder_.c_str());
    if (auto reason = core::delete_temporary_path(temp_folder_); !reason.empty())
        TRACE_LOG("quorbis_broadcast::~quorbis_broadcast() -- %s\n", reason.c_str());
    TRACE_LOG("quorbis_broadcast::~quorbis_broadcast() -- return\n");
}

bool quorbis_broadcast::add_local_list(const std::string& path)
{
    return add_once(local_lists_, path);
}

bool quorbis_broadcast::add_push_file(const std::string& path)
{
    return add_once(push_files_, path);
}

bool quorbis_broadcast::add_pull_file(const pull_file_record& record)
{
    bool present = std::any_of(pull_files_.begin(), pull_files_.end(),
        [&](const pull_file_record& known) { return known.path == record.path; });
    if (present)
        return false;
    pull_files_.push_back(record);
    return true;
}

void quorbis_broadcast::replace_local_lists(std::vector<std::string> paths)
{
    local_lists_.clear();
    for (auto& path : paths)
        add_once(local_lists_, path);
}

void quorbis_broadcast::set_pull_password_needed(std::size_t index, int needed)
{
    if (index < pull_files_.size())
        pull_files_[index].password_needed = needed;
}

std::string quorbis_broadcast::body_file_name(int kind, bool with_folder) const
{
    static const char* const names[] = {"body.htm", "bodylite.htm", "body.txt"};
    if (kind < html_body || kind > text_body)
        return {};
    return with_folder ? core::path_combine(temp_folder_, names[kind]) : names[kind];
}

std::string quorbis_broadcast::form_body_file_name(int kind)
{
    static const char* const names[] = {"Message_Body.htm", "Message_Body-AOL.htm", "Message_Body.txt"};
    if (kind < html_body || kind > text_body)
        return {};
    return names[kind];
}

bool quorbis_broadcast::IsUseSendFriendStatment() const
{
    TRACE_LOG("quorbis_broadcast::IsUseSendFriendStatment() -- start\n");
    for (const auto& [kind, path] : bodies) {
        if (core::ReadFileToString(path).find("(qb_sendafriend)") != std::string::npos) {
            TRACE_LOG("quorbis_broadcast::IsUseSendFriendStatment() -- return true\n");
            return true;
        }
    }
    TRACE_LOG("quorbis_broadcast::IsUseSendFriendStatment() -- return false\n");
    return false;
}

void quorbis_broadcast::adopt_form_folders(const std::string& greetings_file)
{
    if (!is_form_)
        return;
    try {
        adopt_greetings_results(form_companion_folder(greetings_file));
    } catch (const package_error&) {
        stop_immediately_ = true;
        throw;
    }
}

void quorbis_broadcast::adopt_greetings_results(const std::string& companion)
{
    auto copy_in = [](const std::string& source, const std::string& target) {
        core::file_path target_folder(core::file_path(target).parent_folder());
        if (!target_folder.create_folder() || !core::file_path(source).copy_to(target, true))
            throw package_error("Cannot copy the form's file \"" + source + "\" into the broadcast job");
    };
    struct file_folder {
        const char* name;
        bool pulled;
    };
    for (auto folder : {file_folder {"Pull_Files", true}, file_folder {"Push_Files", false}}) {
        auto from = core::path_combine(companion, folder.name);
        auto to = core::path_combine(temp_folder_, folder.name);
        for (const auto& name : plain_files_in(from)) {
            auto copy = core::path_combine(to, name);
            copy_in(core::path_combine(from, name), copy);
            if (folder.pulled)
                add_pull_file({copy, 0, 0});
            else
                add_push_file(copy);
        }
    }
    auto message_files = core::path_combine(companion, "Message_Files");
    for (int kind = html_body; kind <= text_body; ++kind) {
        auto source = core::path_combine(message_files, form_body_file_name(kind));
        if (!is_plain_file(source))
            continue;
        auto target = body_file_name(kind, true);
        copy_in(source, target);
        auto text = core::ReadFileToString(target);
        core::cstring_replace_all(text, "@@REDIRECTORER_NAME@@", redirector_name_);
        std::ofstream file(target, std::ios::binary | std::ios::trunc);
        file << text;
        file.close();
        if (!file)
            throw package_error("Cannot write the form's body " + target);
        bodies[kind] = target;
    }
}

std::string form_companion_folder(const std::string& greetings_file)
{
    core::file_path greetings(greetings_file);
    return core::path_combine(greetings.parent_folder(), greetings.file_name(false) + "_files");
}

std::string form_greetings_file(bool send_as_attachment)
{
    std::string path;
    if (!core::GetModuleRelativePath(send_as_attachment ? "html_form_push.greetings" : "html_form_pull.greetings", path))
        throw std::runtime_error("The program's data folder is unknown, so the form's greetings page has no place");
    if (core::file_path(path).exists())
        return path;
    // The explanation's line breaks become HTML breaks in the page.
    auto text = core::load_string_resource(send_as_attachment ? 21081 : 21080);
    core::cstring_replace_all(text, "\r", "");
    core::cstring_replace_all(text, "\n", "<br>");
    auto page = core::format_resource_cstring(send_as_attachment ? 21082 : 21079, text.c_str());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << page;
    file.close();
    if (!file) {
        core::file_path(path).remove();
        throw std::runtime_error("Cannot write the form's greetings page " + path);
    }
    return path;
}

}
