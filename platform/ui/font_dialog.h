#pragma once

#include "platform/gfx/font_catalogue.h"
#include "platform/ui/dialog.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform::ui {

// Font dialog flags, with the platform's numbers.
inline constexpr unsigned CF_SCREENFONTS = 0x00000001;
inline constexpr unsigned CF_EFFECTS = 0x00000100;
inline constexpr unsigned CF_TTONLY = 0x00040000;
inline constexpr unsigned CF_NOSCRIPTSEL = 0x00800000;

// The font dialog's template and controls.
inline constexpr int IDD_FONT_DIALOG = 1543;
inline constexpr int IDC_FONT_STRIKEOUT = 1040; // chx1
inline constexpr int IDC_FONT_UNDERLINE = 1041; // chx2
inline constexpr int IDC_FONT_FACE = 1136;      // cmb1
inline constexpr int IDC_FONT_STYLE = 1137;     // cmb2
inline constexpr int IDC_FONT_SIZE = 1138;      // cmb3
inline constexpr int IDC_FONT_COLOR = 1139;     // cmb4

// A font as the dialog takes and gives it: face, size in tenths of a point, weight
// (400 regular, 700 bold), italic, underline and strike-out.
struct LogFont {
    std::string face;
    int point_tenths = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strike_out = false;
    bool operator==(const LogFont&) const = default;
};

// The font dialog over template 1543: the faces of the catalogue (outline fonts only with
// CF_TTONLY), the chosen face's styles and sizes, and with CF_EFFECTS strike-out,
// underline and colour. A change of face refills styles and sizes. OK checks the typed
// face and size and ends with the choice; the values stay those given until then.
class FontDialog : public Dialog {
public:
    FontDialog(const DialogTemplates& templates, UiHost& host, const gfx::font_catalogue& fonts, LogFont initial,
        unsigned flags, std::uint32_t colour);

    bool OnInitDialog() override;
    void OnCommand(int control, int code) override;
    void OnOK() override;

    const LogFont& font() const { return font_; }
    const std::string& GetFaceName() const { return font_.face; }
    int GetSize() const { return font_.point_tenths; }
    int GetWeight() const { return font_.weight; }
    bool IsItalic() const { return font_.italic; }
    bool IsUnderline() const { return font_.underline; }
    bool IsStrikeOut() const { return font_.strike_out; }
    std::uint32_t GetColor() const { return colour_; }
    unsigned flags() const { return flags_; }

    // The point sizes offered for a scalable face.
    static const std::vector<int>& standard_sizes();
    // "10", "10.5": tenths of a point; -1 for a text that is no size.
    static int parse_point_tenths(const std::string& text);

private:
    // The styles and sizes of the face shown; the style and size keep their text when
    // the new face has them.
    void fill_styles_and_sizes(const std::string& face);
    std::string current_face() const;

    const gfx::font_catalogue& fonts_;
    LogFont font_;
    unsigned flags_;
    std::uint32_t colour_;
    std::vector<gfx::font_style> styles_;
    std::vector<std::uint32_t> colours_; // by the colour box's items
};

}
