#pragma once

#include "broadcast/job/broadcast_dispatcher.h"
#include "broadcast/launch/launch_services.h"
#include "shell/frames/deferred_deletions.h"
#include "shell/frames/html_lite_wizard_frame.h"

#include <chrono>
#include <string>

namespace shell {

inline constexpr std::uintptr_t ID_DEFERRED_DELETION_TIMER = 1985;
inline constexpr std::chrono::milliseconds deferred_deletion_period {1986};
inline constexpr std::uint32_t WM_DIAL_PROGRESS = 0xCCCD;
inline constexpr std::uint32_t WM_BROADCAST_END = platform::threads::WM_USER + 1;
inline constexpr int ID_CUSTOMIZE = 33013;
inline constexpr int ID_VIEW_LINES = 33009;          // "Shows Lines (toggle)"
inline constexpr int ID_VIEW_FORM_ELEMENTS = 33014;  // "View Form Elements toolbar."
inline constexpr int ID_FORM_CREATION_MODE = 34003;
inline constexpr int ID_BROADCAST = 33002;
inline constexpr int ID_SAVE_AND_SEND = 33058;
inline constexpr int IDR_FORMATTING = 138;
inline constexpr int IDR_FORMATTING_CLICKTO = 242;
inline constexpr int IDR_FORMELEMENTS = 154;
inline constexpr int IDR_LINE_STYLES = 212;
inline constexpr int AFX_IDW_FORM_ELEMENTS = 0xE822;
inline constexpr int AFX_IDW_LINE_PALETTE = 0xE823;

// A configuration name as the status bar shows it: up to 30 characters whole, a longer
// one cut after its 30th character (never inside one) and followed by "...".
std::string shown_configuration_name(const std::string& name);

// The "#RRGGBB" text of a colour kept as 0x00BBGGRR.
std::string html_colour(std::uint32_t colour);

// The main window: the HTML message's frame, with the formatting bar, the form-elements
// bar, the line-style palette, the configuration name, Customize, the dial-up library's
// failure and the end of a broadcast, and the timer that deletes files when they are due.
class CMainFrame : public CHTMLLiteWizardFrame {
public:
    explicit CMainFrame(FrameServices& services);
    ~CMainFrame() override;

    void ActivateFrame() override;
    using CHTMLLiteWizardFrame::ApplyFontCommand;
    void ApplyFontCommand() override;
    bool CreateFrameToolbars(int edit_mode) override;
    std::string GetMessageString(int id) const override;
    std::string GetToolTipText(int id) const override;

    // The current configuration's name in pane 3094, the pane as wide as the text.
    void ShowConfigurationName();
    // A file deleted once `delay` has passed (or at the latest when the frame goes).
    void add_deferred_deletion(std::chrono::milliseconds delay, std::string path);
    const DeferredDeletions& deferred_deletions() const { return deletions_; }

    // The status dialog of the broadcast under way; null when it has closed.
    void RegisterBroadcastDialog(broadcast::registered_broadcast_dialog* dialog) { broadcast_dialog_ = dialog; }
    // A broadcast dialog is open and its broadcast has not finished; with `activate` the
    // dialog comes to the front.
    bool IsBroadcastRunning(bool activate);
    // Hands a built job to the broadcast launch.
    void DispatchBroadcast(broadcast::broadcast_ref job);

    void HideLinePalette();
    void OnCustomize();

    platform::ui::CToolBarXP& form_elements() { return form_elements_; }
    platform::ui::CToolBarXP& line_palette() { return line_palette_; }

protected:
    int OnCreate() override;
    std::intptr_t WindowProc(const platform::threads::message& received) override;
    void OnTimer(std::uintptr_t timer) override;
    void PostNcDestroy() override;

private:
    void OnDialFailure();
    void ToggleFormElements();
    void ToggleLinePalette();
    bool form_mode() const;

    DeferredDeletions deletions_;
    platform::ui::CToolBarXP form_elements_;
    platform::ui::CToolBarXP line_palette_;
    broadcast::registered_broadcast_dialog* broadcast_dialog_ = nullptr;
};

}
