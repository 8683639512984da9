#include "core/files/file_path.h"

#include "core/errors/wizard_thrower.h"
#include "core/log/trace_log.h"
#include "core/util/program_environment.h"
#include "platform/env/locations.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace core {

namespace {

bool is_separator(char c)
{
    return c == '/' || c == '\\';
}

std::size_t last_separator(std::string_view path)
{
    auto at = path.find_last_of("/\\");
    return at;
}

// Length of the root at the start of a path: "/", "\", "\\", "C:\", "C:" or nothing.
std::size_t root_length(std::string_view path)
{
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':')
        return path.size() >= 3 && is_separator(path[2]) ? 3 : 2;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\')
        return 2;
    return !path.empty() && is_separator(path[0]) ? 1 : 0;
}

std::size_t extension_dot(std::string_view name)
{
    auto dot = name.rfind('.');
    // A leading dot names a hidden file, not an extension.
    return dot == std::string_view::npos || dot == 0 ? std::string_view::npos : dot;
}

std::string name_of(std::string_view path)
{
    auto at = last_separator(path);
    auto name = at == std::string_view::npos ? path : path.substr(at + 1);
    if (name.find(':') != std::string_view::npos)
        return {};
    return std::string(name);
}

std::string errno_text()
{
    return std::strerror(errno);
}

}

std::string path_combine(std::string_view folder, std::string_view name)
{
    if (folder.empty())
        return std::string(name);
    std::string result(folder);
    if (!is_separator(result.back()))
        result += '/';
    result += name;
    return result;
}

file_path::file_path(std::string text, bool remove_on_release) : path_(std::move(text)), remove_on_release_(remove_on_release)
{
}

file_path::~file_path()
{
    release();
}

file_path::file_path(file_path&& other) noexcept : path_(std::move(other.path_)), remove_on_release_(other.remove_on_release_)
{
    other.remove_on_release_ = false;
    other.path_.clear();
}

file_path& file_path::operator=(file_path&& other) noexcept
{
    if (this != &other) {
        release();
        path_ = std::move(other.path_);
        remove_on_release_ = other.remove_on_release_;
        other.remove_on_release_ = false;
        other.path_.clear();
    }
    return *this;
}

void file_path::release()
{
    if (!remove_on_release_ || path_.empty())
        return;
    remove_on_release_ = false;
    remove();
}

bool file_path::exists() const
{
    struct stat info {};
    return !path_.empty() && ::stat(path_.c_str(), &info) == 0;
}

bool file_path::is_directory() const
{
    struct stat info {};
    return !path_.empty() && ::stat(path_.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool file_path::remove() const
{
    struct stat info {};
    if (path_.empty() || ::lstat(path_.c_str(), &info) != 0)
        return false;
    if (S_ISDIR(info.st_mode)) {
        if (::rmdir(path_.c_str()) == 0)
            return true;
        TRACE_LOG("file_path::remove() -- rmdir %s: %s", path_.c_str(), errno_text().c_str());
        return false;
    }
    if (::unlink(path_.c_str()) == 0)
        return true;
    TRACE_LOG("file_path::remove() -- unlink %s: %s", path_.c_str(), errno_text().c_str());
    return false;
}

std::string file_path::parent_folder() const
{
    std::string_view path = path_;
    auto root = root_length(path);
    // A trailing separator ends an empty file name: only it goes.
    if (path.size() > root && is_separator(path.back()))
        return std::string(path.substr(0, path.size() - 1));
    auto at = last_separator(path);
    if (at == std::string_view::npos || at < root) {
        // A bare name has no folder; a root stays itself.
        return std::string(path.substr(0, root));
    }
    return std::string(path.substr(0, at));
}

std::string file_path::file_name(bool with_extension) const
{
    auto name = name_of(path_);
    if (!with_extension) {
        auto dot = extension_dot(name);
        if (dot != std::string::npos)
            name.resize(dot);
    }
    return name;
}

std::string file_path::extension() const
{
    auto name = name_of(path_);
    auto dot = extension_dot(name);
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

void file_path::set_extension(std::string_view extension)
{
    auto at = last_separator(path_);
    std::string folder = at == std::string::npos ? std::string() : path_.substr(0, at + 1);
    std::string name = at == std::string::npos ? path_ : path_.substr(at + 1);
    auto dot = extension_dot(name);
    if (dot != std::string::npos)
        name.resize(dot);
    if (!extension.empty()) {
        if (extension.front() != '.')
            name += '.';
        name += extension;
    }
    path_ = folder + name;
}

void file_path::move_to_folder(std::string_view folder)
{
    path_ = path_combine(folder, file_name(true));
}

void file_path::resolve_relative_path(std::string_view relative)
{
    if (relative.empty())
        return;
    if (path_.empty()) {
        path_ = std::string(relative);
        return;
    }
    std::string joined = path_combine(path_, relative);
    auto root = root_length(joined);
    std::string prefix = joined.substr(0, root);
    for (auto& c : prefix) {
        if (c == '\\')
            c = '/';
    }
    std::vector<std::string> parts;
    std::size_t start = root;
    while (start <= joined.size()) {
        auto end = joined.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = joined.size();
        auto part = joined.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (root == 0)
                parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result = prefix;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            result += '/';
        result += parts[i];
    }
    if (result.empty())
        result = ".";
    path_ = result;
}

bool file_path::copy_to(std::string_view target, bool overwrite) const
{
    std::string destination(target);
    struct stat target_info {};
    if (::stat(destination.c_str(), &target_info) == 0 && S_ISDIR(target_info.st_mode))
        destination = path_combine(destination, file_name(true));

    struct stat source_info {};
    if (path_.empty() || ::stat(path_.c_str(), &source_info) != 0 || !S_ISREG(source_info.st_mode)) {
        TRACE_LOG("file_path::copy_to() -- no file %s", path_.c_str());
        return false;
    }
    struct stat destination_info {};
    if (::stat(destination.c_str(), &destination_info) == 0) {
        if (destination_info.st_dev == source_info.st_dev && destination_info.st_ino == source_info.st_ino)
            return true;
        if (!overwrite)
            return false;
    }
    std::error_code ec;
    std::filesystem::copy_file(path_, destination,
        overwrite ? std::filesystem::copy_options::overwrite_existing : std::filesystem::copy_options::none, ec);
    if (ec) {
        TRACE_LOG("file_path::copy_to() -- %s to %s: %s", path_.c_str(), destination.c_str(), ec.message().c_str());
        return false;
    }
    return true;
}

bool file_path::create_folder(bool fail_if_exists) const
{
    if (path_.empty())
        return false;
    if (exists())
        return !fail_if_exists && is_directory();
    if (::mkdir(path_.c_str(), 0777) == 0)
        return true;
    TRACE_LOG("file_path::create_folder() -- mkdir %s: %s", path_.c_str(), errno_text().c_str());
    return false;
}

namespace {

// A folder of ours: a real folder (no symlink), owned by this user, closed to others.
bool private_folder(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
        && (info.st_mode & 077) == 0;
}

std::mutex temp_folder_mutex;
std::string chosen_temp_root;
std::string chosen_temp_folder;

std::string private_temp_folder()
{
    auto root = current_program_environment().temp_root;
    std::lock_guard guard(temp_folder_mutex);
    if (!chosen_temp_folder.empty() && chosen_temp_root == root && private_folder(chosen_temp_folder))
        return chosen_temp_folder;
    chosen_temp_root = root;
    auto wanted = path_combine(root, "talverin-" + std::to_string(::geteuid()));
    if (::mkdir(wanted.c_str(), 0700) != 0 && errno != EEXIST)
        TRACE_LOG("standard_folder_path() -- mkdir %s: %s", wanted.c_str(), errno_text().c_str());
    if (private_folder(wanted)) {
        chosen_temp_folder = wanted;
        return wanted;
    }
    TRACE_LOG("standard_folder_path() -- %s is not a private folder of ours; making a fresh one", wanted.c_str());
    std::string pattern = path_combine(root, "talverin-XXXXXX");
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) {
        TRACE_LOG("standard_folder_path() -- mkdtemp %s: %s", pattern.c_str(), errno_text().c_str());
        chosen_temp_folder.clear();
        return {};
    }
    chosen_temp_folder = buffer.data();
    return chosen_temp_folder;
}

bool file_present(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

}

std::string standard_folder_path(int kind)
{
    if (kind == 0)
        return private_temp_folder();
    if (kind == 1) {
        auto folder = current_program_environment().data_folder;
        if (!folder.empty() && !platform::env::ensure_private_folder(folder))
            TRACE_LOG("standard_folder_path() -- cannot make %s", folder.c_str());
        return folder;
    }
    return {};
}

std::string standard_folder_file_path(int kind, std::string_view name)
{
    if (kind != 1)
        return path_combine(standard_folder_path(kind), name);
    auto environment = current_program_environment();
    auto data_file = path_combine(environment.data_folder, name);
    if (file_present(data_file))
        return data_file;
    auto resource_file = path_combine(path_combine(environment.resources_folder, "talverin"), name);
    if (file_present(resource_file))
        return resource_file;
    return data_file;
}

std::string encode_path_as_name(std::string_view path)
{
    std::string result;
    result.reserve(path.size());
    for (char c : path) {
        switch (c) {
        case '%': result += "%%"; break;
        case ':': result += "%3A"; break;
        case '\\': result += "%5C"; break;
        case '.': result += "%2E"; break;
        case '/': result += "%2F"; break;
        default: result += c;
        }
    }
    return result;
}

std::string decode_path_from_name(std::string_view name)
{
    std::string result;
    result.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '%') {
            auto rest = name.substr(i + 1);
            if (rest.starts_with("%")) {
                result += '%';
                i += 1;
                continue;
            }
            struct escape {
                std::string_view code;
                char c;
            };
            static constexpr escape escapes[] = {{"3A", ':'}, {"5C", '\\'}, {"2E", '.'}, {"2F", '/'}};
            bool matched = false;
            for (const auto& e : escapes) {
                if (rest.starts_with(e.code)) {
                    result += e.c;
                    i += 2;
                    matched = true;
                    break;
                }
            }
            if (matched)
                continue;
        }
        result += name[i];
    }
    return result;
}

std::string checked_path_name(std::string_view path, std::string_view suffix)
{
    auto name = encode_path_as_name(path);
    if (name.size() + suffix.size() > max_file_name_length) {
        current_thrower().win32_failed(hevtools::win32api_error(
            "The document path is too long to name its file: " + std::string(path), ENAMETOOLONG));
    }
    return name;
}

namespace {

std::mutex source_mutex;
std::function<std::uint64_t()> name_source;

std::uint64_t next_random()
{
    std::lock_guard guard(source_mutex);
    if (name_source)
        return name_source();
    static std::mt19937_64 engine {std::random_device {}()};
    return engine();
}

bool name_taken(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

}

void set_temp_name_source(std::function<std::uint64_t()> source)
{
    std::lock_guard guard(source_mutex);
    name_source = std::move(source);
}

std::string generate_temp_file_name(std::string_view extension, std::string_view prefix)
{
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(next_random()));
    std::string name = std::string(prefix) + digits;
    if (!extension.empty() && extension.front() == '.')
        extension.remove_prefix(1);
    name += '.';
    name += extension.empty() ? std::string_view("tmp") : extension;
    return name;
}

file_path file_path_make_temp_name(std::string_view folder, std::string_view name, std::string_view extension,
    bool remove_on_release)
{
    if (!name.empty()) {
        file_path result(path_combine(folder, name), remove_on_release);
        if (!extension.empty())
            result.set_extension(extension);
        return result;
    }
    constexpr int attempts = 100;
    for (int i = 0; i < attempts; ++i) {
        auto candidate = path_combine(folder, generate_temp_file_name(extension));
        if (!name_taken(candidate))
            return file_path(candidate, remove_on_release);
    }
    report_no_free_temp_name(std::string(folder));
}

void report_no_free_temp_name(const std::string& folder)
{
    hevtools::win32api_error error("No free temporary name in " + folder + " after 100 tries", EEXIST);
    current_thrower().win32_failed(error);
    throw error; // every reporter throws; this only tells the compiler so
}

file_path temp_file_path_init_in_folder(std::string_view folder, std::string_view name, std::string_view extension,
    bool remove_on_release)
{
    return file_path_make_temp_name(folder, name, extension, remove_on_release);
}

file_path temp_file_path_init(int kind, std::string_view name, std::string_view extension, bool remove_on_release)
{
    return file_path_make_temp_name(standard_folder_path(kind), name, extension, remove_on_release);
}

file_path folder_path_create(std::string_view text, bool remove_on_release)
{
    file_path folder(std::string(text), remove_on_release);
    folder.create_folder(false);
    return folder;
}

file_path folder_path_create_from_cstring(const char* text, bool remove_on_release)
{
    return folder_path_create(text ? text : "", remove_on_release);
}

file_path folder_path_create_in(std::string_view parent, std::string_view name, bool remove_on_release)
{
    return folder_path_create(path_combine(parent, name), remove_on_release);
}

std::string program_path(bool file_too)
{
    auto executable = current_program_environment().executable;
    return file_too ? executable : file_path(executable).parent_folder();
}

std::string program_file_with_extension(int kind)
{
    return kind == 0 ? "talverin-stream.log" : "talverin.config";
}

void dump_to_temp_file(std::string_view text)
{
    auto folder = standard_folder_path(1);
    auto path = path_combine(folder, program_file_with_extension(0));
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        TRACE_LOG("dump_to_temp_file() -- open %s: %s", path.c_str(), errno_text().c_str());
        return;
    }
    // One write per text keeps texts of several threads whole.
    auto written = ::write(fd, text.data(), text.size());
    if (written != static_cast<ssize_t>(text.size()))
        TRACE_LOG("dump_to_temp_file() -- write %s: %s", path.c_str(), errno_text().c_str());
    ::close(fd);
}

}
