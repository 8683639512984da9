#pragma once

#include "platform/ui/doc_manager.h"
#include "shell/documents/message_view.h"

#include <optional>
#include <string>

namespace shell::testing {

// The editing view as the message document sees it: a page held as text.
class FakeMessageView final : public platform::ui::View, public MessageView {
public:
    std::optional<std::string> page = std::string("<html><body><p>new message</p></body></html>");
    std::string shown;
    int start_pages = 0;
    bool form_mode = false;
    std::string form_name_in_page;
    std::string registered_form;
    std::string registered_database;
    bool submit = true;
    int redirect_updates = 0;
    shell::broadcast_form form;

    std::optional<std::string> page_text(unsigned) override { return page; }
    void show_page(const std::string& html) override
    {
        shown = html;
        page = html;
    }
    void navigate_to_start_page() override
    {
        ++start_pages;
        page = std::string("<html><body></body></html>");
    }
    bool form_creation_mode() const override { return form_mode; }
    void set_form_creation_mode(bool on) override { form_mode = on; }
    bool is_page_unchanged(std::string_view saved_page) override { return page && *page == saved_page; }
    std::string form_field(std::string_view name) override { return name == "KDV-form" ? form_name_in_page : ""; }
    void set_form_registration(const std::string& form_name, const std::string& database) override
    {
        registered_form = form_name;
        registered_database = database;
    }
    bool has_submit_input() override { return submit; }
    const shell::broadcast_form& broadcast_form() const override { return form; }
    void set_broadcast_form(shell::broadcast_form given) override { form = std::move(given); }
    void UpdateRedirectScript() override { ++redirect_updates; }
};

}
