#pragma once

#include "platform/gfx/bitmap.h"

#include <array>
#include <optional>
#include <string>

namespace platform::ui {

// The platform's numbers of the system colours that buttons and toolbars are drawn in.
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;

// The colour table the program's controls are drawn with, by system colour number. It
// starts as the platform's standard XP scheme; a host may change entries.
class system_colors {
public:
    system_colors();
    // The colour of a number this table keeps; black for any other, as the platform answers.
    gfx::color GetSysColor(int index) const;
    // False, and nothing changed, for a number this table does not keep.
    bool set(int index, gfx::color value);

private:
    struct entry {
        int index;
        gfx::color value;
    };
    std::array<entry, 4> entries_;
};

// The bitmap resource `id` (`<bitmap_folder>/<id>.png`) with its button colours in the
// table's: black becomes the button text colour, dark grey (128,128,128) the shadow,
// light grey (192,192,192) the face and white the highlight. A missing or unreadable
// bitmap gives an empty picture and a line to the dialog layer's trace.
std::optional<gfx::bitmap> LoadSysColorBitmap(const std::string& bitmap_folder, int id, const system_colors& colors);

}
