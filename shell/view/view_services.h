#pragma once

// The services behind the view's insert commands, preview and spelling, and the downloads
// they start. Each is bound by the part of the program that owns it; until then its
// commands stay disabled.

#include "editing/document/editing_commands.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace shell {

// What an insert command's dialog gave after OK.
struct InsertChoice {
    // HTML documents: writes the dialog's values into the new element (IMG or A); false
    // when it could not.
    std::function<bool(const editing::document_pair& pair, const html::element_ptr& element)> write;
    // Text documents: the reference text pasted with markers.
    std::string reference_text;
    // A picture: text put right behind the element.
    std::string text_after;
    // A pull file: the size text after the link and its placeholder.
    std::string size_text;
    std::string size_placeholder;
    // The object's download: its local path, address and refresh choice.
    struct Download {
        std::string local_path;
        std::string address;
        bool refresh = false;
    };
    std::optional<Download> object_download;
    // A pull file's picture.
    std::optional<Download> picture_download;
    std::int32_t object_id = 0;
    bool has_picture = false;
};

// A speller over the editing document.
class Speller {
public:
    virtual ~Speller() = default;
    virtual bool Start() = 0;
    virtual void Check(const editing::document_pair& pair) = 0;
};

// The dialogs, preview and spellers of the editing subsystem.
class ViewObjectServices {
public:
    virtual ~ViewObjectServices() = default;
    // Whether the command's dialog (or service) is bound; an unbound command is disabled.
    virtual bool has(int command) const = 0;
    // Runs the command's property dialog for a new object; nothing when it was cancelled.
    virtual std::optional<InsertChoice> run_insert_dialog(int command, int document_kind,
        const editing::document_pair& pair) = 0;
    // The bookmark dialog: IDOK (1) with the anchor markup, 1176 to delete, else nothing.
    // `existing` receives the bookmark element at the caret when there is one.
    virtual int run_bookmark_dialog(const editing::document_pair& pair, std::string& anchor_html,
        html::element_ptr& existing) = 0;
    // The click-to-talk form (291) or button (292): whether the page holds one; the
    // dialog preset with the configuration's centre and service, which it changes; OK
    // writes the marker object.
    virtual bool has_click_to_talk(int command, const editing::document_pair& pair) = 0;
    virtual bool run_click_to_talk_dialog(int command, const editing::document_pair& pair, std::string& center,
        std::string& service) = 0;
    // The plain-text preview window.
    virtual void show_text_preview(const std::string& html, const std::string& title) = 0;
    // The speller the setting names (0 the integrated one), with the user dictionary.
    virtual std::unique_ptr<Speller> make_speller(int engine, const std::string& user_dictionary, int lcid) = 0;
};

// Starts background downloads for the view (the download service).
class DownloadStarter {
public:
    virtual ~DownloadStarter() = default;
    // One object (kinds 0, 3-6); its completion goes to the notify window, marked with the
    // serial of the document that asked.
    virtual void start_object(const std::string& local_path, const std::string& address, std::int32_t id, int kind,
        bool refresh, std::uintptr_t notify_window, std::uint64_t document_serial) = 0;
    // A pull file and its picture; the one not needed is empty.
    virtual void start_pull_file(const std::string& pull_path, const std::string& picture_path,
        const std::string& pull_address, const std::string& picture_address, std::int32_t id, bool refresh_pull,
        bool refresh_picture, std::uintptr_t notify_window, std::uint64_t document_serial) = 0;
};

}
