#include "shell/jobs/broadcast_jobs.h"

#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "shell/app_context.h"
#include "shell/documents/body_parts.h"
#include "shell/documents/body_scanner.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/objects/shell_text.h"

#include <algorithm>
#include <set>

namespace shell {

namespace {

std::string last_component(const std::string& path)
{
    auto cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// A name taken from the message that is to meet a folder: one component, nothing else.
std::string checked_file_name(const std::string& name, const char* what)
{
    bool control = std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos || control)
        throw broadcast_job_error(std::string("The ") + what + " \"" + name + "\" is not a plain file name");
    return name;
}

void copy_into_job(const std::string& source, const std::string& target)
{
    if (!core::file_path(core::file_path(target).parent_folder()).create_folder()
        || !core::file_path(source).copy_to(target, true))
        throw broadcast_job_error("Cannot copy \"" + source + "\" into the broadcast job");
}

// Fills one job from the document's folders; each file name is taken once.
class job_filler {
public:
    job_filler(broadcast::quorbis_broadcast& job, const std::string& companion) : job_(job), companion_(companion) { }

    void add_objects(const object_maps& objects)
    {
        for (const auto& [id, picture] : objects.pictures)
            add_object(picture, true);
        for (const auto& [id, movie] : objects.flashfiles)
            add_object(movie, false);
        for (const auto& [id, pull] : objects.pullfiles) {
            add_object(pull.file, false);
            add_object(pull.picture, true);
        }
        for (const auto& [id, clickto] : objects.clicktos) {
            add_object(clickto.file, false);
            add_object(clickto.picture, true);
        }
    }

    void add_push_file(const std::string& path)
    {
        const auto name = checked_file_name(last_component(path), "push file");
        if (!taken_.insert(lower(name)).second)
            return;
        auto copy = core::path_combine(core::path_combine(job_.temp_folder(), "Push_Files"), name);
        copy_into_job(core::path_combine(core::path_combine(companion_, "Push_Files"), name), copy);
        job_.add_push_file(copy);
    }

    void add_body(int kind)
    {
        auto source = core::path_combine(core::path_combine(companion_, "Message_Files"),
            broadcast::quorbis_broadcast::form_body_file_name(kind));
        auto target = job_.body_file_name(kind, true);
        copy_into_job(source, target);
        job_.bodies[kind] = target;
    }

private:
    static std::string lower(std::string text)
    {
        std::transform(text.begin(), text.end(), text.begin(), core::ascii_lower);
        return text;
    }

    // An object whose file travels with the message: saves keep it in Pull_Files under its title.
    void add_object(const object_record& record, bool picture)
    {
        if (record.pulled != 0 || record.title.empty())
            return;
        const auto name = checked_file_name(record.title, "object name");
        if (!taken_.insert(lower(name)).second)
            return;
        auto copy = core::path_combine(core::path_combine(job_.temp_folder(), "Pull_Files"), name);
        copy_into_job(core::path_combine(core::path_combine(companion_, "Pull_Files"), name), copy);
        job_.add_pull_file({copy, picture ? 1 : 0, 0});
    }

    broadcast::quorbis_broadcast& job_;
    const std::string& companion_;
    std::set<std::string> taken_;
};

}

std::unique_ptr<broadcast::quorbis_broadcast> job_from_file(const std::string& path)
{
    auto job = std::make_unique<broadcast::quorbis_broadcast>();
    const auto name = last_component(path);
    job->name = remove_extension(name);
    const int kind = core::ends_with_ignoring_case(name, ".txt") && name.size() > 4 ? broadcast::text_body
                                                                                  : broadcast::html_body;
    auto body = job->body_file_name(kind, true);
    copy_into_job(path, body);
    job->bodies[kind] = body;
    return job;
}

std::unique_ptr<broadcast::quorbis_broadcast> CreateBroadcastJob(CTalverinDocManager* manager, AppContext& context,
    const document_job_source& document)
{
    if (!manager)
        return nullptr;
    TRACE_LOG("CTalverinDoc::CreateBroadcastJob() -- %s\n", document.source_name.c_str());
    auto job = std::make_unique<broadcast::quorbis_broadcast>();
    job->name = remove_extension(last_component(document.source_name));

    // The HTML body's objects are found anew in the saved body, into maps of the job's own.
    std::string html;
    read_marked_section(document.body_parts_file, 0, html);
    object_maps html_objects;
    BodyScanner scanner({manager->markup_declarations(), manager->dictionary(), context.redirector_path,
        core::path_combine(document.companion_folder, "Pull_Files"), &context.object_counters});
    scanner.ScanBodyObjects(0, html, html_objects, scan_record | scan_known_first, false);

    job_filler filler(*job, document.companion_folder);
    for (int kind = 0; kind < 3; ++kind) {
        if (!is_body_kind_in_save_mask(*manager, kind))
            continue;
        if (kind == 0)
            filler.add_objects(html_objects);
        else if (manager->DocFileExists(kind))
            filler.add_objects(manager->dictionary().referenced(kind));
        for (const auto& push : manager->dictionary().push_files())
            filler.add_push_file(push.path);
        filler.add_body(kind);
    }
    context.temporary_paths.add(job->temp_folder());
    return job;
}

broadcast::broadcast_ref share_broadcast_job(std::unique_ptr<broadcast::quorbis_broadcast> job)
{
    if (!job)
        return {};
    return broadcast::broadcast_ref::make(std::move(job));
}

}
