#include "shell/package/folder_installer.h"

#include "core/files/delete_path.h"
#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "shell/package/job_package_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace shell {

namespace {

constexpr std::string_view anchor_placeholder = "to be deleted";

bool exists_unfollowed(const std::string& path)
{
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0;
}

// Copies the file beside `target` under a name of its own, flushed to disk; the copy's path.
std::string stage_copy(const std::string& source, const std::string& target)
{
    auto staged = target + ".new";
    if (!core::file_path(source).copy_to(staged, true))
        throw job_package_error("Cannot write " + staged);
    int fd = ::open(staged.c_str(), O_RDONLY | O_CLOEXEC);
    bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!synced) {
        std::remove(staged.c_str());
        throw job_package_error("Cannot write " + staged + ": " + std::strerror(errno));
    }
    return staged;
}

}

folder_installer::folder_installer(std::string dictionaries_folder, std::string anchor_extension)
    : dictionaries_folder_(std::move(dictionaries_folder)), anchor_extension_(std::move(anchor_extension))
{
}

std::string folder_installer::dictionary_file(const std::string& base_path, const char* extension) const
{
    auto name = core::encode_path_as_name(base_path);
    if (name.size() + std::strlen(extension) > core::max_file_name_length)
        throw job_package_error("The document path is too long to name its file: " + base_path);
    return core::path_combine(dictionaries_folder_, name + extension);
}

bool folder_installer::has_message(const std::string& base_path)
{
    return exists_unfollowed(base_path + "_files") || exists_unfollowed(dictionary_file(base_path, ".dndtf"));
}

std::string folder_installer::install_message(const unpacked_message& message)
{
    const auto body_parts = dictionary_file(message.base_path, ".dndtf");
    const auto manifest = dictionary_file(message.base_path, ".objects");
    if (!core::file_path(dictionaries_folder_).create_folder())
        throw job_package_error("Cannot make the folder " + dictionaries_folder_);
    core::file_path staged_body_parts(stage_copy(message.body_parts_file, body_parts), true);
    core::file_path staged_manifest(stage_copy(message.manifest_file, manifest), true);

    const auto companion = message.base_path + "_files";
    // The old tree steps aside into the import's own folder (same file system), where it
    // goes with that folder.
    const auto aside = core::file_path(message.companion_tree).parent_folder() + "/old_files";
    const bool had_tree = exists_unfollowed(companion);
    if (had_tree && std::rename(companion.c_str(), aside.c_str()) != 0)
        throw job_package_error("Cannot replace " + companion + ": " + std::strerror(errno));
    auto restore = [&] {
        if (had_tree && std::rename(aside.c_str(), companion.c_str()) != 0)
            TRACE_LOG("folder_installer::install_message() -- cannot put back %s: %s\n", companion.c_str(),
                std::strerror(errno));
    };
    if (std::rename(message.companion_tree.c_str(), companion.c_str()) != 0) {
        auto reason = std::string(std::strerror(errno));
        restore();
        throw job_package_error("Cannot put the message's folder in place as " + companion + ": " + reason);
    }
    if (std::rename(staged_body_parts.c_str(), body_parts.c_str()) != 0
        || std::rename(staged_manifest.c_str(), manifest.c_str()) != 0) {
        auto reason = std::string(std::strerror(errno));
        core::delete_temporary_path(companion);
        restore();
        throw job_package_error("Cannot write the message's files in " + dictionaries_folder_ + ": " + reason);
    }
    staged_body_parts.keep();
    staged_manifest.keep();

    const auto anchor = message.base_path + anchor_extension_;
    if (!exists_unfollowed(anchor)) {
        int fd = ::open(anchor.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        bool written = fd >= 0 && ::write(fd, anchor_placeholder.data(), anchor_placeholder.size())
            == static_cast<ssize_t>(anchor_placeholder.size());
        if (fd >= 0)
            ::close(fd);
        if (!written)
            throw job_package_error("Cannot write " + anchor + ": " + std::strerror(errno));
    }
    return anchor;
}

}
