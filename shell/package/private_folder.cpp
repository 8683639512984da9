#include "shell/package/private_folder.h"

#include "core/files/delete_path.h"
#include "core/log/trace_log.h"
#include "shell/package/job_package_error.h"

#include <cerrno>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace shell {

namespace {

// Gives the owner full rights on every folder below `path` (an unpacked archive may have
// made folders no one can enter), never following a link.
void open_up_folders(const std::string& path)
{
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return;
    ::chmod(path.c_str(), S_IRWXU);
    DIR* folder = ::opendir(path.c_str());
    if (!folder)
        return;
    std::vector<std::string> names;
    while (auto* item = ::readdir(folder)) {
        std::string name = item->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(folder);
    for (const auto& name : names)
        open_up_folders(path + "/" + name);
}

}

private_folder::private_folder(const std::string& parent, const std::string& prefix)
{
    std::error_code ec;
    auto absolute = std::filesystem::absolute(parent.empty() ? std::string(".") : parent, ec).string();
    std::string pattern = absolute + "/" + prefix + "XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data()))
        throw job_package_error("Cannot make a work folder in " + parent + ": " + std::strerror(errno));
    path_ = buffer.data();
}

private_folder::~private_folder()
{
    if (core::delete_temporary_path(path_).empty())
        return;
    open_up_folders(path_);
    if (auto reason = core::delete_temporary_path(path_); !reason.empty())
        TRACE_LOG("private_folder::~private_folder() -- %s\n", reason.c_str());
}

}
