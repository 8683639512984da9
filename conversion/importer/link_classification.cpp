#include "conversion/importer/link_classification.h"

#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "core/url/file_url.h"
#include "core/vocab/object_kinds.h"
#include "core/vocab/pull_placeholders.h"
#include "platform/files/regular_file.h"

#include <sys/stat.h>

namespace conversion {

namespace {

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = core::ascii_lower(c);
    return out;
}

bool is_scheme_char(char c)
{
    return core::is_ascii_letter(c) || core::is_ascii_digit(c) || c == '+' || c == '-' || c == '.';
}

// The name inside a "[pull name=...]" placeholder that begins the text; the text otherwise.
std::string without_pull_placeholder(std::string_view text)
{
    std::string value(text);
    if (core::starts_with_ignoring_case(value, core::pull_placeholder_prefix))
        core::GetPullPlaceholderName(value);
    return value;
}

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && is_space(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_space(text.back()))
        text.remove_suffix(1);
    return text;
}

}

mime_table mime_table::from_text(std::string_view text)
{
    mime_table table;
    std::size_t from = 0;
    while (from < text.size()) {
        auto end = text.find('\n', from);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(from, end - from);
        from = end + 1;
        if (auto hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        std::string type;
        std::size_t at = 0;
        while (at < line.size()) {
            while (at < line.size() && is_space(line[at]))
                ++at;
            const auto word_start = at;
            while (at < line.size() && !is_space(line[at]))
                ++at;
            if (at == word_start)
                break;
            const std::string word = lower(line.substr(word_start, at - word_start));
            if (type.empty())
                type = word;
            else
                table.types_.emplace(word, type);
        }
    }
    return table;
}

mime_table mime_table::load_standard()
{
    const std::string path = core::standard_folder_file_path(1, "mime-types.txt");
    auto file = platform::files::read_regular_file(path, 1 << 20);
    if (file.result != platform::files::regular_file::outcome::read) {
        TRACE_LOG("mime_table::load_standard() -- %s cannot be read: every link is a click-to\n", path.c_str());
        return {};
    }
    return from_text(file.bytes);
}

std::string mime_table::type_for_name(std::string_view name) const
{
    name = name.substr(0, name.find_first_of("?#"));
    const auto slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    auto found = types_.find(lower(name.substr(dot + 1)));
    return found == types_.end() ? std::string() : found->second;
}

link_parts split_link(std::string_view link)
{
    link_parts parts;
    std::string_view rest = link;
    const auto colon = rest.find(':');
    if (colon != std::string_view::npos && colon > 1 && core::is_ascii_letter(rest[0])) {
        bool scheme = true;
        for (std::size_t i = 0; i < colon && scheme; ++i)
            scheme = is_scheme_char(rest[i]);
        if (scheme) {
            parts.scheme = lower(rest.substr(0, colon));
            rest.remove_prefix(colon + 1);
        }
    }
    if (auto hash = rest.find('#'); hash != std::string_view::npos) {
        parts.fragment = std::string(rest.substr(hash + 1));
        rest = rest.substr(0, hash);
    }
    if (auto question = rest.find('?'); question != std::string_view::npos) {
        parts.query = std::string(rest.substr(question + 1));
        rest = rest.substr(0, question);
    }
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const auto end = rest.find_first_of("/\\");
        parts.host = std::string(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    }
    parts.path = std::string(rest);
    return parts;
}

int classify_link(std::string_view href, std::string_view page_name, const mime_table& types)
{
    const std::string value = without_pull_placeholder(trimmed(href));
    if (value.empty())
        return core::hyperlink;
    const link_parts parts = split_link(value);
    if (parts.scheme == "mailto" || core::starts_with_ignoring_case(value, "mailto:"))
        return core::mailto;
    if (parts.scheme == "javascript" || parts.scheme == "vbscript")
        return core::hyperlink;
    if (parts.host.empty()
        && (value.front() == '#'
            || (!page_name.empty() && core::starts_with_ignoring_case(value, std::string(page_name) + "#"))))
        return core::hyperlink;
    if (!parts.scheme.empty() && parts.scheme != "file" && !parts.query.empty())
        return core::clickto;
    return core::starts_with_ignoring_case(types.type_for_name(parts.path), "application/") ? core::pullfile
                                                                                         : core::clickto;
}

std::vector<std::string> resource_candidates(std::string_view reference, std::string_view page_folder)
{
    std::string_view text = trimmed(reference);
    if (text.empty() || text.size() > max_reference_length)
        return {};
    std::string value = without_pull_placeholder(text);
    if (core::starts_with_ignoring_case(value, "file:"))
        value = core::FileUrlToPath(value);
    const link_parts parts = split_link(value);
    if (!parts.scheme.empty() || !parts.host.empty() || value.empty())
        return {};
    for (char& c : value)
        if (c == '\\')
            c = '/';
    if (value.front() == '/') {
        core::file_path absolute("/");
        absolute.resolve_relative_path(value.substr(1));
        return {absolute.path()};
    }
    if (page_folder.empty())
        return {};
    core::file_path joined {std::string(page_folder)};
    joined.resolve_relative_path(value);
    // "." and the like name the page's folder itself, never a file in it.
    if (core::file_path(std::string(page_folder)).path() == joined.path())
        return {};
    return {joined.path()};
}

std::string find_resource_file(std::string_view reference, std::string_view page_folder)
{
    for (const std::string& candidate : resource_candidates(reference, page_folder)) {
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            return candidate;
    }
    return {};
}

}
