#include "platform/ui/menu_resources.h"

#include "platform/text/line_reader.h"
#include "platform/text/quoted_text.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <vector>

namespace platform::ui {

namespace {

std::string_view next_word(std::string_view line, std::size_t& pos)
{
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
    auto start = pos;
    while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t' && line[pos] != '"')
        ++pos;
    return line.substr(start, pos - start);
}

bool rest_is_blank(std::string_view line, std::size_t pos)
{
    return line.find_first_not_of(" \t", pos) == std::string_view::npos;
}

}

MenuModel deep_copy(const MenuModel& menu)
{
    MenuModel copy;
    for (const auto& item : menu.items()) {
        MenuItem entry = item;
        if (item.submenu)
            entry.submenu = std::make_shared<MenuModel>(deep_copy(*item.submenu));
        copy.append(std::move(entry));
    }
    return copy;
}

MenuResources MenuResources::load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw menu_resource_error(path + ": cannot read the menus");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return parse(text, path);
}

MenuResources MenuResources::parse(std::string_view text, std::string_view file_name)
{
    MenuResources result;
    int open_id = 0;
    std::shared_ptr<MenuModel> root;
    std::vector<MenuModel*> open; // the menu, then each open popup
    text::line_reader lines(text);
    std::string_view line;
    auto fail = [&](const std::string& reason) {
        return menu_resource_error(std::string(file_name) + ":" + std::to_string(lines.number()) + ": " + reason);
    };
    auto read_number = [&](std::size_t& pos) {
        auto word = next_word(line, pos);
        int value = 0;
        auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (word.empty() || ec != std::errc() || end != word.data() + word.size())
            throw fail("expected a number");
        return value;
    };
    auto read_text = [&](std::size_t& pos) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
        if (pos >= line.size() || line[pos] != '"')
            throw fail("expected a quoted text");
        std::string out;
        std::string reason;
        if (!text::read_quoted(line, pos, out, reason))
            throw fail(reason);
        return out;
    };
    while (lines.next(line)) {
        std::size_t pos = 0;
        auto keyword = next_word(line, pos);
        if (keyword.empty() && rest_is_blank(line, pos))
            continue;
        if (!keyword.empty() && keyword.front() == '#')
            continue;
        if (keyword == "menu") {
            if (!open.empty())
                throw fail("menu inside a menu");
            open_id = read_number(pos);
            if (result.menus_.count(open_id))
                throw fail("menu " + std::to_string(open_id) + " given twice");
            root = std::make_shared<MenuModel>();
            open.push_back(root.get());
        } else if (keyword == "end") {
            if (open.empty())
                throw fail("\"end\" outside a menu");
            open.pop_back();
            if (open.empty())
                result.menus_[open_id] = std::move(root);
        } else if (open.empty()) {
            throw fail("\"" + std::string(keyword) + "\" outside a menu");
        } else if (keyword == "popup") {
            MenuItem item;
            item.text = read_text(pos);
            item.submenu = std::make_shared<MenuModel>();
            auto* inner = item.submenu.get();
            open.back()->append(std::move(item));
            open.push_back(inner);
        } else if (keyword == "item") {
            MenuItem item;
            item.id = read_number(pos);
            item.text = read_text(pos);
            open.back()->append(std::move(item));
        } else if (keyword == "separator") {
            open.back()->append(MenuItem {});
        } else {
            throw fail("unknown keyword \"" + std::string(keyword) + "\"");
        }
        if (!rest_is_blank(line, pos))
            throw fail("unexpected text after \"" + std::string(keyword) + "\"");
    }
    if (!open.empty())
        throw fail("menu " + std::to_string(open_id) + " not ended");
    return result;
}

MenuModel MenuResources::get(int id) const
{
    auto found = menus_.find(id);
    if (found == menus_.end())
        throw menu_resource_error("no menu " + std::to_string(id));
    return deep_copy(*found->second);
}

}
