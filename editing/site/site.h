#pragma once

// The editing site: hosts one editing document inside a view. It makes the document with
// the program's factory, loads and saves the page, answers what the document asks of its
// host (activation, ready states, events, the Tab key, context menus) and reaches the view
// only through `site_owner`.

#include "editing/document/editing_commands.h"
#include "platform/ui/menu_model.h"

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform::ui {
class MenuResources;
}

namespace editing {

// Makes the editing document for a host; null when it cannot be made.
using document_factory = std::function<std::unique_ptr<html::document>(html::document_host&)>;

// What the site needs of the view that owns it.
class site_owner {
public:
    virtual ~site_owner() = default;

    // 0 HTML message, 1 HTML-lite message, 2 any other (the text message).
    virtual int document_kind() const = 0;
    // A file path is loaded as text through the site's filter.
    virtual bool load_through_filter() const = 0;
    // The path of the view's document; empty when it has none.
    virtual std::string document_path() const = 0;
    // The application's edit mode and its "RemoveInsRedirectLnk" switch.
    virtual int edit_mode() const = 0;
    virtual bool remove_redirect_link() const = 0;
    // The program's menus, for the context menus; null: no context menu.
    virtual const platform::ui::MenuResources* menus() const = 0;

    virtual void ApplyEditOptions() = 0;
    // The length of the name of the anchor at the last context-menu point (0: none).
    virtual int GetAnchorNameAtPoint() = 0;
    virtual void HandlePaste() = 0;
    virtual void OnEditorMouseMove(int key_flags, int x, int y) = 0;
    virtual void OnEditorMouseButton() = 0;
    // The frame applies its font choice to the page (nothing when the frame has none).
    virtual void ApplyFrameFont() = 0;
    // Shows the menu at the screen point; the chosen command goes to the frame's routing.
    virtual void TrackContextMenu(const platform::ui::MenuModel& menu, html::point screen) = 0;
    // An exception that left an event handler, reported as the application reports one.
    virtual void ReportException(std::exception_ptr error) = 0;
    // The wait cursor while the site works on a loaded page.
    virtual void BeginWaitCursor() { }
    virtual void EndWaitCursor() { }
};

// The context menu resource for a document kind and edit mode.
int context_menu_id(int document_kind, int edit_mode);
// The menu the site shows: the first popup of that resource, without "Redirection &Link"
// (33055) when the switch is on. Nothing when the resource is missing.
std::optional<platform::ui::MenuModel> build_context_menu(const platform::ui::MenuResources& menus,
    int document_kind, int edit_mode, bool remove_redirect_link);

// The mouse flags the view hears: left 1, right 2, middle 16; Shift adds 4, Ctrl 8.
int editor_mouse_flags(int button, bool shift, bool ctrl);

// The text of a file as the page the site loads through its filter: the bytes, CR LF as LF,
// escaped as text, in one PRE.
std::string text_file_page(std::string_view bytes);

// The first file a text or HTML-lite page is kept in beside its document: the path with its
// extension replaced by ".htm".
std::string companion_page_path(std::string_view document_path);

// The address of the blank start page: "res://<executable>/185".
std::string blank_page_address(std::string_view executable);

class CImpIDispatch;
class CImpIPropertyNotifySink;

class CSite final : public html::document_host {
public:
    CSite(site_owner& owner, document_factory factory);
    ~CSite() override;
    CSite(const CSite&) = delete;
    CSite& operator=(const CSite&) = delete;

    // Makes the document and loads the address into it; false on any failure, the document
    // then gone.
    bool Create(std::string_view url);
    // "" an empty page; "file:", "http:", "https:", "res:" (exact) by address; any other
    // text a file path, loaded as text when the owner asks for its filter.
    hresult Load(std::string_view url);
    // -1 (show) asks nothing of the document, which activates when it first completes;
    // -6 drops its undo state.
    void DoVerb(int verb);
    // Writes the page (an empty path: the current file).
    hresult Save(std::string_view path, bool remember);
    bool IsDirty() const;
    // Ends the document; the site then holds nothing.
    void Close(bool save);
    void Resize() { }

    // The pair every editing operation runs on; empty without a document.
    document_pair pair();
    html::document* document() const { return document_.get(); }
    html::command_target* command_target() const { return target_; }
    // The point of the last context-menu request, in client co-ordinates.
    html::point context_menu_point() const { return context_point_; }
    // The connections the view makes beside the site.
    void Connect(std::unique_ptr<CImpIDispatch> events, std::unique_ptr<CImpIPropertyNotifySink> ready_state);

    // html::document_host
    void on_activated(html::command_target& target) override;
    void on_ready_state(int state) override;
    void on_load_failed(hresult why) override;
    void on_event(html::event& e) override;
    bool translate_accelerator(int key_code, bool ctrl, bool shift, bool alt) override;
    bool show_context_menu(html::point at) override;
    bool user_mode() const override { return false; }
    std::int32_t download_control() const override { return 0; }

    hresult last_load_failure() const { return load_failure_; }

private:
    site_owner& owner_;
    document_factory factory_;
    std::unique_ptr<html::document> document_;
    html::command_target* target_ = nullptr;
    html::point context_point_;
    hresult load_failure_ = html::S_OK;
    std::unique_ptr<CImpIDispatch> events_;
    std::unique_ptr<CImpIPropertyNotifySink> ready_state_;
};

// The sink of the document's events: mouse moves and clicks to the view, keys through the
// editing document's key handling, the control-select event cancelled over pictures and
// marquees.
class CImpIDispatch {
public:
    explicit CImpIDispatch(site_owner& owner) : owner_(owner) { }
    void Invoke(CSite& site, html::event& e);

private:
    site_owner& owner_;
};

// Follows the document's ready state: traces it and, at completion, applies the frame's
// font and keeps a text or HTML-lite page beside its document.
class CImpIPropertyNotifySink {
public:
    explicit CImpIPropertyNotifySink(site_owner& owner) : owner_(owner) { }
    void OnChanged(CSite& site, int state);

private:
    site_owner& owner_;
};

}
