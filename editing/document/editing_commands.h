#pragma once

// The thin layer through which editing code acts on the editing document: sending the
// component's commands, the font command object, and the document operations.

#include "html/document.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace core {
class CHTMLTag;
}

namespace editing {

namespace html = html;
using platform::com::hresult;

// The command target and the document of one editing component, handed out by the view for
// the length of one command. Both null when the view has no site.
struct document_pair {
    html::command_target* target = nullptr;
    html::document* document = nullptr;

    bool empty() const { return !target && !document; }
    static document_pair of(html::document& d) { return {&d.command_target(), &d}; }
};

// With a null target these answer E_POINTER and send nothing.
hresult exec_edit_command(const document_pair& pair, int id, int option);
// The input goes along only when it is not empty.
hresult exec_edit_command_with_arg(const document_pair& pair, int id, int option, html::value in, html::value* out = nullptr);

class browser_command {
public:
    virtual ~browser_command() = default;
    virtual void execute(document_pair& pair) = 0;
};

inline constexpr std::int32_t font_size_unset = static_cast<std::int32_t>(0x80000000u);

// Applies a font name (36, unless empty), a size (37, unless unset), then bold (0x1),
// italic (0x2) and underline (0x4); a failing style command raises com_error.
class browser_font_command final : public browser_command {
public:
    browser_font_command(std::string name, std::int32_t size, std::uint32_t flags)
        : name_(std::move(name)), size_(size), flags_(flags) { }
    void execute(document_pair& pair) override;

private:
    std::string name_;
    std::int32_t size_;
    std::uint32_t flags_;
};

std::shared_ptr<html::text_range> get_selection_text_range(const document_pair& pair);
bool get_selection_range(const document_pair& pair, std::shared_ptr<html::text_range>& range, html::element_ptr& parent);
void get_selected_control(const document_pair& pair, html::element_ptr& control, std::string& tag_name);
void element_from_point(const document_pair& pair, html::point at, html::element_ptr& found, std::string& tag_name);
bool is_control_selection(const document_pair& pair);
bool is_non_body_element_active(const document_pair& pair);
bool is_body_active(const document_pair& pair);
bool is_object_tag(std::string_view tag_name);
// A parsed tag that is a comment (its name exactly "!--").
bool is_comment_tag(const core::CHTMLTag& tag);
bool is_in_table_cell(const html::element_ptr& start);
bool get_all_elements(const document_pair& pair, html::collection_ptr& all);
bool element_name_exists(const document_pair& pair, std::string_view name);
bool object_name_exists(const document_pair& pair, std::string_view name);
bool form_has_submit_button(const document_pair& pair);
html::element_ptr find_bgsound_element(const document_pair& pair);
bool remove_bgsound(const document_pair& pair);
// Without a name: every script, from the last down.
void remove_scripts(const document_pair& pair, std::optional<std::string_view> name = std::nullopt);
bool remove_redirect_script(const document_pair& pair);
void set_body_color(const document_pair& pair, std::string_view colour);
void add_edit_style(const document_pair& pair);
bool has_edit_style(const document_pair& pair);
// "<HTML>...</HTML>" of the body on one line: line breaks between tags go, those in PRE,
// TEXTAREA, SCRIPT, STYLE and attribute values stay, any other becomes one space.
bool get_page_html(const document_pair& pair, std::string& html_text);
// The object kind (0-6, 7 for none) and number of an element's "quorbis_id"; false when
// the element has none.
bool read_object_id(const html::element_ptr& e, int& kind, int& number);
html::element_ptr find_c2t_form_div(const document_pair& pair);
html::element_ptr find_c2t_button_div(const document_pair& pair);
// 1 for an object-start marker comment, 2 for an object-end one, else 0: the marker word
// must be the comment's whole text (surrounding white space aside, case ignored).
int classify_object_comment(const html::element_ptr& e);
void move_range_into_new_div(const document_pair& pair, html::markup_pointer& insert_at,
    html::markup_pointer& start, html::markup_pointer& end, html::element_ptr& made);
void refresh_empty_element(const document_pair& pair, const html::element_ptr& e);
void insert_line_break_at(const document_pair& pair, html::markup_pointer& at);
html::document* get_edit_document(const document_pair& pair);
// The OBJECT element the selection is or lies in; null when none.
html::element_ptr find_selected_object(const document_pair& pair);

}
