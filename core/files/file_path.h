#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <ios>
#include <string>
#include <string_view>

namespace core {

// Paths are written with "/"; splitting also accepts "\" so that paths written by the
// Windows program (manifests, job files) still split. None of these operations throws on
// a system failure: they give an empty or unchanged result and trace the failure.

// The folder, a "/" unless it already ends in a separator, then the name; an empty
// folder gives the name alone.
std::string path_combine(std::string_view folder, std::string_view name);

// A file or folder path; with remove_on_release the file (or, for a folder, the folder
// when empty) is removed when the object ends. A symlink is removed itself, never followed.
class file_path {
public:
    file_path() = default;
    explicit file_path(std::string text, bool remove_on_release = false); // file_path_init
    ~file_path();
    file_path(file_path&& other) noexcept;
    file_path& operator=(file_path&& other) noexcept;
    file_path(const file_path&) = delete;
    file_path& operator=(const file_path&) = delete;

    const std::string& path() const { return path_; }
    const char* c_str() const { return path_.c_str(); }
    bool remove_on_release() const { return remove_on_release_; }
    // Keeps the file: the object no longer removes it.
    void keep() { remove_on_release_ = false; }

    bool exists() const;
    bool is_directory() const;
    // A folder is removed when empty; otherwise an existing file is deleted.
    bool remove() const;
    // The path without its last component ("/" and "C:\" stay as roots).
    std::string parent_folder() const;
    // The last component; empty when it is not a plain file name; without its extension
    // when with_extension is false.
    std::string file_name(bool with_extension = true) const;
    // The extension without its dot; empty when there is none.
    std::string extension() const;
    // Replaces the extension ("tar.gz" gives name.tar.gz); an empty one adds no ".".
    void set_extension(std::string_view extension);
    // The file name joined to another folder.
    void move_to_folder(std::string_view folder);
    // Appends the relative path and folds "." and ".."; empty relative: unchanged; empty
    // path: the relative path as it is.
    void resolve_relative_path(std::string_view relative);
    // Copies the file; a folder target receives it under the same name. A copy onto the
    // file itself keeps it; a missing source leaves the target untouched.
    bool copy_to(std::string_view target, bool overwrite = true) const;
    // Makes the folder unless it exists; true when it exists afterwards (false when it
    // existed and fail_if_exists is set).
    bool create_folder(bool fail_if_exists = false) const;

private:
    void release();

    std::string path_;
    bool remove_on_release_ = false;
};

// Standard folders: 0 the program's private temporary folder, 1 the per-user data folder.
std::string standard_folder_path(int kind);
// The named program file: kind 1 gives the data-folder file if present, else the
// resources file if present, else the data-folder path; kind 0 the temporary-folder path.
std::string standard_folder_file_path(int kind, std::string_view name);

// One flat file name from a path: "%"→"%%", ":"→"%3A", "\"→"%5C", "."→"%2E", "/"→"%2F".
std::string encode_path_as_name(std::string_view path);
// The path back from a flat name, in one left-to-right pass.
std::string decode_path_from_name(std::string_view name);
// The flat name of a path for a file whose name ends in `suffix`; a name too long for a
// file is reported through the thread's reporter (never cut).
std::string checked_path_name(std::string_view path, std::string_view suffix);
inline constexpr std::size_t max_file_name_length = 255;

// Generated temporary names: the prefix ("tfc" unless given), 16 random hex digits, "."
// and the extension ("tmp" when none). The random source may be replaced (tests force collisions); null restores
// the default.
void set_temp_name_source(std::function<std::uint64_t()> source);
std::string generate_temp_file_name(std::string_view extension, std::string_view prefix = "tfc");
// Reports through the thread's reporter that no free temporary name was found.
[[noreturn]] void report_no_free_temp_name(const std::string& folder);

// With a name: path_combine(folder, name) with the extension set; without one, a
// generated name not yet taken in the folder (the name only: no file is made). After 100
// taken names in a row the failure is reported through the thread's reporter.
file_path file_path_make_temp_name(std::string_view folder, std::string_view name, std::string_view extension,
    bool remove_on_release = false);
file_path temp_file_path_init_in_folder(std::string_view folder, std::string_view name, std::string_view extension,
    bool remove_on_release);
file_path temp_file_path_init(int kind, std::string_view name, std::string_view extension, bool remove_on_release);

// Folder path objects, the folder made when missing.
file_path folder_path_create(std::string_view text, bool remove_on_release);
file_path folder_path_create_from_cstring(const char* text, bool remove_on_release);
file_path folder_path_create_in(std::string_view parent, std::string_view name, bool remove_on_release);

// The running program's file, or without file_too its folder.
std::string program_path(bool file_too);
// The program's own files in the data folder: 0 the log-stream file, 1 the config file.
std::string program_file_with_extension(int kind);

// Appends the text to the log-stream file with one write.
void dump_to_temp_file(std::string_view text);

}

namespace hevtools {

// An output stream on the program file of a kind in a folder; it closes the stream and
// then releases the path (removing the file when asked) when it ends.
template <class Stream = std::ofstream>
class temp_stream {
public:
    temp_stream(std::string_view folder, int kind, bool remove_on_release, std::ios_base::openmode mode)
        : path_(core::path_combine(folder, core::program_file_with_extension(kind)), remove_on_release)
    {
        stream_.open(path_.path(), mode | std::ios_base::out);
    }
    ~temp_stream() { stream_.close(); }
    temp_stream(const temp_stream&) = delete;
    temp_stream& operator=(const temp_stream&) = delete;

    Stream& stream() { return stream_; }
    const core::file_path& path() const { return path_; }

private:
    core::file_path path_;
    Stream stream_;
};

}
