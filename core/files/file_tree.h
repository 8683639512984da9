#pragma once

#include <string>

namespace core {

// Flushes every file and folder of a tree (the root included) to the disk, by one flush of
// the file system that holds it. Empty on success, otherwise the reason naming the path.
[[nodiscard]] std::string sync_tree(const std::string& root);

// Flushes one file or folder to the disk; empty on success, else the reason naming it.
[[nodiscard]] std::string sync_path(const std::string& path);

// Whether two paths lie on one file system, so that one flush of it (sync_tree) writes both.
// False when either cannot be looked at.
bool on_same_file_system(const std::string& a, const std::string& b);

// Whether two regular files hold the same bytes (the same file counts too). False when
// either is missing, is no regular file or cannot be read.
bool same_file_bytes(const std::string& a, const std::string& b);

// Copies a tree into `target` (made when missing): folders, regular files and symbolic
// links as links, never followed. Empty on success, otherwise the reason naming the path.
[[nodiscard]] std::string copy_tree(const std::string& source, const std::string& target);

}
