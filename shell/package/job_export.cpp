#include "shell/package/job_export.h"

#include "core/files/file_path.h"
#include "core/tools/console_tool.h"
#include "shell/package/job_package_error.h"
#include "shell/package/private_folder.h"
#include "shell/package/tool_run.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace shell {

namespace {

std::string system_error(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

// A hard link to the file, or a copy where links cannot be made (another file system).
void link_or_copy(const std::string& source, const std::string& target)
{
    if (::link(source.c_str(), target.c_str()) == 0)
        return;
    if (!core::file_path(source).copy_to(target, false))
        throw job_package_error("Cannot copy " + source + " into the job package");
}

std::vector<std::string> folder_names(const std::string& folder)
{
    DIR* handle = ::opendir(folder.c_str());
    if (!handle)
        throw job_package_error(system_error("Cannot read the folder", folder));
    std::vector<std::string> names;
    while (auto* item = ::readdir(handle)) {
        std::string name = item->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(handle);
    return names;
}

// Mirrors the message's folder: folders made, files linked. Anything else (a link, a
// device) has no place in a message and fails the export. Names in `skipped` are left out.
void mirror_tree(const std::string& source, const std::string& target, const std::vector<std::string>& skipped = {})
{
    if (::mkdir(target.c_str(), 0755) != 0)
        throw job_package_error(system_error("Cannot make the folder", target));
    for (const auto& name : folder_names(source)) {
        if (std::find(skipped.begin(), skipped.end(), name) != skipped.end())
            continue;
        auto from = source + "/" + name;
        auto to = target + "/" + name;
        struct stat status;
        if (::lstat(from.c_str(), &status) != 0)
            throw job_package_error(system_error("Cannot read", from));
        if (S_ISDIR(status.st_mode))
            mirror_tree(from, to);
        else if (S_ISREG(status.st_mode))
            link_or_copy(from, to);
        else
            throw job_package_error(from + " is neither a file nor a folder and cannot be packed");
    }
}

}

std::string export_job_package(const job_export_request& request)
{
    if (!core::file_path(request.companion_folder).is_directory() || !core::file_path(request.body_parts_file).exists()
        || !core::file_path(request.manifest_file).exists())
        throw job_package_error("Some of the objects files don't exist");
    core::file_path package(request.package);
    package.set_extension("gz");
    const std::string stem = package.file_name(false);
    if (stem.empty())
        throw job_package_error("The job package needs a file name: " + request.package);
    const std::string top = stem + "_files";
    const std::string tar_name = stem + ".tar";

    private_folder work(package.parent_folder(), ".talverin-export-");
    mirror_tree(request.companion_folder, work.file(top), {stem + ".dndtf", stem + ".objects"});
    link_or_copy(request.body_parts_file, work.file(top + "/" + stem + ".dndtf"));
    link_or_copy(request.manifest_file, work.file(top + "/" + stem + ".objects"));

    core::console_tool tar(core::console_tool_init_from_resource(core::tar_tool_id),
        {"-c", "--hard-dereference", "--owner=0", "--group=0", "--numeric-owner", "-f",
            core::tool_file_argument(tar_name), "--", top},
        work.path());
    run_package_tool(tar, "pack the message into " + tar_name);
    // zip stores the tar under its own name (-j) in an archive no earlier run has touched.
    core::console_tool zip(core::console_tool_init_from_resource(core::zip_tool_id),
        {"-q", "-j", "-X", "package.gz", core::tool_file_argument(tar_name)}, work.path());
    run_package_tool(zip, "compress the job package");
    if (std::rename(work.file("package.gz").c_str(), package.c_str()) != 0)
        throw job_package_error(system_error("Cannot write the job package", package.path()));
    return package.path();
}

}
