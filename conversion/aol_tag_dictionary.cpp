#include "conversion/aol_tag_dictionary.h"

#include "core/markup/ascii.h"
#include "core/files/mapped_file.h"

namespace conversion {

std::vector<std::string_view> split_dictionary_lines(std::span<const char> bytes)
{
    std::vector<std::string_view> lines;
    auto keep = [&](std::size_t begin, std::size_t end) {
        if (end == begin || bytes[begin] == ';')
            return;
        const std::size_t length = std::min(end - begin, dictionary_line_limit);
        lines.emplace_back(bytes.data() + begin, length);
    };
    std::size_t begin = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c != '\n' && c != '\r') {
            ++i;
            continue;
        }
        keep(begin, i);
        // "\r\n" and "\n\r" are one line end.
        if (i + 1 < bytes.size() && (bytes[i + 1] == '\n' || bytes[i + 1] == '\r') && bytes[i + 1] != c)
            ++i;
        begin = ++i;
    }
    keep(begin, bytes.size());
    return lines;
}

bool CDictionary::Load(const std::string& path)
{
    entries_.clear();
    core::files::mapped_file file;
    if (!file.open(path))
        return false;
    Load(split_dictionary_lines(file.bytes()));
    return true;
}

void CDictionary::Load(const std::vector<std::string_view>& lines)
{
    entries_.clear();
    entries_.reserve(lines.size());
    for (std::string_view line : lines) {
        core::CDictHTMLTag tag;
        tag.Parse(std::string(line), 0);
        entries_.push_back(std::move(tag));
    }
}

bool CDictionary::Find(std::string_view name) const
{
    for (const core::CDictHTMLTag& entry : entries_)
        if (core::equal_ignoring_case(entry.GetName(), name))
            return true;
    return false;
}

bool CDictionary::Find(const core::CHTMLTag& tag) const { return Find(tag.GetName()); }

}
