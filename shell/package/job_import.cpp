#include "shell/package/job_import.h"

#include "core/files/file_path.h"
#include "core/files/file_text.h"
#include "core/log/trace_log.h"
#include "core/tools/console_tool.h"
#include "shell/documents/document_layout.h"
#include "shell/documents/save_transaction.h"
#include "shell/package/job_package_error.h"
#include "shell/package/private_folder.h"
#include "shell/package/tool_run.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <vector>

namespace shell {

namespace {

// Tool listings are read whole; none of a sound package comes near this.
constexpr std::uint64_t listing_cap = std::uint64_t(64) << 20;

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string read_whole(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.eof() && file.fail())
        throw job_package_error("Cannot read " + path);
    return text;
}

std::vector<std::string> folder_names(const std::string& folder)
{
    DIR* handle = ::opendir(folder.c_str());
    if (!handle)
        throw job_package_error("Cannot read the unpacked folder " + folder + ": " + std::strerror(errno));
    std::vector<std::string> names;
    while (auto* item = ::readdir(handle)) {
        std::string name = item->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(handle);
    return names;
}

// What the tar really unpacked, seen again without following links: only plain files and
// folders, within the limits; folders opened to their owner and files made readable.
struct tree_walk {
    const job_archive_limits& limits;
    std::uint64_t members = 0;
    std::uint64_t bytes = 0;

    void walk(const std::string& folder)
    {
        for (const auto& name : folder_names(folder)) {
            auto path = folder + "/" + name;
            struct stat status;
            if (::lstat(path.c_str(), &status) != 0)
                throw job_package_error("Cannot read the unpacked " + path);
            if (++members > limits.members)
                throw job_package_error("The archive unpacked more than " + std::to_string(limits.members) + " entries");
            if (S_ISDIR(status.st_mode)) {
                ::chmod(path.c_str(), 0755);
                walk(path);
            } else if (S_ISREG(status.st_mode)) {
                if (std::uint64_t(status.st_size) > limits.bytes - bytes)
                    throw job_package_error("The archive unpacked more than " + std::to_string(limits.bytes) + " bytes");
                bytes += std::uint64_t(status.st_size);
                ::chmod(path.c_str(), 0644);
            } else {
                throw job_package_error("The archive unpacked " + name + ", which is neither a file nor a folder");
            }
        }
    }
};

bool exists_unfollowed(const std::string& path)
{
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0;
}

bool is_regular_file(const std::string& path)
{
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

core::console_tool tool(int id, std::vector<std::string> arguments, platform::process::spawn_options options,
    std::uint64_t cap)
{
    core::console_tool run(core::console_tool_init_from_resource(id), std::move(arguments), std::move(options));
    run.limit_file_size(cap);
    return run;
}

}

job_package_importer::job_package_importer(platform::prompts::prompt& prompt,
    const platform::strings::string_table& strings, std::string dictionaries_folder, std::string anchor_extension,
    job_import_limits limits)
    : prompt_(prompt), strings_(strings), dictionaries_folder_(std::move(dictionaries_folder)),
      anchor_extension_(std::move(anchor_extension)), limits_(limits)
{
}

std::string job_package_importer::ImportJobPackage(const std::string& package, const std::string& destination)
{
    core::file_path source(package);
    const auto extension = lower(source.extension());
    const auto stem = source.file_name(false);
    if ((extension != "gz" && extension != "tar") || stem.empty())
        throw job_package_error(package + " is not a job package (a .gz or .tar file)");
    struct stat status;
    if (::stat(destination.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        throw job_package_error("The destination " + destination + " is not a folder");

    private_folder work(destination, ".talverin-import-");
    const auto tar_file = work.file("package.tar");
    if (extension == "gz") {
        const auto zip_file = work.file("package.gz");
        if (!source.copy_to(zip_file, false))
            throw job_package_error("Cannot read the package " + package);
        platform::process::spawn_options listing(work.path());
        listing.output_file = work.file("names.txt");
        auto names = tool(core::unzip_tool_id, {"-Z1", "package.gz"}, listing, listing_cap);
        run_package_tool(names, "read the package " + package);
        if (auto refused = check_job_zip_listing(read_whole(listing.output_file), stem); !refused.empty())
            throw job_package_error(refused);
        // Into a folder of its own: whatever unzip makes there, only one plain file is taken.
        const auto unzipped = work.file("unzipped");
        if (::mkdir(unzipped.c_str(), 0700) != 0)
            throw job_package_error("Cannot make the folder " + unzipped);
        auto unzip = tool(core::unzip_tool_id, {"-qq", "../package.gz"}, unzipped, limits_.file_size_cap);
        run_package_tool(unzip, "unzip the package " + package);
        auto entries = folder_names(unzipped);
        if (entries.size() != 1 || !is_regular_file(unzipped + "/" + entries.front()))
            throw job_package_error("The package must hold exactly one file, " + stem + ".tar");
        if (std::rename((unzipped + "/" + entries.front()).c_str(), tar_file.c_str()) != 0)
            throw job_package_error("Cannot move the unzipped archive: " + std::string(std::strerror(errno)));
    } else if (!source.copy_to(tar_file, false)) {
        throw job_package_error("Cannot read the package " + package);
    }

    platform::process::spawn_options listing(work.path());
    listing.output_file = work.file("listing.txt");
    listing.environment = {"LC_ALL=C"};
    auto list = tool(core::tar_tool_id, {"-tv", "--numeric-owner", "--quoting-style=c", "-f", "package.tar"}, listing,
        listing_cap);
    run_package_tool(list, "read the archive in " + package);
    if (auto refused = check_job_archive_listing(read_whole(listing.output_file), stem, limits_.archive);
        !refused.empty())
        throw job_package_error(refused);

    const auto tree = work.file("tree");
    if (::mkdir(tree.c_str(), 0700) != 0)
        throw job_package_error("Cannot make the folder " + tree);
    auto extract = tool(core::tar_tool_id, {"-x", "--no-same-owner", "--no-same-permissions", "-f", "../package.tar"},
        tree, limits_.file_size_cap);
    run_package_tool(extract, "unpack the archive in " + package);
    tree_walk {limits_.archive}.walk(tree);
    const auto top = stem + "_files";
    auto unpacked = folder_names(tree);
    if (unpacked != std::vector<std::string> {top})
        throw job_package_error("The archive must hold only the folder " + top);

    const auto companion = tree + "/" + top;
    unpacked_message message;
    message.companion = companion;
    message.body_parts = work.file("message.dndtf");
    message.manifest = work.file("message.objects");
    for (auto [inside, outside] : {std::pair {companion + "/" + stem + ".dndtf", message.body_parts},
             std::pair {companion + "/" + stem + ".objects", message.manifest}}) {
        if (!is_regular_file(inside) || std::rename(inside.c_str(), outside.c_str()) != 0)
            throw job_package_error("The archive lacks " + top + "/" + core::file_path(inside).file_name());
    }
    std::error_code ec;
    auto folder = std::filesystem::absolute(destination, ec).lexically_normal().string();
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    const auto base_path = core::path_combine(folder, stem);
    auto files = document_files_for(base_path, anchor_extension_, dictionaries_folder_);
    if (!files)
        throw job_package_error("The document path is too long to name its files: " + base_path);
    if (auto reason = recover_document(*files); !reason.empty())
        throw job_package_error(reason);
    if (confirm_replace && (exists_unfollowed(files->companion) || exists_unfollowed(files->body_parts))
        && !confirm_replace(base_path))
        return {};
    if (!core::file_path(dictionaries_folder_).create_folder())
        throw job_package_error("Cannot make the folder " + dictionaries_folder_);
    if (auto reason = install_message(*files, message); !reason.empty())
        throw job_package_error(reason);
    return files->anchor;
}

std::string job_package_importer::import_job_package(const std::string& package, const std::string& destination)
{
    std::string reason;
    try {
        return ImportJobPackage(package, destination);
    } catch (const std::runtime_error& error) {
        reason = error.what();
    }
    TRACE_LOG("job_package_importer::import_job_package() -- %s into %s: %s\n", package.c_str(), destination.c_str(),
        reason.c_str());
    prompt_.message_box(strings_.text(IDS_IMPORT_FAILED) + "\n\n" + reason,
        platform::prompts::MB_OK | platform::prompts::MB_ICONSTOP);
    return {};
}

}
