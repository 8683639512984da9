#pragma once

#include "platform/ui/menu_model.h"

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

// What an update handler sets for one command's menu item or button. When it belongs to
// a menu, `menu` and `index` name the item and `count` the menu's item count.
struct CmdUI {
    int id = 0;
    bool enabled = true;
    bool checked = false;
    std::optional<std::string> text;
    MenuModel* menu = nullptr;
    std::size_t index = 0;
    std::size_t count = 0;

    void Enable(bool on = true) { enabled = on; }
    void SetCheck(bool on = true) { checked = on; }
    void SetText(std::string new_text) { text = std::move(new_text); }
};

// Commands by id and by id range, with their update handlers.
class CommandRouter {
public:
    using command_handler = std::function<void(int id)>;
    using update_handler = std::function<void(CmdUI&)>;

    void on_command(int first, int last, command_handler handler);
    void on_command(int id, command_handler handler) { on_command(id, id, std::move(handler)); }
    void on_update(int first, int last, update_handler handler);
    void on_update(int id, update_handler handler) { on_update(id, id, std::move(handler)); }

    // Runs the command's handler; false when there is none. A handler's exception goes to
    // the error handler (the loop goes on); without one it propagates.
    bool execute(int id);
    // Fills the state: the update handler's, else enabled exactly when a handler exists.
    void update(CmdUI& ui) const;
    bool has_handler(int id) const;

    // Told of an exception that left a command handler.
    void set_error_handler(std::function<void(std::exception_ptr)> handler) { on_error_ = std::move(handler); }

    // Updates every item of a menu (and its submenus) as a menu about to open does.
    void update_menu(MenuModel& menu) const;

private:
    template <class H>
    struct entry {
        int first;
        int last;
        H handler;
    };
    std::vector<entry<command_handler>> commands_;
    std::vector<entry<update_handler>> updates_;
    std::function<void(std::exception_ptr)> on_error_;
};

}
