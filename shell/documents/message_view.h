#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace shell {

// Page-text flags of the editing view: 0x1|0x2|0x4 the whole page for saving, 0x80 the
// object markers kept.
inline constexpr unsigned page_flags_save = 0x7;
inline constexpr unsigned page_flags_store = 0x87;

// The name a web form was last saved under and whether that name had been registered
// before the save (state non-zero); the Broadcast command chooses its dialogs by them.
struct broadcast_form {
    std::string name;
    int state = 0;
};

// What the message document needs of the view that edits it; the document finds it among
// its views by cross-cast.
class MessageView {
public:
    virtual ~MessageView() = default;

    // The current page taken with the flags; nothing when the view has no page.
    virtual std::optional<std::string> page_text(unsigned flags) = 0;
    // Shows a page the document loaded.
    virtual void show_page(const std::string& html) = 0;
    virtual void navigate_to_start_page() = 0;
    virtual bool form_creation_mode() const = 0;
    virtual void set_form_creation_mode(bool on) = 0;
    // The current page equals the saved one, both reduced to their body.
    virtual bool is_page_unchanged(std::string_view saved_page) = 0;
    // The value of the page's hidden input of that name; empty when none.
    virtual std::string form_field(std::string_view name) = 0;
    // Writes the hidden inputs "KDV-form" and "KDV-db" into the form.
    virtual void set_form_registration(const std::string& form_name, const std::string& database) = 0;
    virtual bool has_submit_input() = 0;
    virtual const shell::broadcast_form& broadcast_form() const = 0;
    virtual void set_broadcast_form(shell::broadcast_form form) = 0;
    // Removes the page's redirect script when the program was told to remove redirection
    // links, else installs it.
    virtual void UpdateRedirectScript() = 0;
};

}
