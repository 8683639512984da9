#include "platform/ui/frame_resources.h"

#include "platform/text/line_reader.h"
#include "platform/text/quoted_text.h"

#include <charconv>
#include <functional>
#include <fstream>
#include <iterator>

namespace platform::ui {

namespace {

std::string read_whole(const std::string& path, const char* what)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw frame_resource_error(path + ": cannot read the " + what);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct words {
    std::string_view line;
    std::size_t pos = 0;

    bool at_end()
    {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        return pos >= line.size();
    }
    std::string_view next()
    {
        at_end();
        auto start = pos;
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t' && line[pos] != '"')
            ++pos;
        return line.substr(start, pos - start);
    }
};

bool to_int(std::string_view text, int& out)
{
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

using error_maker = std::function<frame_resource_error(const std::string&)>;

// Calls `entry` with each line that is neither blank nor a comment, and a maker of errors
// that name the file and line.
void each_entry(std::string_view text, std::string_view file_name,
    const std::function<void(words&, const error_maker&)>& entry)
{
    text::line_reader lines(text);
    std::string_view line;
    while (lines.next(line)) {
        words reader {line};
        if (reader.at_end() || line[reader.pos] == '#')
            continue;
        entry(reader, [&](const std::string& reason) {
            return frame_resource_error(std::string(file_name) + ":" + std::to_string(lines.number()) + ": " + reason);
        });
    }
}

// Toolbars of more buttons than this are a mistake in the file, not a toolbar.
constexpr std::size_t most_buttons = 1024;

}

ToolbarResources ToolbarResources::load(const std::string& path)
{
    return parse(read_whole(path, "toolbar resources"), path);
}

ToolbarResources ToolbarResources::parse(std::string_view text, std::string_view file_name)
{
    ToolbarResources result;
    each_entry(text, file_name, [&](words& reader, const error_maker& fail) {
        if (reader.next() != "toolbar")
            throw fail("expected \"toolbar\"");
        ToolbarResource toolbar;
        if (!to_int(reader.next(), toolbar.id))
            throw fail("expected the toolbar's number");
        auto size = reader.next();
        auto x = size.find('x');
        if (x == std::string_view::npos || !to_int(size.substr(0, x), toolbar.button_width)
            || !to_int(size.substr(x + 1), toolbar.button_height) || toolbar.button_width <= 0
            || toolbar.button_height <= 0)
            throw fail("expected the button size as <width>x<height>");
        while (!reader.at_end()) {
            auto word = reader.next();
            int first = 0;
            int last = 0;
            auto dash = word.find('-');
            bool range = dash != std::string_view::npos && dash > 0;
            if (range ? !(to_int(word.substr(0, dash), first) && to_int(word.substr(dash + 1), last))
                      : !to_int(word, first))
                throw fail("expected a command number or range, not \"" + std::string(word) + "\"");
            if (!range)
                last = first;
            if (first < 0 || last < first || last > 0xFFFF
                || toolbar.commands.size() + static_cast<std::size_t>(last - first) >= most_buttons)
                throw fail("command range out of bounds: \"" + std::string(word) + "\"");
            for (int command = first; command <= last; ++command)
                toolbar.commands.push_back(command);
        }
        if (result.toolbars_.count(toolbar.id))
            throw fail("toolbar " + std::to_string(toolbar.id) + " given twice");
        result.add(std::move(toolbar));
    });
    return result;
}

const ToolbarResource* ToolbarResources::find(int id) const
{
    auto found = toolbars_.find(id);
    return found == toolbars_.end() ? nullptr : &found->second;
}

MenuResources MenuResources::load(const std::string& path)
{
    return parse(read_whole(path, "menu resources"), path);
}

MenuResources MenuResources::parse(std::string_view text, std::string_view file_name)
{
    MenuResources result;
    std::vector<MenuModel*> open; // the menu being filled, innermost last
    std::shared_ptr<MenuModel> current;
    int current_id = 0;
    each_entry(text, file_name, [&](words& reader, const error_maker& fail) {
        auto quoted = [&]() {
            std::string value;
            std::string reason;
            if (reader.at_end() || reader.line[reader.pos] != '"')
                throw fail("expected a quoted text");
            if (!text::read_quoted(reader.line, reader.pos, value, reason))
                throw fail(reason);
            return value;
        };
        auto keyword = reader.next();
        if (keyword == "menu") {
            if (!open.empty())
                throw fail("menu inside a menu");
            if (!to_int(reader.next(), current_id))
                throw fail("expected the menu's number");
            if (result.menus_.count(current_id))
                throw fail("menu " + std::to_string(current_id) + " given twice");
            current = std::make_shared<MenuModel>();
            open.push_back(current.get());
        } else if (open.empty()) {
            throw fail("\"" + std::string(keyword) + "\" outside a menu");
        } else if (keyword == "end") {
            open.pop_back();
            if (open.empty())
                result.menus_[current_id] = std::move(current);
        } else if (keyword == "popup") {
            MenuItem item;
            item.text = quoted();
            item.submenu = std::make_shared<MenuModel>();
            auto* submenu = item.submenu.get();
            open.back()->append(std::move(item));
            open.push_back(submenu);
        } else if (keyword == "item") {
            MenuItem item;
            if (!to_int(reader.next(), item.id) || item.id <= 0)
                throw fail("expected the item's command number");
            item.text = quoted();
            open.back()->append(std::move(item));
        } else if (keyword == "separator") {
            open.back()->append(MenuItem {});
        } else {
            throw fail("unknown keyword \"" + std::string(keyword) + "\"");
        }
        if (!reader.at_end())
            throw fail("unexpected text after the entry");
    });
    if (!open.empty())
        throw frame_resource_error(std::string(file_name) + ": menu " + std::to_string(current_id) + " lacks its \"end\"");
    return result;
}

std::shared_ptr<MenuModel> copy_menu(const MenuModel& menu)
{
    auto copy = std::make_shared<MenuModel>();
    for (const auto& item : menu.items()) {
        MenuItem duplicate = item;
        if (item.submenu)
            duplicate.submenu = copy_menu(*item.submenu);
        copy->append(std::move(duplicate));
    }
    return copy;
}

std::shared_ptr<MenuModel> MenuResources::make(int id) const
{
    auto found = menus_.find(id);
    return found == menus_.end() ? nullptr : copy_menu(*found->second);
}

MenuModel* find_submenu(MenuModel& menu, const std::string& caption)
{
    for (std::size_t i = 0; i < menu.count(); ++i) {
        auto& item = menu.at(i);
        if (item.submenu && item.text == caption)
            return item.submenu.get();
    }
    return nullptr;
}

}
