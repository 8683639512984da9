#pragma once

// Private state of the headless document, shared by its interface objects.

#include "html/headless/headless_document.h"
#include "html/headless/tree.h"
#include "html/url_loader.h"

#include <memory>
#include <string>

namespace html::headless {

struct doc_state;

// Groups the mutations of one call into one undo unit.
class unit_guard {
public:
    explicit unit_guard(model& m) : m_(m) { m_.begin_unit(); }
    ~unit_guard() { m_.end_unit(); }
    unit_guard(const unit_guard&) = delete;
    unit_guard& operator=(const unit_guard&) = delete;

private:
    model& m_;
};

// A tracked place registered with the document's model for its whole life.
class tracked_place {
public:
    explicit tracked_place(std::shared_ptr<doc_state> doc);
    ~tracked_place();
    tracked_place(const tracked_place&) = delete;
    tracked_place& operator=(const tracked_place&) = delete;
    tracked t;
    std::shared_ptr<doc_state> doc;
};

struct doc_state : std::enable_shared_from_this<doc_state> {
    doc_state()
    {
        sel_end.side = html::gravity::right;
        m.track(&sel_start);
        m.track(&sel_end);
    }
    document_host* host = nullptr;
    headless_ports ports;
    model m;
    tracked sel_start; // the selection's two places
    tracked sel_end;
    std::weak_ptr<node> control; // the selected control, when the selection is one
    std::weak_ptr<node> active;
    int ready_state = 0;
    std::string charset = "utf-8";
    std::string file;
    std::size_t page_size = 0; // about the size the page is written in: estimated when read, measured when written
    bool activated = false;
    bool display_option_23 = false;
    bool display_option_56 = false;
    long load_generation = 0;
    command_target* target = nullptr;
    hit_test_port* hit_test = nullptr;

    node* body() const;
    node* html_element() const;
    bool attached(const node* n) const;
    element_ptr wrap(const node_ptr& n);
    element_ptr wrap(node* n) { return n ? wrap(n->shared_from_this()) : nullptr; }
    // The selection's places, ordered; the caret at the body's start when there is none.
    void ensure_selection();
    position sel_first();
    position sel_last();
    void select(const position& a, const position& b);
    node_ptr selected_control();
    // Replaces the whole tree with the given page.
    void install(node_ptr root);
    // Posts ready states from..4 to the queue.
    void post_ready_states(int from);
};

node_ptr node_of(const element_ptr& e);

// The command target's work.
hresult run_command(doc_state& doc, int id, const value* in, value* out);
hresult command_status(doc_state& doc, int id, std::uint32_t& flags);
// Default actions of input events.
void default_key_action(doc_state& doc, int key_code, bool shift);
void insert_typed_text(doc_state& doc, std::string_view text);
// Pastes HTML over [start, end); leaves both places after the pasted content.
void paste_over(doc_state& doc, tracked& start, tracked& end, std::string_view html);

}
