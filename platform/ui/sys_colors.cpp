#include "platform/ui/sys_colors.h"

#include "platform/ui/ui_host.h"

namespace platform::ui {

system_colors::system_colors()
    : entries_ {{{COLOR_BTNFACE, {0xEC, 0xE9, 0xD8}}, {COLOR_BTNSHADOW, {0xAC, 0xA8, 0x99}},
          {COLOR_BTNTEXT, {0x00, 0x00, 0x00}}, {COLOR_BTNHIGHLIGHT, {0xFF, 0xFF, 0xFF}}}}
{
}

gfx::color system_colors::GetSysColor(int index) const
{
    for (const auto& e : entries_) {
        if (e.index == index)
            return e.value;
    }
    return {};
}

bool system_colors::set(int index, gfx::color value)
{
    for (auto& e : entries_) {
        if (e.index == index) {
            e.value = value;
            return true;
        }
    }
    return false;
}

std::optional<gfx::bitmap> LoadSysColorBitmap(const std::string& bitmap_folder, int id, const system_colors& colors)
{
    const std::string path = bitmap_folder + "/" + std::to_string(id) + ".png";
    auto picture = gfx::bitmap::load_png(path);
    if (!picture) {
        ui_trace("LoadSysColorBitmap() -- bitmap " + std::to_string(id) + " cannot be read from " + path + "\n");
        return std::nullopt;
    }
    const gfx::color_replacement button_colors[] = {
        {{0x00, 0x00, 0x00}, colors.GetSysColor(COLOR_BTNTEXT)},
        {{0x80, 0x80, 0x80}, colors.GetSysColor(COLOR_BTNSHADOW)},
        {{0xC0, 0xC0, 0xC0}, colors.GetSysColor(COLOR_BTNFACE)},
        {{0xFF, 0xFF, 0xFF}, colors.GetSysColor(COLOR_BTNHIGHLIGHT)},
    };
    picture->replace_colors(button_colors);
    return picture;
}

}
