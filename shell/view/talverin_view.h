#pragma once

// The view of the HTML message: the editing view with the page written out for saving (the
// form wrapper, the validation script and the program's head declarations), the unchanged
// test against the stored page, and the message document's access to the page.

#include "shell/documents/message_view.h"
#include "shell/view/wizard_view.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace shell {

inline constexpr int ID_BULLET = 32790;
inline constexpr int ID_NUMBERED_LIST = 32791;
inline constexpr int ID_SINGLE_SPACING = 33076;

class CTalverinView final : public CWizardView, public MessageView {
public:
    CTalverinView(AppContext& context, CTalverinDocManager* manager);

    // The page ready to save: the validation script rewritten first, then the page copied
    // through the form wrapper (form-registration mode, secure submission, Form Creation
    // mode, validation) and its head stamped with the program's declarations.
    std::string GetPageHTML(unsigned flags) override;
    // The page's text as the off-screen page loader reads it; with `store` the document
    // manager also learns which objects the text refers to.
    std::string GetPageText(bool store) override;
    // The start page; Form Creation mode ends.
    void LoadBlankPage() override;

    // MessageView
    std::optional<std::string> page_text(unsigned flags) override;
    void show_page(const std::string& html) override;
    void navigate_to_start_page() override { LoadBlankPage(); }
    bool form_creation_mode() const override { return form_creation_mode_; }
    void set_form_creation_mode(bool on) override { form_creation_mode_ = on; }
    bool is_page_unchanged(std::string_view stored_page) override;
    std::string form_field(std::string_view name) override;
    void set_form_registration(const std::string& form_name, const std::string& database) override;
    bool has_submit_input() override;
    const shell::broadcast_form& broadcast_form() const override { return broadcast_form_; }
    void set_broadcast_form(shell::broadcast_form form) override { broadcast_form_ = std::move(form); }
    void UpdateRedirectScript() override;

protected:
    // A page the document handed over before the site existed, else the start page.
    void LoadInitialPage() override;

private:
    void register_commands();
    void OnListCommand(html::command editing_command);
    void OnSingleSpacing();
    // The insert commands are enabled unless a control is selected or an element other
    // than the BODY is active.
    bool may_insert();

    bool form_creation_mode_ = false;
    // Whether the message's form posts to the service's secure address.
    bool secure_submission_ = false;
    shell::broadcast_form broadcast_form_;
    std::optional<std::string> page_to_show_;
};

// The factory of the first template's view, over the document manager `manager` gives.
void install_message_view(AppContext& context, std::function<platform::ui::DocManager*()> manager);

}
