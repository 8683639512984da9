#pragma once

#include <string>
#include <string_view>

namespace core {

// The older path record: full path, folder (with its trailing separator), file name, base
// name (file name without extension) and extension (with its dot).
class path_parts {
public:
    path_parts() = default;
    explicit path_parts(std::string_view path) { set(path); } // path_parts_init
    // path_parts_init_in_folder: kind 1 with no name splits the program's own path;
    // otherwise the standard folder of the kind followed by the name (a named program
    // file of kind 1 as standard_folder_file_path finds it).
    static path_parts in_folder(int kind, std::string_view name);

    void set(std::string_view path); // path_parts_set

    // The field, or null when it is empty.
    const char* full() const { return field(full_); }
    const char* folder() const { return field(folder_); }
    const char* extension() const { return field(extension_); }
    // The file name with the flag set, the base name without it.
    const char* name(bool with_extension) const { return field(with_extension ? file_name_ : base_name_); }

    void set_folder(std::string_view folder);
    void set_extension(std::string_view extension);
    // With brings_extension the name carries its own extension; without it the current
    // extension is kept.
    void set_name(std::string_view name, bool brings_extension);

    // The file can be opened for reading.
    bool exists() const;
    // Opens the file for writing, making it when missing, and closes it.
    bool touch() const;

private:
    static const char* field(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }
    void rebuild();

    std::string full_;
    std::string folder_;
    std::string file_name_;
    std::string base_name_;
    std::string extension_;
};

// The older temporary name: a path and whether to remove it when the record ends.
class temp_name {
public:
    temp_name() = default;
    temp_name(std::string path, bool remove, bool is_folder) : path_(std::move(path)), remove_(remove), folder_(is_folder) { }
    ~temp_name(); // temp_file_name_release / temp_folder_name_release
    temp_name(temp_name&& other) noexcept;
    temp_name& operator=(temp_name&& other) noexcept;
    temp_name(const temp_name&) = delete;
    temp_name& operator=(const temp_name&) = delete;

    const char* c_str() const { return path_.c_str(); } // temp_name_c_str
    const std::string& path() const { return path_; }

private:
    void release();

    std::string path_;
    bool remove_ = false;
    bool folder_ = false;
};

// Folder = the given one or the private temporary folder. Without a name a generated one
// that starts with the prefix; without an extension or with "tmp" that file is made
// (exclusively, mode 0600), with any other extension only the name is kept. With a name: folder, separator, name, then "."
// and the extension (a leading "." of the extension is skipped; an empty one adds nothing).
temp_name temp_file_name_init(std::string_view folder, std::string_view name, std::string_view extension, bool remove,
    std::string_view prefix = "tfc");
// The same naming without an extension, then the folder is made.
temp_name temp_folder_name_init(std::string_view folder, std::string_view name, bool remove);
// A folder at path_parts::in_folder(kind, name), made.
temp_name temp_folder_name_init_at(int kind, std::string_view name, bool remove);

}
