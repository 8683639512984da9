#include "platform/ui/dialog_template.h"

#include "platform/text/line_reader.h"
#include "platform/text/quoted_text.h"

#include <charconv>
#include <fstream>
#include <iterator>

namespace platform::ui {

namespace {

struct word_reader {
    std::string_view line;
    std::size_t pos = 0;

    void skip_blanks()
    {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
    }
    bool at_end()
    {
        skip_blanks();
        return pos >= line.size();
    }
    std::string_view word()
    {
        skip_blanks();
        auto start = pos;
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t' && line[pos] != '=' && line[pos] != '"')
            ++pos;
        return line.substr(start, pos - start);
    }
};

bool to_int(std::string_view text, int& out)
{
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

const std::map<std::string_view, ControlKind> kinds {
    {"static", ControlKind::static_text},
    {"image", ControlKind::image},
    {"edit", ControlKind::edit},
    {"button", ControlKind::push_button},
    {"check", ControlKind::check_box},
    {"radio", ControlKind::radio_button},
    {"combo", ControlKind::combo_box},
    {"list", ControlKind::list_box},
    {"updown", ControlKind::up_down},
    {"listview", ControlKind::list_view},
    {"datetime", ControlKind::date_time},
    {"progress", ControlKind::progress},
};

std::vector<std::string> split_items(const std::string& text)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find('|', start);
        if (end == std::string::npos)
            end = text.size();
        items.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

}

DialogTemplates DialogTemplates::load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw dialog_template_error(path + ": cannot read the dialog templates");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return parse(text, path);
}

DialogTemplates DialogTemplates::parse(std::string_view text, std::string_view file_name)
{
    DialogTemplates result;
    DialogTemplate* open = nullptr;
    text::line_reader lines(text);
    std::string_view line;
    while (lines.next(line)) {
        word_reader reader {line};
        auto fail = [&](const std::string& reason) {
            return dialog_template_error(std::string(file_name) + ":" + std::to_string(lines.number()) + ": " + reason);
        };
        if (reader.at_end() || reader.line[reader.pos] == '#')
            continue;
        auto keyword = reader.word();
        if (keyword == "end") {
            if (!open)
                throw fail("\"end\" outside a dialog");
            open = nullptr;
            continue;
        }
        bool is_dialog = keyword == "dialog";
        auto kind = kinds.find(keyword);
        if (!is_dialog && kind == kinds.end())
            throw fail("unknown keyword \"" + std::string(keyword) + "\"");
        if (is_dialog == (open != nullptr))
            throw fail(is_dialog ? "dialog inside a dialog" : "control outside a dialog");
        int id = 0;
        if (!to_int(reader.word(), id))
            throw fail("expected a number after \"" + std::string(keyword) + "\"");
        std::string quoted;
        if (!reader.at_end() && reader.line[reader.pos] == '"') {
            std::string reason;
            if (!text::read_quoted(reader.line, reader.pos, quoted, reason))
                throw fail(reason);
        }
        DialogTemplate dialog;
        ControlTemplate control;
        dialog.id = control.id = id;
        dialog.caption = control.text = quoted;
        if (kind != kinds.end())
            control.kind = kind->second;
        while (!reader.at_end()) {
            std::string name(reader.word());
            std::string value;
            if (name.empty())
                throw fail("unexpected character");
            if (reader.pos < reader.line.size() && reader.line[reader.pos] == '=') {
                ++reader.pos;
                if (reader.pos < reader.line.size() && reader.line[reader.pos] == '"') {
                    std::string reason;
                    if (!text::read_quoted(reader.line, reader.pos, value, reason))
                        throw fail(reason);
                } else {
                    value = reader.word();
                }
            }
            int number = 0;
            auto need_number = [&] {
                if (!to_int(value, number))
                    throw fail(name + " needs a number");
                return number;
            };
            if (is_dialog && name == "help") {
                dialog.help_context = need_number();
            } else if (is_dialog && name == "min") {
                const auto x = value.find('x');
                if (x == std::string::npos || !to_int(std::string_view(value).substr(0, x), dialog.min_width)
                    || !to_int(std::string_view(value).substr(x + 1), dialog.min_height))
                    throw fail("min needs <width>x<height>");
            } else if (is_dialog) {
                throw fail("unknown dialog option " + name);
            } else if (name == "password") {
                control.password = true;
            } else if (name == "limit") {
                control.limit = need_number();
            } else if (name == "auto") {
                control.auto_radio = true;
            } else if (name == "group") {
                control.group = true;
            } else if (name == "editable") {
                control.editable = true;
            } else if (name == "items") {
                control.items = split_items(value);
            } else if (name == "range") {
                auto dots = value.find("..");
                if (dots == std::string::npos || !to_int(std::string_view(value).substr(0, dots), control.low)
                    || !to_int(std::string_view(value).substr(dots + 2), control.high))
                    throw fail("range needs <low>..<high>");
            } else if (name == "buddy") {
                control.buddy = need_number();
            } else if (name == "bitmap") {
                control.bitmap = need_number();
            } else if (name == "tip") {
                control.tooltip = need_number();
            } else if (name == "help") {
                control.help_context = need_number();
            } else if (name == "multi") {
                control.multi = true;
            } else if (name == "sorted") {
                control.sorted = true;
            } else if (name == "time") {
                control.time_of_day = true;
            } else if (name == "columns") {
                for (const auto& column : split_items(value)) {
                    const auto colon = column.rfind(':');
                    ListColumn parsed;
                    if (colon == std::string::npos || !to_int(std::string_view(column).substr(colon + 1), parsed.width))
                        throw fail("columns need <title>:<width>");
                    parsed.title = column.substr(0, colon);
                    control.columns.push_back(std::move(parsed));
                }
            } else if (name == "disabled") {
                control.enabled = false;
            } else if (name == "hidden") {
                control.visible = false;
            } else if (name == "multiline") {
                control.multiline = true;
            } else if (name == "readonly") {
                control.read_only = true;
            } else {
                throw fail("unknown control option " + name);
            }
        }
        if (is_dialog) {
            auto [it, added] = result.dialogs_.emplace(id, std::move(dialog));
            if (!added)
                throw fail("duplicate dialog " + std::to_string(id));
            open = &it->second;
        } else {
            for (const auto& other : open->controls) {
                if (other.id == id && id > 0)
                    throw fail("duplicate control " + std::to_string(id));
            }
            open->controls.push_back(std::move(control));
        }
    }
    if (open)
        throw dialog_template_error(std::string(file_name) + ": dialog " + std::to_string(open->id) + " has no \"end\"");
    return result;
}

const DialogTemplate& DialogTemplates::get(int id) const
{
    auto it = dialogs_.find(id);
    if (it == dialogs_.end())
        throw dialog_template_error("no dialog template " + std::to_string(id));
    return it->second;
}

}
