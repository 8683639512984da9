#include "core/files/path_parts.h"

#include "core/errors/wizard_thrower.h"
#include "core/files/file_path.h"
#include "core/log/trace_log.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

namespace {

bool ends_with_separator(const std::string& text)
{
    return !text.empty() && (text.back() == '/' || text.back() == '\\');
}

std::string with_separator(std::string folder)
{
    if (!folder.empty() && !ends_with_separator(folder))
        folder += '/';
    return folder;
}

std::string extension_of(const std::string& name)
{
    auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
}

}

path_parts path_parts::in_folder(int kind, std::string_view name)
{
    if (kind == 1 && name.empty())
        return path_parts(program_path(true));
    if (kind == 1)
        return path_parts(standard_folder_file_path(1, name));
    return path_parts(with_separator(standard_folder_path(kind)) + std::string(name));
}

void path_parts::set(std::string_view path)
{
    full_ = std::string(path);
    auto at = full_.find_last_of("/\\");
    folder_ = at == std::string::npos ? std::string() : full_.substr(0, at + 1);
    file_name_ = at == std::string::npos ? full_ : full_.substr(at + 1);
    extension_ = extension_of(file_name_);
    base_name_ = file_name_.substr(0, file_name_.size() - extension_.size());
}

void path_parts::rebuild()
{
    full_ = folder_ + file_name_;
}

void path_parts::set_folder(std::string_view folder)
{
    folder_ = with_separator(std::string(folder));
    rebuild();
}

void path_parts::set_extension(std::string_view extension)
{
    extension_ = std::string(extension);
    file_name_ = base_name_ + extension_;
    rebuild();
}

void path_parts::set_name(std::string_view name, bool brings_extension)
{
    if (brings_extension) {
        file_name_ = std::string(name);
        extension_ = extension_of(file_name_);
        base_name_ = file_name_.substr(0, file_name_.size() - extension_.size());
    } else {
        base_name_ = std::string(name);
        file_name_ = base_name_ + extension_;
    }
    rebuild();
}

bool path_parts::exists() const
{
    if (full_.empty())
        return false;
    int fd = ::open(full_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool path_parts::touch() const
{
    if (full_.empty())
        return false;
    int fd = ::open(full_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        TRACE_LOG("path_parts::touch() -- %s: %s", full_.c_str(), std::strerror(errno));
        return false;
    }
    ::close(fd);
    return true;
}

temp_name::~temp_name()
{
    release();
}

temp_name::temp_name(temp_name&& other) noexcept : path_(std::move(other.path_)), remove_(other.remove_), folder_(other.folder_)
{
    other.remove_ = false;
    other.path_.clear();
}

temp_name& temp_name::operator=(temp_name&& other) noexcept
{
    if (this != &other) {
        release();
        path_ = std::move(other.path_);
        remove_ = other.remove_;
        folder_ = other.folder_;
        other.remove_ = false;
        other.path_.clear();
    }
    return *this;
}

void temp_name::release()
{
    if (!remove_ || path_.empty())
        return;
    remove_ = false;
    struct stat info {};
    if (::lstat(path_.c_str(), &info) != 0)
        return;
    int result = folder_ && S_ISDIR(info.st_mode) ? ::rmdir(path_.c_str()) : (S_ISDIR(info.st_mode) ? 0 : ::unlink(path_.c_str()));
    if (result != 0)
        TRACE_LOG("temp_name::release() -- %s: %s", path_.c_str(), std::strerror(errno));
}

namespace {

std::string folder_or_temp(std::string_view folder)
{
    return folder.empty() ? standard_folder_path(0) : std::string(folder);
}

// A generated name not yet taken, made as a file when create is set.
std::string fresh_name(const std::string& folder, std::string_view extension, bool create, std::string_view prefix)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto path = path_combine(folder, generate_temp_file_name(extension, prefix));
        if (!create) {
            struct stat info {};
            if (::lstat(path.c_str(), &info) != 0)
                return path;
            continue;
        }
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST) {
            TRACE_LOG("temp_file_name_init() -- %s: %s", path.c_str(), std::strerror(errno));
            return {};
        }
    }
    report_no_free_temp_name(folder);
}

std::string named_path(const std::string& folder, std::string_view name, std::string_view extension)
{
    auto path = path_combine(folder, name);
    if (!extension.empty() && extension.front() == '.')
        extension.remove_prefix(1);
    if (!extension.empty()) {
        if (path.empty() || path.back() != '.')
            path += '.';
        path += extension;
    }
    return path;
}

bool make_folder(const std::string& path)
{
    if (path.empty())
        return false;
    if (::mkdir(path.c_str(), 0700) == 0)
        return true;
    TRACE_LOG("temp_folder_name_init() -- mkdir %s: %s", path.c_str(), std::strerror(errno));
    return false;
}

}

temp_name temp_file_name_init(std::string_view folder, std::string_view name, std::string_view extension, bool remove,
    std::string_view prefix)
{
    auto base = folder_or_temp(folder);
    if (!name.empty())
        return temp_name(named_path(base, name, extension), remove, false);
    auto bare = extension.starts_with(".") ? extension.substr(1) : extension;
    bool keeps_file = bare.empty() || strncasecmp(std::string(bare).c_str(), "tmp", 4) == 0;
    return temp_name(fresh_name(base, keeps_file ? std::string_view("tmp") : bare, keeps_file, prefix), remove, false);
}

temp_name temp_folder_name_init(std::string_view folder, std::string_view name, bool remove)
{
    auto base = folder_or_temp(folder);
    if (!name.empty()) {
        auto path = path_combine(base, name);
        make_folder(path);
        return temp_name(path, remove, true);
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        // A generated name without its extension.
        auto path = path_combine(base, generate_temp_file_name("tmp"));
        path.resize(path.size() - 4);
        if (::mkdir(path.c_str(), 0700) == 0)
            return temp_name(path, remove, true);
        if (errno != EEXIST) {
            TRACE_LOG("temp_folder_name_init() -- mkdir %s: %s", path.c_str(), std::strerror(errno));
            return temp_name(path, false, true);
        }
    }
    report_no_free_temp_name(base);
}

temp_name temp_folder_name_init_at(int kind, std::string_view name, bool remove)
{
    auto parts = path_parts::in_folder(kind, name);
    std::string path = parts.full() ? parts.full() : "";
    make_folder(path);
    return temp_name(path, remove, true);
}

}
