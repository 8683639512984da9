#include "shell/objects/shell_text.h"

#include "core/files/file_text.h"

#include <array>

namespace shell {

std::string_view body_part_marker(int kind, bool end)
{
    static constexpr std::array<std::array<std::string_view, 2>, 3> markers {{
        {"@@HTML_BODY_PART@@", "@@HTML_BODY_PART_END@@"},
        {"@@HTMLLITE_BODY_PART@@", "@@HTMLLITE_BODY_PART_END@@"},
        {"@@TXT_BODY_PART@@", "@@TXT_BODY_PART_END@@"},
    }};
    if (kind < 0 || kind >= static_cast<int>(markers.size()))
        return {};
    return markers[static_cast<std::size_t>(kind)][end ? 1 : 0];
}

std::string& replace_all(std::string& text, std::string_view from, std::string_view to, std::size_t start, std::size_t end)
{
    core::cstring_replace_all(text, from, to, start, end);
    return text;
}

std::string replace_extension(std::string_view path, std::string_view extension)
{
    core::file_path file(std::string {path});
    file.set_extension(extension);
    return file.path();
}

std::string remove_extension(std::string_view path)
{
    return replace_extension(path, {});
}

}
