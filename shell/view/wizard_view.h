#pragma once

// The view of every message document: it owns the editing site, hands the editing document
// to the editing code, takes the page's markup and text, routes keys and menus, and runs the
// editing commands common to the three message views.

#include "editing/site/site.h"
#include "platform/ui/command_router.h"
#include "platform/ui/doc_manager.h"
#include "platform/ui/message_queue.h"
#include "shell/frames/frame_services.h"
#include "shell/view/view_frame.h"
#include "shell/view/view_services.h"

#include <cstdint>
#include <optional>
#include <string>

namespace html {
class clipboard;
}

namespace shell {

struct AppContext;
class CTalverinDocManager;
class FragmentImporter;

// View commands.
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_EDIT_REDO = 57644;
inline constexpr int ID_FILE_PRINT = 57607;
inline constexpr int ID_CHECK_SPELLING = 32793;
inline constexpr int ID_INSERT_HYPERLINK = 32771;
inline constexpr int ID_INSERT_PICTURE = 32772;
inline constexpr int ID_INSERT_PULLFILE = 32773;
inline constexpr int ID_INSERT_CLICKTO = 32774;
inline constexpr int ID_INSERT_SENDFRIEND = 32775;
inline constexpr int ID_INSERT_MAILTO = 32776;
inline constexpr int ID_INSERT_LIST_ELEMENT = 32777;
inline constexpr int ID_INSERT_BOOKMARK = 32778;
inline constexpr int ID_INSERT_C2T_FORM = 291;
inline constexpr int ID_INSERT_C2T_BUTTON = 292;
inline constexpr int ID_PREVIEW_AS_TEXT = 32824;
inline constexpr int ID_VIEW_SOURCE = 32997;

// The page flags of a page shown or written out: 1, or 9 in edit mode 1; 16 more with
// `extra`.
unsigned get_save_page_flags(int edit_mode, bool extra);

// The next list-insert number after `counter` for a page with that visible text: the largest
// "(I<n>)" number plus 1 (1 when there is none); without text the counter plus 1. Numbers
// past 32 bits are not numbers.
std::int32_t next_list_insert_number(std::int32_t counter, std::string_view page_text);

// The page text shown by Preview as Text: escaped, with "\r\n" as "<br>".
std::string text_preview_html(std::string_view page_text);

class CWizardView : public platform::ui::View, public editing::site_owner, public FrameView {
public:
    CWizardView(AppContext& context, CTalverinDocManager* manager);
    ~CWizardView() override;
    CWizardView(const CWizardView&) = delete;
    CWizardView& operator=(const CWizardView&) = delete;

    // The frame the view belongs to (the framework's wiring).
    void SetFrame(ViewFrame* frame) { frame_ = frame; }
    ViewFrame* GetParentFrame() const { return frame_; }
    // The frame the document manager shows the view in, when it is a message frame.
    void AttachFrame(platform::ui::Frame* frame) override { frame_ = dynamic_cast<ViewFrame*>(frame); }

    // The initial update: makes the site and loads the document's page (a blank page for a
    // document without one). On failure the error is shown, the frame closed, false.
    bool OnInitialUpdate() override;
    // The view's window is gone: the site is closed and released.
    void OnDestroy();

    // 0 HTML message, 1 HTML-lite message, 2 the text message.
    int GetDocumentKind() const;

    // Page access.
    virtual std::string GetPageHTML(unsigned flags);
    virtual std::string GetPageText(bool adjust);
    virtual void LoadBlankPage();
    // The page as the component saves it into a temporary file (its charset kept); throws
    // com_error when it cannot be saved or read back. The temporary file never stays.
    std::string GetPageSource();

    bool CreateSite(std::string_view arg);
    editing::document_pair GetHTMLDocument();
    editing::CSite* site() const { return site_.get(); }
    html::hresult ExecCommand(int id, const html::value* in, html::value* out, bool prompt);
    bool IsDocumentDirty() const;
    void GetElementAtPoint(html::element_ptr& element, std::string& tag_name);
    void GetSelectionElement(html::element_ptr& element, std::string& tag_name);
    bool IsSelectionInDiv();

    // Keys, as the site's key handling runs them (only while no control is selected and no
    // element but the BODY is active).
    void InsertLineBreak();
    void HandleEnterInBlock();
    bool HandleDeleteKey(bool backspace);
    bool HandleKeyDown(int key_code, bool shift);

    void StartObjectDownload(const std::string& local_path, const std::string& address, std::int32_t id, int kind,
        bool refresh);
    void StartPullFileDownload(const std::string& pull_path, const std::string& picture_path,
        const std::string& pull_address, const std::string& picture_address, std::int32_t id, bool refresh_pull,
        bool refresh_picture);
    // A finished download in place: the IMG of the object (the one marked with its id, or the
    // first inside the marked element) takes the picture as its source; a pull file becomes
    // its record's file. Bit 0 set when an element changed.
    int PutDownloadedFile(int kind, std::int32_t id, const std::string& picture_path,
        const std::string& pull_path) override;

    // FrameView: what the frames do on the page.
    void apply_browser_font(const std::string& face, int html_size) override;
    void discard_undo_state() override;
    void set_body_text_color(const std::string& colour) override;
    void exec_editing_command(int command, std::int32_t value, int option) override;
    void set_page_charset(const std::string& charset) override;
    // The base view makes no web form; the HTML message's view does.
    bool form_creation_mode() const override { return false; }
    std::uint64_t document_serial() const override;

    // The framework's message filter: Ctrl+O and Ctrl+S go to the frame first, then the
    // component's accelerators.
    bool PreTranslateMessage(const platform::ui::message& msg);

    // The view's commands (the frame routes here first).
    platform::ui::CommandRouter& commands() { return commands_; }

    // Display options sent as edit options 56 and 23.
    bool first_display_option() const { return first_display_option_; }

    // editing::site_owner
    int document_kind() const override { return GetDocumentKind(); }
    bool load_through_filter() const override { return GetDocumentKind() == 2; }
    std::string document_path() const override;
    int edit_mode() const override;
    bool remove_redirect_link() const override;
    const platform::ui::MenuResources* menus() const override;
    void ApplyEditOptions() override;
    int GetAnchorNameAtPoint() override;
    void HandlePaste() override;
    void OnEditorMouseMove(int key_flags, int x, int y) override;
    void OnEditorMouseButton() override { }
    void ApplyFrameFont() override;
    void TrackContextMenu(const platform::ui::MenuModel& menu, html::point screen) override;
    void ReportException(std::exception_ptr error) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;

protected:
    AppContext& context() const { return context_; }
    CTalverinDocManager* manager() const { return manager_; }
    // Whether the program has bound the dialogs or services the command needs.
    bool has_object_service(int command) const;
    // The page the initial update shows once the site is made: the document's file, else the
    // blank page.
    virtual void LoadInitialPage();

private:
    void register_commands();
    void OnEditCommand(int id);
    void OnUpdateEditCommand(platform::ui::CmdUI& ui);
    void OnFilePrint();
    void OnCheckSpelling();
    void OnInsertObject(int command);
    void OnInsertBookmark();
    void OnInsertListElement();
    void OnInsertClickToTalk(int command);
    void OnPreviewAsText();
    void OnViewSource();
    std::string load_string(unsigned id) const;
    void show_message(unsigned id, unsigned type);

    AppContext& context_;
    CTalverinDocManager* manager_;
    ViewFrame* frame_ = nullptr;
    std::unique_ptr<editing::CSite> site_;
    bool first_display_option_ = false;
    bool second_display_option_ = true;
    platform::ui::CommandRouter commands_;
};

// Whether a text holds an address with a host name (what the downloads fetch).
bool is_internet_address(std::string_view address);

}
