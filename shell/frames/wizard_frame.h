#pragma once

#include "platform/ui/control_bars.h"
#include "platform/ui/frame_wnd.h"
#include "shell/frames/frame_services.h"
#include "shell/view/view_frame.h"

#include <string>

namespace shell {

// Messages from the download workers to the frames: the status text and the completions.
inline constexpr std::uint32_t WM_DOWNLOAD_STATUS = 1624;
inline constexpr std::uint32_t WM_PICTURE_DOWNLOADED = 1625;
inline constexpr std::uint32_t WM_PULLFILE_DOWNLOADED = 1626;
inline constexpr std::uint32_t WM_CLICKTO_PICTURE_DOWNLOADED = 1627;
inline constexpr std::uint32_t WM_HYPERLINK_PICTURE_DOWNLOADED = 1628;
inline constexpr std::uint32_t WM_MAILTO_PICTURE_DOWNLOADED = 1629;
inline constexpr std::uint32_t WM_SENDFRIEND_PICTURE_DOWNLOADED = 1630;

// Status-bar panes and menu captions the frames use.
inline constexpr int ID_DOWNLOAD_STATUS_PANE = 3103; // "Requesting data..."
inline constexpr int ID_CONFIG_NAME_PANE = 3094;
inline constexpr int ID_INDICATOR_CAPS = 0xE701;
inline constexpr int ID_INDICATOR_NUM = 0xE702;
inline constexpr int ID_INDICATOR_SCRL = 0xE703;
inline constexpr unsigned IDS_VIEW_MENU = 1203;    // "&View"
inline constexpr unsigned IDS_TOOLBAR_MENU = 1151; // "&Toolbar"
inline constexpr unsigned IDS_INSERT_MENU = 1144;  // "&Insert"

inline constexpr int ID_VIEW_MAIN_TOOLBAR = 32837;
inline constexpr int ID_INSERT_REDIRECTION_LINK = 33055;
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDR_IMAGE_TOOLBAR = 244;
inline constexpr int AFX_IDW_IMAGE_TOOLBAR = 0xE81F;

// The rebar of the frames. It keeps the place of the owner-drawn colour menu whose
// commands start at 32962 (its drawing comes with the owner-drawn controls).
class CWizardRebar final : public platform::ui::ReBar {
public:
    static constexpr int color_menu_first_command = 0x80C2;
    int color_menu_first() const { return color_menu_first_; }

private:
    int color_menu_first_ = color_menu_first_command;
};

// The frame of every message editor: status bar, main toolbar, hidden image toolbar,
// rebar, the toolbar-visibility commands, the download status and the completion of
// downloads of message objects.
class CWizardFrame : public platform::ui::FrameWnd, public ViewFrame {
public:
    explicit CWizardFrame(FrameServices& services);
    ~CWizardFrame() override;

    bool LoadFrame(unsigned resource_id) override;
    void ActivateFrame() override;

    // The program-wide font on the active editing view's page; its undo steps dropped.
    virtual void ApplyFontCommand();
    // Deletes a document file and its ".htm" twin inside the working folder when the
    // active message document keeps no stored text body.
    virtual void CleanUpDocumentFile(const std::string& path);
    // The editor's own bars; true when they were made.
    virtual bool CreateFrameToolbars(int edit_mode);

    // The frame kind a closing document is told: 2 here, 1 for the HTML-lite frame and the
    // frames built on it.
    virtual int frame_kind() const { return 2; }

    // WM_CLOSE: the active document may refuse (it asks to save); otherwise it and the
    // frame close as CloseDocumentFrame does.
    bool OnClose() override;
    // Closes the active document and the frame without asking: a text or HTML-lite
    // document is told the frame's kind first (its scratch files go), the views let go of
    // their editing sites, the document closes, the window goes.
    void CloseDocumentFrame();

    // ViewFrame: what the views ask of their frame.
    platform::ui::window_id frame_window() const override { return window(); }
    // The view's commands first, then the document's, the frame's, the application's.
    bool OnCmdMsg(int id) override { return OnCommand(id); }
    // The accelerators: a key with Ctrl that a menu item of the frame shows ("\tCtrl+S")
    // runs its command.
    bool PreTranslateMessage(const platform::ui::message& msg) override;
    void SetMessageText(const std::string& text) override;
    // The frame's font command on that view's page.
    void ApplyFontCommand(CWizardView& view) override;
    // A frame without a document goes at once; one showing a document closes as WM_CLOSE
    // does (the document may refuse).
    void CloseFrame() override;

    // Sets the check of an item of "&View" > "&Toolbar"; nothing without those menus.
    void CheckToolbarMenuItem(int id, bool checked);

    platform::ui::StatusBar& status() { return status_bar_; }
    platform::ui::CToolBarXP& main_toolbar() { return main_toolbar_; }
    platform::ui::CToolBarXP& image_toolbar() { return image_toolbar_; }
    CWizardRebar& rebar() { return rebar_; }
    bool xp_menus() const { return xp_menus_; }
    // Downloads the status pane counts as running.
    int running_downloads() const { return running_downloads_; }

protected:
    int OnCreate() override;
    std::intptr_t WindowProc(const platform::threads::message& received) override;
    void OnSize(int width, int height) override;

    FrameServices& services() const { return services_; }
    AppContext& context() const { return services_.context; }
    // The "&View" menu, and its "&Toolbar" submenu; null when missing.
    platform::ui::MenuModel* view_menu() const;
    platform::ui::MenuModel* toolbar_menu() const;
    // A bar made and loaded from its toolbar resource; false when either failed.
    bool CreateToolBar(platform::ui::ToolBar& bar, int id, int resource, unsigned style, unsigned bar_style, bool visible);
    bool newer_look() const { return services_.windows_version >= 8; }

private:
    void OnDownloadStatus(std::uintptr_t string_id);
    void OnObjectDownloaded(std::uint32_t message, std::int32_t id);
    // The editing views of the active document let go of their sites (their windows go).
    void DestroyViews();
    void ToggleMainToolbar();
    void ToggleStatusBar();

    FrameServices& services_;
    platform::ui::StatusBar status_bar_;
    platform::ui::CToolBarXP main_toolbar_;
    platform::ui::CToolBarXP image_toolbar_;
    CWizardRebar rebar_;
    bool xp_menus_ = false;
    int running_downloads_ = 0;
};

}
