#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform::gfx {

// One style of a font family: its name as the family calls it, its weight (100-900, 400
// regular, 700 bold) and slant.
struct font_style {
    std::string name;
    int weight = 400;
    bool italic = false;
    bool operator==(const font_style&) const = default;
};

// The fonts of the screen: family names, each family's styles, and the width of a text.
class font_catalogue {
public:
    virtual ~font_catalogue() = default;
    // Every family once, sorted; with `outline_only` only scalable outline fonts
    // ("TrueType only").
    virtual std::vector<std::string> families(bool outline_only) const = 0;
    // The styles of a family, regular first; empty for an unknown family.
    virtual std::vector<font_style> styles(const std::string& family) const = 0;
    // The width in pixels of a line of text in the face at a pixel height.
    virtual int text_width(const std::string& face, int pixel_height, const std::string& text) const = 0;
};

// The catalogue of the system's fonts (fontconfig), widths measured with FreeType.
std::unique_ptr<font_catalogue> make_system_font_catalogue();

}
