#pragma once

#include "shell/frames/wizard_frame.h"

namespace shell {

inline constexpr int ID_VIEW_COLORS = 32799;          // "Shows colors toolbar (toggle)"
inline constexpr int ID_VIEW_FORMAT_TOOLBAR = 32838;  // "View formatting toolbar."
inline constexpr int ID_DEFAULT_DOCUMENT_FONT = 33000; // "Set Default Document Font"
inline constexpr int ID_FONT_NAME_BOX = 32818;
inline constexpr int ID_FONT_SIZE_BOX = 34819;
inline constexpr int ID_COLOR_AUTOMATIC = 32943;
inline constexpr int ID_COLOR_MORE = 32961;
inline constexpr int IDR_COLOR_PALETTE = 137;
inline constexpr int AFX_IDW_FORMAT_BAR = 0xE820;
inline constexpr int AFX_IDW_COLOR_PALETTE = 0xE821;

// The HTML-lite editor's frame as the main frame builds on it: the formatting bar with
// its font boxes, the font-colour palette, and the default document font.
class CHTMLLiteWizardFrame : public CWizardFrame {
public:
    explicit CHTMLLiteWizardFrame(FrameServices& services);

    void ActivateFrame() override;
    int frame_kind() const override { return 1; }
    // The base's font command, then the font's name and nearest size in the boxes.
    using CWizardFrame::ApplyFontCommand;
    void ApplyFontCommand() override;
    void ApplyFont() { CHTMLLiteWizardFrame::ApplyFontCommand(); }
    // The font-colour palette: floating, hidden, "Automatic" and "More Colors..." below
    // the colours; a palette that cannot be made is traced and the frame goes on.
    void CreateFormatBar();

    platform::ui::CToolBarXP& format_bar() { return format_bar_; }
    platform::ui::CToolBarXP& color_palette() { return color_palette_; }

    // The seven HTML font sizes in points.
    static const std::vector<int>& font_sizes();

protected:
    // The face and height of the font of the formatting bar's boxes.
    static constexpr const char* box_font_face = "Arial";
    static constexpr int box_font_height = -13;

private:
    void ToggleColorPalette();
    void ToggleFormatBar();
    void ChooseDefaultFont();

    platform::ui::CToolBarXP format_bar_;
    platform::ui::CToolBarXP color_palette_;
};

}
