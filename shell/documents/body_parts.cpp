#include "shell/documents/body_parts.h"

#include "core/files/file_text.h"
#include "shell/objects/shell_text.h"

#include <fstream>
#include <iterator>

namespace shell {

namespace {

constexpr int kind_count = 3;

struct line_span {
    std::size_t start = 0;
    std::size_t next = 0; // after its "\n", or the end of the text
};

line_span line_at(std::string_view text, std::size_t start)
{
    const auto feed = text.find('\n', start);
    return {start, feed == std::string_view::npos ? text.size() : feed + 1};
}

// The kind whose start marker begins the line, or -1.
int opened_kind(std::string_view line)
{
    for (int kind = 0; kind < kind_count; ++kind) {
        if (line.starts_with(body_part_marker(kind, false)))
            return kind;
    }
    return -1;
}

}

std::string format_body_parts(const std::array<std::optional<std::string>, 3>& bodies)
{
    std::string text;
    for (int kind = 0; kind < kind_count; ++kind) {
        const auto& body = bodies[static_cast<std::size_t>(kind)];
        if (!body)
            continue;
        text += body_part_marker(kind, false);
        text += '\n';
        text += *body;
        text += '\n';
        text += body_part_marker(kind, true);
        text += '\n';
    }
    return text;
}

std::optional<std::string> find_marked_section(std::string_view text, int kind)
{
    if (kind < 0 || kind >= kind_count)
        return std::nullopt;
    bool marked = false;
    for (auto line = line_at(text, 0); line.start < text.size(); line = line_at(text, line.next)) {
        const int opened = opened_kind(text.substr(line.start, line.next - line.start));
        if (opened < 0)
            continue;
        marked = true;
        const auto end_marker = body_part_marker(opened, true);
        const auto body_start = line.next;
        auto end = line_at(text, body_start);
        while (end.start < text.size() && !text.substr(end.start).starts_with(end_marker))
            end = line_at(text, end.next);
        if (opened != kind) {
            line = end; // the next line read is the one behind the end marker
            continue;
        }
        const bool windows = line.next >= line.start + 2 && text[line.next - 1] == '\n' && text[line.next - 2] == '\r';
        std::string body(text.substr(body_start, end.start - body_start));
        if (windows && body.ends_with("\r\n"))
            body.resize(body.size() - 2);
        else if (body.ends_with('\n'))
            body.pop_back();
        if (windows)
            core::cstring_replace_all(body, "\r\n", "\n");
        return body;
    }
    if (kind == 0 && !marked)
        return std::string(text);
    return std::nullopt;
}

bool read_marked_section(const std::string& path, int kind, std::string& text)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return kind == 0;
    // Read in blocks: a message body is often megabytes, too long to take a byte at a time.
    std::string content;
    char block[64 * 1024];
    while (file.read(block, sizeof block) || file.gcount() > 0)
        content.append(block, static_cast<std::size_t>(file.gcount()));
    const auto section = find_marked_section(content, kind);
    if (!section)
        return false;
    text += *section;
    return true;
}

}
