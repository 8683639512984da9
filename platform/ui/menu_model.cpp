#include "platform/ui/menu_model.h"

namespace platform::ui {

void MenuModel::insert(std::size_t index, MenuItem item)
{
    if (index > items_.size())
        index = items_.size();
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
}

bool MenuModel::delete_by_id(int id)
{
    auto index = index_of(id);
    if (!index)
        return false;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(*index));
    return true;
}

std::optional<std::size_t> MenuModel::index_of(int id) const
{
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].id == id && id != 0)
            return i;
    }
    return std::nullopt;
}

MenuItem* MenuModel::find(int id)
{
    for (auto& item : items_) {
        if (item.id == id && id != 0)
            return &item;
        if (item.submenu) {
            if (auto* inner = item.submenu->find(id))
                return inner;
        }
    }
    return nullptr;
}

}
