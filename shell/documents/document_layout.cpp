#include "shell/documents/document_layout.h"

#include "core/files/file_path.h"
#include "platform/files/atomic_write.h"
#include "shell/objects/shell_text.h"

#include <array>
#include <cctype>
#include <filesystem>
#include <sys/stat.h>

namespace shell {

namespace {

constexpr std::array<std::string_view, 3> part_names {"Message_Body.htm", "Message_Body-AOL.htm", "Message_Body.txt"};
// The longest name the document derives from its flat name.
constexpr std::string_view longest_suffix = ".objects.new";

bool written_on_windows(std::string_view path)
{
    return path.find('\\') != std::string_view::npos
        || (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])));
}

}

std::string_view message_part_name(int kind)
{
    return kind >= 0 && kind < 3 ? part_names[static_cast<std::size_t>(kind)] : std::string_view();
}

std::string document_base_path(std::string_view file, std::string_view current_folder)
{
    if (file.empty())
        return {};
    if (written_on_windows(file))
        return remove_extension(file);
    std::filesystem::path path(file);
    if (path.is_relative())
        path = std::filesystem::path(current_folder) / path;
    auto normal = path.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return remove_extension(normal);
}

std::string companion_folder(std::string_view base) { return std::string(base) + "_files"; }

std::string message_files_folder(std::string_view base)
{
    return join_path(companion_folder(base), "Message_Files");
}

std::optional<std::string> flat_document_name(std::string_view base)
{
    auto name = core::encode_path_as_name(base);
    if (name.empty() || name.size() + longest_suffix.size() > core::max_file_name_length)
        return std::nullopt;
    return name;
}

std::string message_part_path(std::string_view base, int kind, std::string_view dictionaries)
{
    if (kind >= 0 && kind < 3)
        return join_path(message_files_folder(base), message_part_name(kind));
    if (kind != 3)
        return {};
    auto flat = flat_document_name(base);
    return flat ? join_path(dictionaries, *flat + ".dndtf") : std::string();
}

std::string manifest_path(std::string_view base, std::string_view dictionaries)
{
    auto flat = flat_document_name(base);
    return flat ? join_path(dictionaries, *flat + ".objects") : std::string();
}

std::string document_base_from_part_path(std::string_view path)
{
    for (char separator : {'\\', '/'}) {
        for (auto name : part_names) {
            std::string needle;
            needle += separator;
            needle += "Message_Files";
            needle += separator;
            needle += name;
            auto at = path.find(needle);
            constexpr std::size_t files_suffix = 6; // "_files"
            if (at != std::string_view::npos && at >= files_suffix)
                return std::string(path.substr(0, at - files_suffix));
        }
    }
    return {};
}

std::optional<document_files> document_files_for(std::string_view base, std::string_view anchor_extension,
    std::string_view dictionaries)
{
    auto flat = flat_document_name(base);
    if (!flat)
        return std::nullopt;
    return document_files {std::string(base) + std::string(anchor_extension), companion_folder(base),
        join_path(dictionaries, *flat + ".dndtf"), join_path(dictionaries, *flat + ".objects")};
}

bool ensure_anchor(const std::string& anchor)
{
    struct stat info {};
    if (::lstat(anchor.c_str(), &info) == 0)
        return true;
    return !platform::files::atomic_write(anchor, anchor_placeholder, 0644);
}

}
