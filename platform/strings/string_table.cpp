#include "platform/strings/string_table.h"

#include "platform/files/regular_file.h"
#include "platform/text/line_reader.h"
#include "platform/text/quoted_text.h"

#include <charconv>

namespace platform::strings {

string_table string_table::load(const std::string& path, std::span<const unsigned> required)
{
    auto file = files::read_regular_file(path, max_string_table_size);
    if (file.result == files::regular_file::outcome::missing)
        throw string_table_error(path + ": cannot read the string table: no such file");
    if (file.result == files::regular_file::outcome::unusable)
        throw string_table_error(path + ": cannot read the string table: it " + file.problem);
    auto table = parse(file.bytes, path);
    for (unsigned id : required) {
        if (table.text(id).empty())
            throw string_table_error(path + ": the string table has no text for string " + std::to_string(id));
    }
    return table;
}

string_table string_table::parse(std::string_view text, std::string_view file_name)
{
    string_table table;
    text::line_reader lines(text);
    std::string_view line;
    while (lines.next(line)) {
        auto fail = [&](const std::string& reason) {
            return string_table_error(std::string(file_name) + ":" + std::to_string(lines.number()) + ": " + reason);
        };
        if (line.empty() || line.front() == '#')
            continue;
        unsigned id = 0;
        auto [id_end, ec] = std::from_chars(line.data(), line.data() + line.size(), id);
        if (ec != std::errc() || id_end == line.data() || id_end == line.data() + line.size() || *id_end != ' ')
            throw fail("expected `<id> \"<text>\"`");
        std::string content;
        std::string reason;
        std::size_t cursor = static_cast<std::size_t>(id_end - line.data()) + 1;
        if (!text::read_quoted(line, cursor, content, reason))
            throw fail(reason);
        if (cursor != line.size())
            throw fail("text after the closing quote");
        if (!table.texts_.emplace(id, std::move(content)).second)
            throw fail("duplicate id " + std::to_string(id));
    }
    return table;
}

const std::string& string_table::text(unsigned id) const
{
    static const std::string none;
    auto it = texts_.find(id);
    return it == texts_.end() ? none : it->second;
}

}
