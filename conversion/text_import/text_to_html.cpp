#include "conversion/text_import/text_to_html.h"

#include "conversion/text_import/linkifier.h"
#include "core/markup/escape.h"
#include "core/util/strings.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <locale>
#include <sstream>

namespace conversion {

namespace {

constexpr std::string_view tab_replacement = "&nbsp;&nbsp;&nbsp;";
constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

bool is_blank_line(std::string_view line)
{
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// The line's markup characters escaped, tabs widened, and every space after a space or a
// tab written as "&nbsp;", so that only single spaces separate its words.
std::string map_line(std::string_view line)
{
    std::string out;
    out.reserve(line.size() + line.size() / 4);
    bool after_space = false;
    for (char c : line) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\t': out += tab_replacement; break;
        case ' ': out += after_space ? "&nbsp;" : " "; break;
        default: out += c; break;
        }
        after_space = c == ' ' || c == '\t';
    }
    return out;
}

// Character classes in which only the blank separates words: other control bytes of a line
// stay in its words.
class blank_separated_words : public std::ctype<char> {
public:
    blank_separated_words() : std::ctype<char>(table()) { }

private:
    static const mask* table()
    {
        static const auto classes = [] {
            std::array<mask, table_size> made {};
            std::copy(classic_table(), classic_table() + table_size, made.begin());
            for (auto& m : made)
                m = static_cast<mask>(m & ~space);
            made[static_cast<unsigned char>(' ')] = static_cast<mask>(made[static_cast<unsigned char>(' ')] | space);
            return made;
        }();
        return classes.data();
    }
};

const std::locale& line_locale()
{
    // The locale owns and deletes the facet.
    static const std::locale locale(std::locale::classic(), new blank_separated_words);
    return locale;
}

void write_line(std::string_view line, std::string& out)
{
    std::istringstream words(map_line(line));
    words.imbue(line_locale());
    out += ' ';
    while (words >> std::ws, !words.eof()) {
        out += linkify_word(words);
        out += ' ';
    }
}

}

std::vector<std::string> default_font_sizes()
{
    return {"8", "10", "12", "14", "18", "24", "36"};
}

int font_size_position(int points, const std::vector<std::string>& sizes)
{
    const std::string wanted = std::to_string(points);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (sizes[i].compare(0, wanted.size(), wanted) == 0)
            return static_cast<int>(i) + 1;
    }
    int best = 0;
    long best_distance = 100;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const long distance = std::labs(std::strtol(sizes[i].c_str(), nullptr, 10) - points);
        if (distance < best_distance) {
            best_distance = distance;
            best = static_cast<int>(i) + 1;
        }
    }
    return best;
}

std::string text_to_html(std::string_view text, const page_style& style)
{
    if (text.substr(0, byte_order_mark.size()) == byte_order_mark)
        text.remove_prefix(byte_order_mark.size());

    std::string out;
    out.reserve(text.size() + text.size() / 2 + 128);
    out += "<html><body>\n<font ";
    if (!style.face.empty())
        out += "face='" + core::escape_attribute_value(style.face, '\'') + "' ";
    out += "size='" + std::to_string(font_size_position(style.size, style.sizes)) + "'>";

    std::string_view separator;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (is_blank_line(line)) {
            out += "\n<p>";
            separator = {};
            continue;
        }
        out += separator;
        write_line(line, out);
        separator = "<br>\n";
    }
    out += "</body></html>\n";
    return out;
}

text_import_status text_to_html(const std::string& source_path, const std::string& target_path, const page_style& style)
{
    std::ifstream source(source_path, std::ios::binary);
    if (!source)
        return {false, core::format_string("Cannot open %s: %s", source_path.c_str(), std::strerror(errno))};
    const std::string text((std::istreambuf_iterator<char>(source)), std::istreambuf_iterator<char>());
    if (source.bad())
        return {false, core::format_string("Cannot read %s", source_path.c_str())};

    const std::string page = text_to_html(text, style);
    std::ofstream target(target_path, std::ios::binary | std::ios::trunc);
    if (!target)
        return {false, core::format_string("Cannot create %s: %s", target_path.c_str(), std::strerror(errno))};
    target.write(page.data(), static_cast<std::streamsize>(page.size()));
    target.close();
    if (!target)
        return {false, core::format_string("Cannot write %s", target_path.c_str())};
    return {true, {}};
}

}
