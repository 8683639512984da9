#pragma once

// The editable HTML document: the one interface every editing feature uses.
//
// Elements, collections, ranges and pointers are shared handles. A handle of an element that
// was taken out of the document stays safe: its own members (tag, attributes, HTML of its
// content) still answer, while calls that need a place in the document fail with
// E_UNEXPECTED.

#include "html/ui_queue.h"
#include "html/value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace html {

class element;
class collection;
class style;
class text_range;
class control_range;
class markup_pointer;
using element_ptr = std::shared_ptr<element>;
using collection_ptr = std::shared_ptr<collection>;
using pointer_ptr = std::shared_ptr<markup_pointer>;

struct point {
    int x = 0;
    int y = 0;
    bool operator==(const point&) const = default;
};

// Typed views of an element; an element has the facet of its tag only.
enum class facet {
    body, anchor, image, input, textarea, label, select, option, table, row, cell, caption,
    object, marquee, bgsound, paragraph, div, font, style_element
};

// `set_attribute` flags: 0 and 1 both keep the stored spelling of an existing name.
inline constexpr int attribute_keep_case = 1;

// Places of `insert_adjacent_html` and of `markup_pointer::move_adjacent_to_element`.
enum class adjacency { before_begin = 0, after_begin = 1, before_end = 2, after_end = 3 };

class style {
public:
    virtual ~style() = default;
    // A CSS property by its name ("color", "font-family"; "fontFamily" is read the same).
    virtual std::string get(std::string_view property) const = 0;
    virtual hresult put(std::string_view property, std::string_view text) = 0;
    virtual std::string css_text() const = 0;
    virtual hresult put_css_text(std::string_view text) = 0;
};

class element {
public:
    virtual ~element() = default;

    // Upper case; "!" for a comment.
    virtual std::string tag_name() const = 0;
    virtual std::string id() const = 0;
    // An absent attribute gives an empty value (not empty text) and S_FALSE.
    virtual hresult get_attribute(std::string_view name, value& out) const = 0;
    virtual hresult set_attribute(std::string_view name, const value& text, int flags = 0) = 0;
    // `removed` tells whether the attribute was there.
    virtual hresult remove_attribute(std::string_view name, bool& removed) = 0;

    virtual element_ptr parent() const = 0;
    virtual collection_ptr children() const = 0;
    virtual collection_ptr all() const = 0;

    virtual hresult inner_html(std::string& out) const = 0;
    virtual hresult put_inner_html(std::string_view html) = 0;
    virtual hresult outer_html(std::string& out) const = 0;
    virtual hresult put_outer_html(std::string_view html) = 0;
    virtual hresult inner_text(std::string& out) const = 0;
    virtual hresult put_inner_text(std::string_view text) = 0;
    virtual hresult insert_adjacent_html(adjacency where, std::string_view html) = 0;
    virtual hresult focus() = 0;
    virtual std::shared_ptr<html::style> style() = 0;

    // Typed members: `get`/`put` of a facet member ("href", "align", "loop", "type", ...).
    // Another tag's facet answers E_NOINTERFACE.
    virtual bool has(facet kind) const = 0;
    virtual hresult get(facet kind, std::string_view member, value& out) const = 0;
    virtual hresult put(facet kind, std::string_view member, const value& v) = 0;
    // Computed collections of a facet: table "rows", row "cells", select "options".
    virtual collection_ptr facet_collection(facet kind, std::string_view member) const = 0;
    // The caption of a table, null when it has none.
    virtual element_ptr caption() const = 0;
};

class collection {
public:
    virtual ~collection() = default;
    virtual long length() const = 0;
    virtual element_ptr item(long index) const = 0;
    // The first element in document order whose id or name equals the text (case counts).
    virtual element_ptr item(std::string_view name) const = 0;
    // The members with this tag (case ignored); "!" gives the comments.
    virtual collection_ptr tags(std::string_view name) const = 0;
};

class text_range {
public:
    virtual ~text_range() = default;
    virtual hresult text(std::string& out) const = 0;
    virtual hresult paste_html(std::string_view html) = 0;
    virtual element_ptr parent_element() const = 0;
    // Makes this range the selection.
    virtual hresult select() = 0;
    virtual hresult collapse(bool to_start) = 0;
    // Units: "character", "word" (counted in characters here), "textedit" (the whole
    // editable text). `moved` gets how far it went.
    virtual hresult move_start(std::string_view unit, long count, long* moved = nullptr) = 0;
    virtual hresult move_end(std::string_view unit, long count, long* moved = nullptr) = 0;
    virtual hresult move_to_element_text(const element_ptr& target) = 0;
};

class control_range {
public:
    virtual ~control_range() = default;
    virtual long length() const = 0;
    virtual element_ptr item(long index) const = 0;
    virtual element_ptr common_parent() const = 0;
};

class selection {
public:
    virtual ~selection() = default;
    // "None", "Text" or "Control".
    virtual std::string type() const = 0;
    // A text range for "None" and "Text", null for "Control".
    virtual std::shared_ptr<text_range> create_range() = 0;
    // The control range for "Control", null otherwise.
    virtual std::shared_ptr<control_range> create_control_range() = 0;
    virtual hresult select_control(const element_ptr& target) = 0;
    virtual hresult empty() = 0;
};

// `markup_pointer::left`/`right` contexts.
enum class context { none = 0, enter_scope = 1, exit_scope = 2, no_scope = 3, text = 4 };
enum class gravity { left, right };

class markup_pointer {
public:
    virtual ~markup_pointer() = default;
    virtual hresult move_adjacent_to_element(const element_ptr& target, adjacency where) = 0;
    virtual hresult move_to_pointer(const markup_pointer& other) = 0;
    // What lies on that side: text, an element whose scope it enters or leaves, a void
    // element or comment (no scope), or nothing (the document's edge). With `move` the
    // pointer passes it (a whole run of text at once).
    virtual hresult left(bool move, context& what, element_ptr* passed = nullptr) = 0;
    virtual hresult right(bool move, context& what, element_ptr* passed = nullptr) = 0;
    virtual element_ptr current_scope() const = 0;
    virtual hresult is_equal_to(const markup_pointer& other, bool& equal) const = 0;
    virtual hresult is_left_of_or_equal_to(const markup_pointer& other, bool& result) const = 0;
    virtual html::gravity gravity() const = 0;
    virtual void set_gravity(html::gravity g) = 0;
    virtual bool is_positioned() const = 0;
    virtual void unposition() = 0;
};

// Tag ids of `markup_services::create_element`.
enum class tag_id {
    a = 2, bgsound = 11, br = 16, comment = 25, div = 30, img = 52, marquee = 62, object = 70,
    p = 73, style = 89
};

class markup_services {
public:
    virtual ~markup_services() = default;
    virtual pointer_ptr create_pointer() = 0;
    // `attributes` is the text of a start tag's attributes; for a comment, its text.
    virtual hresult create_element(tag_id id, std::string_view attributes, element_ptr& out) = 0;
    // Puts an element (not in the document) around the content between the two pointers.
    virtual hresult insert_element(const element_ptr& target, markup_pointer& start, markup_pointer& end) = 0;
    // Takes an element out, leaving its content in its place.
    virtual hresult remove_element(const element_ptr& target) = 0;
    virtual hresult remove(markup_pointer& start, markup_pointer& end) = 0;
    virtual hresult move(markup_pointer& start, markup_pointer& end, markup_pointer& target) = 0;
    virtual hresult insert_text(std::string_view text, markup_pointer& at) = 0;
    virtual hresult move_pointers_to_range(const text_range& range, markup_pointer& start, markup_pointer& end) = 0;
    virtual hresult move_range_to_pointers(const markup_pointer& start, const markup_pointer& end, text_range& range) = 0;
    virtual hresult begin_undo_unit(std::string_view title) = 0;
    virtual hresult end_undo_unit() = 0;
};

// Command status flags.
inline constexpr std::uint32_t OLECMDF_SUPPORTED = 1;
inline constexpr std::uint32_t OLECMDF_ENABLED = 2;
inline constexpr std::uint32_t OLECMDF_LATCHED = 4;

// The editing component's command group.
inline constexpr std::string_view edit_command_group = "{2582F1C0-084E-11D1-9A0E-006097C9B344}";

// Execution options.
inline constexpr int OLECMDEXECOPT_PROMPTUSER = 1;
inline constexpr int OLECMDEXECOPT_DONTPROMPTUSER = 2;

enum class command : int {
    table_insert_row = 14, table_insert_column = 15, table_delete_row = 16,
    table_delete_column = 17, table_delete_cell = 18, table_merge_cells = 19,
    table_split_cell = 20, table_insert_cell = 21,
    display_option_23 = 23, bold = 28, copy = 30, cut = 31, font_name = 36, font_size = 37,
    fore_color = 38, indent = 42, italic = 43, justify_center = 44, justify_left = 45,
    justify_right = 46, ordered_list = 47, outdent = 48, paste = 50, redo = 52,
    display_option_56 = 56, underline = 57, undo = 58, unordered_list = 60
};

class command_target {
public:
    virtual ~command_target() = default;
    virtual hresult exec(std::string_view group, int id, int option, const value* in, value* out) = 0;
    virtual hresult query_status(std::string_view group, int id, std::uint32_t& flags) = 0;
};

// Event numbers the host hears.
inline constexpr int event_key_down = -602;
inline constexpr int event_mouse_down = -605;
inline constexpr int event_mouse_move = -606;
inline constexpr int event_mouse_up = -607;
inline constexpr int event_control_select = static_cast<int>(0x8001000B);

struct event {
    int dispid = 0;
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    int key_code = 0;
    int button = 0; // 1 left, 2 right, 4 middle
    point client;
    point screen;
    element_ptr source;
    // Setting it to a 16-bit 0 cancels the default action.
    value return_value;
    bool cancelled() const { return return_value == value(std::int16_t {0}); }
};

// What the document asks of the one hosting it.
class document_host {
public:
    virtual ~document_host() = default;
    // Once, when the document is first ready for commands.
    virtual void on_activated(command_target& target) = 0;
    virtual void on_ready_state(int state) = 0;
    virtual void on_load_failed(hresult why) = 0;
    virtual void on_event(event& e) = 0;
    // True when the host took the key.
    virtual bool translate_accelerator(int key_code, bool ctrl, bool shift, bool alt) = 0;
    // True when the host showed its own menu.
    virtual bool show_context_menu(point at) = 0;
    virtual bool user_mode() const = 0;
    virtual std::int32_t download_control() const = 0;
};

// Installed by the view: answers the element under a client point.
class hit_test_port {
public:
    virtual ~hit_test_port() = default;
    virtual element_ptr element_at(point at) = 0;
};

enum class mouse_action { down, up, move };

// What the view feeds in; each call is one event (and one undo unit).
class input {
public:
    virtual ~input() = default;
    virtual void key_down(int key_code, bool ctrl = false, bool shift = false, bool alt = false) = 0;
    virtual void type_text(std::string_view text) = 0;
    virtual void mouse(mouse_action action, point at, int button) = 0;
    virtual void context_menu(point at) = 0;
};

class document {
public:
    virtual ~document() = default;

    virtual hresult init_new() = 0;
    virtual hresult load_file(std::string_view path) = 0;
    virtual hresult load_url(std::string_view url) = 0;
    // With `source_filter` the bytes are taken as the page's HTML text exactly as given.
    virtual hresult load_bytes(std::string_view bytes, bool source_filter = false) = 0;
    // Writes the page; with `remember` the path becomes the current file and dirty clears.
    virtual hresult save(std::string_view path, bool remember) = 0;
    virtual std::string current_file() const = 0;
    virtual bool is_dirty() const = 0;
    virtual hresult close(bool save) = 0;
    virtual void discard_undo() = 0;
    // 0 uninitialised, 1 loading, 2 loaded, 3 interactive, 4 complete.
    virtual int ready_state() const = 0;

    virtual element_ptr body() const = 0;
    virtual collection_ptr all() const = 0;
    virtual collection_ptr forms() const = 0;
    virtual collection_ptr scripts() const = 0;
    virtual collection_ptr anchors() const = 0;
    virtual std::shared_ptr<html::selection> selection() = 0;
    virtual element_ptr active_element() const = 0;
    virtual element_ptr element_from_point(point at) const = 0;
    virtual std::string charset() const = 0;
    // Refuses names the converter does not know (E_INVALIDARG).
    virtual hresult put_charset(std::string_view name) = 0;

    virtual markup_services& markup() = 0;
    virtual html::command_target& command_target() = 0;
    virtual html::input& input() = 0;
    virtual void set_hit_test(hit_test_port* port) = 0;

    // The whole page as written by `save`, in UTF-8.
    virtual std::string html() const = 0;
};

}
