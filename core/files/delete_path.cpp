#include "core/files/delete_path.h"

#include <filesystem>

namespace core {

std::string delete_temporary_path(const std::string& path)
{
    namespace fs = std::filesystem;
    if (path.empty())
        return "refused to delete an empty path";
    if (path[0] != '/')
        return "refused to delete the relative path \"" + path + "\"";
    std::error_code ec;
    auto status = fs::symlink_status(path, ec);
    if (ec || !fs::exists(status))
        return ec && ec != std::errc::no_such_file_or_directory ? "\"" + path + "\": " + ec.message() : "";
    // remove_all removes links themselves and never descends through them.
    if (status.type() == fs::file_type::directory)
        fs::remove_all(path, ec);
    else
        fs::remove(path, ec);
    return ec ? "\"" + path + "\": " + ec.message() : "";
}

}
