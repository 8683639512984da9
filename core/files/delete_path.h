#pragma once

#include <string>

namespace core {

// Deletes a file, or a folder with everything in it. Symbolic links are removed, never
// followed. Empty and relative paths are refused. Empty result on success or when the
// path does not exist; otherwise the reason.
std::string delete_temporary_path(const std::string& path);

}
