#pragma once

#include <string>

namespace core {

// Deletes every entry of the folder but its subfolders (hidden files too; a symlink is
// removed itself, never followed; permissions are not changed). True when every deletion
// succeeded; it goes on after a failure.
bool DeleteFilesInFolder(const std::string& folder);

// True at the first file of the folder that cannot be opened for writing or is locked
// (flock) by someone else; false when all could be taken.
bool FolderHasLockedFile(const std::string& folder);

// The whole file as text, up to its first zero byte; "" when it cannot be read (traced).
std::string ReadFileToString(const std::string& path);

// The named program file (as standard_folder_file_path kind 1 finds it) into path; false
// when the program's folders are unknown.
bool GetModuleRelativePath(const std::string& name, std::string& path);

}
