#include "broadcast/package/quorbis_zip.h"

#include "broadcast/package/package_error.h"
#include "broadcast/package/package_names.h"
#include "core/files/delete_path.h"
#include "core/files/file_path.h"
#include "core/files/file_text.h"
#include "core/log/trace_log.h"
#include "core/tools/console_tool.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace broadcast {

namespace {


const char* adding_format(package_member::role kind)
{
    switch (kind) {
    case package_member::role::body: return "Adding body : \"%s\" to command.txt\n";
    case package_member::role::attachment: return "Adding push file : \"%s\" to command.txt\n";
    case package_member::role::pull_file: return "Adding pull file : \"%s\" to command.txt\n";
    case package_member::role::local_list: return "Adding local list: \"%s\" to command.txt\n";
    }
    return "%s\n";
}

// Runs a tool; any end but exit code 0 fails the package, with the tool's own words.
void run_tool(int tool_id, std::vector<std::string> arguments, const std::string& folder, const char* what)
{
    core::console_tool tool(core::console_tool_init_from_resource(tool_id), std::move(arguments), folder);
    int code = tool.console_tool_exit_code();
    if (code == 0)
        return;
    std::string detail = !tool.error_text().empty() ? tool.error_text() : tool.output();
    while (!detail.empty() && (detail.back() == '\n' || detail.back() == '\r'))
        detail.pop_back();
    if (code == -1)
        throw package_error(std::string("Cannot ") + what + ": " + detail);
    throw package_error(std::string("Cannot ") + what + " (exit code " + std::to_string(code) + ")"
        + (detail.empty() ? "" : ": " + detail));
}

// Replaces "last.tar.gz" only with a whole copy: copied beside it, then renamed over it.
void keep_last_archive(const std::string& compressed)
{
    auto folder = core::standard_folder_path(0);
    auto last = core::path_combine(folder, "last.tar.gz");
    auto staging = core::file_path_make_temp_name(folder, "", "tmp", true);
    if (!core::file_path(compressed).copy_to(staging.path(), true)) {
        TRACE_LOG("quorbis_zip::build_archive() -- cannot copy %s to %s\n", compressed.c_str(), staging.c_str());
        return;
    }
    if (std::rename(staging.c_str(), last.c_str()) != 0)
        TRACE_LOG("quorbis_zip::build_archive() -- cannot rename %s to %s: %s\n", staging.c_str(), last.c_str(),
            std::strerror(errno));
    else
        staging.keep();
}

}

quorbis_zip::quorbis_zip(bool login_line, bool clean_folder)
    : clean_folder_(clean_folder), login_line_(login_line),
      tar_file_(core::temp_file_name_init("", "", "tar", true)),
      compressed_file_(core::temp_file_name_init("", "", "tar.gz", true)),
      package_folder_(core::temp_folder_name_init("", "", false))
{
    if (!core::file_path(package_folder_.path()).is_directory())
        throw package_error("Cannot make the broadcast package folder " + package_folder_.path());
}

quorbis_zip::~quorbis_zip()
{
    if (!clean_folder_)
        return;
    if (auto reason = core::delete_temporary_path(package_folder_.path()); !reason.empty())
        TRACE_LOG("quorbis_zip::~quorbis_zip() -- %s\n", reason.c_str());
}

void quorbis_zip::write_command_file(broadcast_ref job, const command_file_inputs& inputs, const time_zone& zone)
{
    auto command = write_command_file_text(*job, inputs, zone);
    if (!command.written) {
        TRACE_LOG("quorbis_zip::write_command_file() -- the job has no bodies: no command file\n");
        return;
    }
    std::vector<std::string> members;
    for (const auto& member : command.plan) {
        if (core::tracing())
            core::trace_log(adding_format(member.kind), member.source.c_str());
        auto target = core::path_combine(package_folder_.path(), member.name);
        if (!core::file_path(member.source).copy_to(target, true))
            throw package_error("Cannot copy \"" + member.source + "\" into the broadcast package");
        members.push_back(member.name);
    }
    auto path = core::path_combine(package_folder_.path(), std::string(command_file_name));
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << command.bytes;
    file.close();
    if (!file)
        throw package_error("Cannot write the command file " + path);
    files_to_archive_ = std::move(members);
    if (core::tracing()) {
        core::trace_log("Command file resource files are:\n");
        for (const auto& name : files_to_archive_)
            core::trace_log("file: %s\n", name.c_str());
        core::trace_log("end command file resources list\n");
    }
}

const std::string& quorbis_zip::build_archive()
{
    if (!core::file_path(core::path_combine(package_folder_.path(), std::string(command_file_name))).exists())
        throw package_error("The broadcast has no message body, so there is no command file to send");
    TRACE_LOG("Preparing command line to build the *.tar archive...\n");
    TRACE_LOG("Adding \"command.txt\" file at the command line\n");
    // Members follow "--" as they are: a name such as "--remove-files" stays a file name,
    // and the names match those in the command file.
    std::vector<std::string> arguments {"-cf", tar_file_.path(), "--", std::string(command_file_name)};
    for (const auto& name : files_to_archive_) {
        TRACE_LOG("Adding \"%s\" file at the command line\n", name.c_str());
        arguments.push_back(name);
    }
    TRACE_LOG("Command line to build the *.tar archive is ready\n");
    TRACE_LOG("Creating *.tar archive in file: %s\n", tar_file_.c_str());
    try {
        run_tool(core::tar_tool_id, std::move(arguments), package_folder_.path(), "build the broadcast archive");
    } catch (const package_error&) {
        TRACE_LOG("Failure\n");
        throw;
    }
    TRACE_LOG("Success!\n");

    // zip adds to an archive already there (and refuses an empty one): start from none.
    core::file_path compressed(compressed_file_.path());
    if (compressed.exists() && !compressed.remove())
        throw package_error("Cannot remove the earlier compressed archive " + compressed.path());
    core::file_path tar(tar_file_.path());
    run_tool(core::zip_tool_id, {compressed.file_name(), tar.file_name()}, compressed.parent_folder(),
        "compress the broadcast archive");
    if (core::get_file_size(compressed.path()) == 0)
        throw package_error("The compressed broadcast archive " + compressed.path() + " is missing or empty");
    keep_last_archive(compressed.path());
    return compressed_file_.path();
}

}
