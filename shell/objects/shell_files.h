#pragma once

#include <string>
#include <string_view>

namespace shell {

// Creates the file, or empties it when it exists, and writes the text's bytes. A failure
// throws hevtools::win32api_error naming the file. Returns the path.
const std::string& write_string_to_file(std::string_view text, const std::string& path);
// The same, adding the text at the end of the file (made when missing).
void append_string_to_file(std::string_view text, const std::string& path);

// A file a message pushes: its path, and whether that path is a working copy this program made.
struct push_file_record {
    std::string path;
    bool copied = false;
};

// Unless the record's file was copied already, copies it into the folder under its own file
// name (overwriting) and points the record at the copy. False, the record unchanged, when
// the copy fails.
[[nodiscard]] bool make_working_copy(push_file_record& record, std::string_view folder);
// Copies the record's file into the folder under its own file name, overwriting; the record
// stays as it is.
[[nodiscard]] bool copy_into_folder(const push_file_record& record, std::string_view folder);
// Deletes the working copy when the record has one; the record is left empty.
void remove_working_copy(push_file_record& record);

}
