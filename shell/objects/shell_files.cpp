#include "shell/objects/shell_files.h"

#include "core/errors/errors.h"
#include "core/files/file_path.h"
#include "shell/objects/object_file_name.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace shell {

namespace {

// Where the record's file lands in a folder: its own name, kept inside the folder.
std::string path_in_folder(const push_file_record& record, std::string_view folder)
{
    return core::path_combine(folder, object_file_name(record.path));
}

void write_to_file(std::string_view text, const std::string& path, std::ios::openmode mode)
{
    std::ofstream file(path, std::ios::binary | mode);
    if (file)
        file.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (file)
        file.close();
    if (!file) {
        const int error = errno;
        throw hevtools::win32api_error("Cannot write the file " + path + ": " + std::strerror(error), error);
    }
}

}

const std::string& write_string_to_file(std::string_view text, const std::string& path)
{
    write_to_file(text, path, std::ios::trunc);
    return path;
}

void append_string_to_file(std::string_view text, const std::string& path)
{
    write_to_file(text, path, std::ios::app);
}

bool make_working_copy(push_file_record& record, std::string_view folder)
{
    if (record.copied)
        return true;
    auto copy = path_in_folder(record, folder);
    if (!core::file_path(record.path).copy_to(copy))
        return false;
    record.path = std::move(copy);
    record.copied = true;
    return true;
}

bool copy_into_folder(const push_file_record& record, std::string_view folder)
{
    return core::file_path(record.path).copy_to(path_in_folder(record, folder));
}

void remove_working_copy(push_file_record& record)
{
    if (record.copied)
        core::file_path(record.path).remove();
    record.path.clear();
    record.copied = false;
}

}
