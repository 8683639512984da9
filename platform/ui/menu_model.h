#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

class MenuModel;

struct MenuItem {
    int id = 0; // 0 for a separator or a submenu holder
    std::string text;
    bool enabled = true;
    bool checked = false;
    std::shared_ptr<MenuModel> submenu;
};

// A menu as data: the items in order.
class MenuModel {
public:
    const std::vector<MenuItem>& items() const { return items_; }
    std::size_t count() const { return items_.size(); }
    MenuItem& at(std::size_t index) { return items_.at(index); }

    void append(MenuItem item) { items_.push_back(std::move(item)); }
    // An index past the end appends.
    void insert(std::size_t index, MenuItem item);
    // Removes the item with the id from this menu; false when there is none.
    bool delete_by_id(int id);
    std::optional<std::size_t> index_of(int id) const;
    // The item with the id here or in a submenu.
    MenuItem* find(int id);

private:
    std::vector<MenuItem> items_;
};

}
