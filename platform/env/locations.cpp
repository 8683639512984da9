#include "platform/env/locations.h"

#include <cerrno>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform::env {

environment current_environment()
{
    environment env;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string text(*entry);
        auto eq = text.find('=');
        if (eq != std::string::npos)
            env.emplace(text.substr(0, eq), text.substr(eq + 1));
    }
    return env;
}

std::string executable_path()
{
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

std::optional<std::string> password_home()
{
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry {};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir
        || found->pw_dir[0] != '/')
        return std::nullopt;
    return std::string(found->pw_dir);
}

namespace {

std::optional<std::string> absolute_value(const environment& env, const char* name)
{
    auto it = env.find(name);
    if (it == env.end() || it->second.empty() || it->second.front() != '/')
        return std::nullopt;
    return it->second;
}

std::string strip_trailing_slashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

}

locations resolve_locations(const environment& env, const std::string& executable,
    const std::optional<std::string>& fallback_home)
{
    auto home = absolute_value(env, "HOME");
    if (!home)
        home = fallback_home;

    auto base_folder = [&](const char* variable, const char* below_home) -> std::string {
        if (auto value = absolute_value(env, variable))
            return strip_trailing_slashes(*value);
        if (!home)
            throw location_error(std::string("no home folder: HOME is unset and ") + variable + " is not an absolute path");
        return strip_trailing_slashes(*home) + below_home;
    };

    locations result;
    result.data = base_folder("XDG_DATA_HOME", "/.local/share") + "/talverin";
    result.config = base_folder("XDG_CONFIG_HOME", "/.config") + "/holvane/talverin";
    result.temp = strip_trailing_slashes(absolute_value(env, "TMPDIR").value_or("/tmp"));

    std::filesystem::path exe(executable);
    auto resources = (exe.parent_path() / ".." / "share" / "talverin").lexically_normal().string();
    result.resources = strip_trailing_slashes(resources);
    std::error_code ec;
    if (executable.empty() || !std::filesystem::is_directory(result.resources, ec))
        throw location_error("resources folder not found: " + result.resources);
    return result;
}

bool ensure_private_folder(const std::string& path)
{
    if (path.empty())
        return false;
    struct stat info {};
    if (stat(path.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    auto parent = std::filesystem::path(path).parent_path().string();
    if (!parent.empty() && parent != path && !ensure_private_folder(parent))
        return false;
    if (mkdir(path.c_str(), 0700) == 0)
        return true;
    return errno == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}
