#include "platform/ui/command_router.h"

namespace platform::ui {

namespace {

template <class List>
auto* find_entry(List& list, int id)
{
    // Later registrations override earlier ones, as a derived class's map does.
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (id >= it->first && id <= it->last)
            return &*it;
    }
    return static_cast<decltype(&*list.rbegin())>(nullptr);
}

}

void CommandRouter::on_command(int first, int last, command_handler handler)
{
    commands_.push_back({first, last, std::move(handler)});
}

void CommandRouter::on_update(int first, int last, update_handler handler)
{
    updates_.push_back({first, last, std::move(handler)});
}

bool CommandRouter::has_handler(int id) const
{
    return find_entry(commands_, id) != nullptr;
}

bool CommandRouter::execute(int id)
{
    auto* found = find_entry(commands_, id);
    if (!found)
        return false;
    auto handler = found->handler; // the handler may register others
    try {
        handler(id);
    } catch (...) {
        if (!on_error_)
            throw;
        on_error_(std::current_exception());
    }
    return true;
}

void CommandRouter::update(CmdUI& ui) const
{
    if (auto* found = find_entry(updates_, ui.id)) {
        found->handler(ui);
        return;
    }
    ui.Enable(has_handler(ui.id));
}

void CommandRouter::update_menu(MenuModel& menu) const
{
    for (std::size_t index = 0; index < menu.count(); ++index) {
        MenuItem item = menu.at(index);
        if (item.submenu) {
            update_menu(*item.submenu);
            continue;
        }
        if (item.id == 0)
            continue;
        CmdUI ui {item.id, item.enabled, item.checked, std::nullopt, &menu, index, menu.count()};
        update(ui);
        if (ui.index < menu.count() && menu.at(ui.index).id == item.id) {
            auto& target = menu.at(ui.index);
            target.enabled = ui.enabled;
            target.checked = ui.checked;
            if (ui.text)
                target.text = *ui.text;
        } else if (auto* moved = menu.find(item.id)) {
            moved->enabled = ui.enabled;
            moved->checked = ui.checked;
        }
        // A handler that inserted items leaves the index at the last of them.
        index = ui.index;
    }
}

}
