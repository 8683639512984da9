#pragma once

#include "platform/ui/menu_model.h"

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ui {

class frame_resource_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A toolbar resource: the size of its buttons and their commands in order, 0 a separator.
struct ToolbarResource {
    int id = 0;
    int button_width = 0;
    int button_height = 0;
    std::vector<int> commands;
};

// The program's toolbar resources, read from a text file of lines
//   toolbar <id> <width>x<height> <command> <command> ...
// where a command may be written as a range "<first>-<last>" and 0 is a separator. Blank
// lines and "#" comments are skipped.
class ToolbarResources {
public:
    static ToolbarResources load(const std::string& path);
    static ToolbarResources parse(std::string_view text, std::string_view file_name);

    // Null for an id the file does not hold, as a failed resource look-up.
    const ToolbarResource* find(int id) const;
    void add(ToolbarResource resource) { toolbars_[resource.id] = std::move(resource); }

private:
    std::map<int, ToolbarResource> toolbars_;
};

// The program's menu resources, read from a text file:
//   menu <id>
//     popup "<caption>"
//       item <command> "<text>"
//       separator
//     end
//   end
// Popups nest; blank lines and "#" comments are skipped; texts take the escapes \\ \" \t.
class MenuResources {
public:
    static MenuResources load(const std::string& path);
    static MenuResources parse(std::string_view text, std::string_view file_name);

    // A fresh copy of the menu, which its user may change; null for an unknown id.
    std::shared_ptr<MenuModel> make(int id) const;
    bool contains(int id) const { return menus_.count(id) != 0; }

private:
    std::map<int, std::shared_ptr<const MenuModel>> menus_;
};

// A deep copy: the submenus are copied too.
std::shared_ptr<MenuModel> copy_menu(const MenuModel& menu);

// The submenu of the item whose text is the caption (exactly); null when none.
MenuModel* find_submenu(MenuModel& menu, const std::string& caption);

}
