#pragma once

#include "platform/ui/menu_model.h"

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform::ui {

class menu_resource_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The program's menus, read from a text file:
//   menu <id>
//   popup "<text>"          a submenu, closed by its own "end"
//   item <id> "<text>"
//   separator
//   end                     closes the innermost open popup or menu
// Blank lines and "#" comments are skipped.
class MenuResources {
public:
    static MenuResources load(const std::string& path);
    static MenuResources parse(std::string_view text, std::string_view file_name);

    bool contains(int id) const { return menus_.count(id) != 0; }
    // A fresh copy of the menu, which the caller may change; throws for an unknown id.
    MenuModel get(int id) const;

private:
    std::map<int, std::shared_ptr<const MenuModel>> menus_;
};

// A copy of a menu with every submenu copied too.
MenuModel deep_copy(const MenuModel& menu);

}
