#include "shell/package/job_commands.h"

#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "shell/documents/document_layout.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/package/job_export.h"
#include "shell/package/job_package_error.h"

#include <cstdio>
#include <sys/stat.h>

namespace shell {

namespace {

bool exists(const std::string& path)
{
    struct stat status;
    return !path.empty() && ::stat(path.c_str(), &status) == 0;
}

std::string with_argument(std::string text, const std::string& argument)
{
    if (auto at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, argument);
    return text;
}

}

void export_job_command(platform::ui::UiHost& host, CTalverinDocManager& manager, const std::function<bool()>& save,
    const std::function<std::string()>& base_path, const std::string& anchor_extension)
{
    using namespace platform::prompts;
    const auto& strings = host.strings();
    host.message_box(strings.text(IDS_EXPORT_NOTICE), MB_OK | MB_ICONINFORMATION);
    manager.set_write_every_part(1);
    bool saved = save();
    manager.set_write_every_part(0);
    if (!saved)
        return;

    const auto base = base_path();
    auto files = document_files_for(base, anchor_extension, manager.dictionaries_folder());
    if (!files || !exists(files->companion) || !exists(files->body_parts) || !exists(files->manifest)) {
        host.message_box(strings.text(IDS_EXPORT_MISSING_FILES), MB_OK | MB_ICONSTOP);
        return;
    }
    core::file_path base_file(base);
    platform::ui::OpenFileRequest request;
    request.title = strings.text(IDS_EXPORT_TITLE);
    request.filter = strings.text(IDS_EXPORT_FILTER);
    request.initial_folder = base_file.parent_folder();
    request.default_name = base_file.file_name() + ".gz";
    request.default_extension = "gz";
    request.save = true;
    request.overwrite_prompt = true;
    auto choice = host.open_file(request);
    if (choice && !choice->path.empty()) {
        try {
            auto package = export_job_package({files->companion, files->body_parts, files->manifest, choice->path});
            host.message_box(with_argument(strings.text(IDS_EXPORT_DONE), package), MB_OK | MB_ICONINFORMATION);
        } catch (const job_package_error& error) {
            TRACE_LOG("export_job_command() -- %s\n", error.what());
            host.message_box(strings.text(IDS_EXPORT_FAILED) + "\n\n" + error.what(), MB_OK | MB_ICONSTOP);
        }
    }
    // The save wrote every part; the message keeps only those the user chose.
    for (int kind = 0; kind < 3; ++kind) {
        if (!is_body_kind_in_save_mask(manager, kind))
            std::remove((message_files_folder(base) + "/" + std::string(message_part_name(kind))).c_str());
    }
}

std::string import_job_command(platform::ui::UiHost& host, job_package_importer& importer,
    const std::string& anchor_extension)
{
    using namespace platform::prompts;
    const auto& strings = host.strings();
    platform::ui::OpenFileRequest request;
    request.title = strings.text(IDS_IMPORT_TITLE);
    request.filter = strings.text(IDS_IMPORT_FILTER);
    request.file_must_exist = true;
    auto package = host.open_file(request);
    if (!package || package->path.empty())
        return {};
    auto destination = host.browse_folder(strings.text(IDS_IMPORT_FOLDER_TITLE), "");
    if (!destination)
        return {};
    importer.confirm_replace = [&](const std::string& base) {
        return host.message_box(IDS_REPLACE_DOCUMENT, MB_YESNO | MB_ICONEXCLAMATION, {base + anchor_extension})
            == IDYES;
    };
    auto document = importer.import_job_package(package->path, *destination);
    importer.confirm_replace = nullptr;
    return document;
}

}
