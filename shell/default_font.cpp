#include "shell/default_font.h"

#include "platform/ui/messages.h"

#include <array>

namespace shell {

using namespace platform::ui;

namespace {

// The HTML font sizes 1 to 7 in points.
constexpr std::array<int, 7> html_point_sizes {8, 10, 12, 14, 18, 24, 36};
constexpr int CBN_SETFOCUS = 3;
constexpr int CBN_KILLFOCUS = 4;

LogFont stored_font(const Settings& settings)
{
    return {settings.current_font, settings.size * 10, settings.weight, settings.is_italic != 0,
        settings.is_under_line != 0, settings.is_strike_out != 0};
}

}

DefaultFontDialog::DefaultFontDialog(const DialogTemplates& templates, UiHost& host,
    const platform::gfx::font_catalogue& fonts, const Settings& settings)
    : FontDialog(templates, host, fonts, stored_font(settings), CF_EFFECTS | CF_SCREENFONTS | CF_TTONLY | CF_NOSCRIPTSEL,
          static_cast<std::uint32_t>(settings.color)),
      stored_size_(settings.size)
{
}

void DefaultFontDialog::post_sizes()
{
    post(WM_FILL_FONT_SIZES, html_point_sizes.size(), reinterpret_cast<std::intptr_t>(html_point_sizes.data()));
}

bool DefaultFontDialog::OnInitDialog()
{
    post_sizes();
    for (int id : {IDC_FONT_STRIKEOUT, IDC_FONT_UNDERLINE}) {
        CheckDlgButton(id, false);
        EnableItem(id, false);
    }
    bool shown = FontDialog::OnInitDialog();
    for (int id : {IDC_FONT_STRIKEOUT, IDC_FONT_UNDERLINE})
        CheckDlgButton(id, false);
    return shown;
}

void DefaultFontDialog::OnCommand(int control, int code)
{
    if (control == IDC_FONT_FACE && code != CBN_SETFOCUS && code != CBN_KILLFOCUS)
        post_sizes();
    FontDialog::OnCommand(control, code);
}

void DefaultFontDialog::OnMessage(std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam)
{
    if (id != WM_FILL_FONT_SIZES) {
        FontDialog::OnMessage(id, wparam, lparam);
        return;
    }
    const auto* sizes = reinterpret_cast<const int*>(lparam);
    auto& box = item(IDC_FONT_SIZE);
    box.items.clear();
    box.selection = -1;
    for (std::uintptr_t i = 0; i < wparam; ++i)
        box.items.push_back(std::to_string(sizes[i]));
    int nearest = GetNearestFontSize(stored_size_, nullptr);
    int found = find_string_exact(IDC_FONT_SIZE, std::to_string(nearest));
    if (found >= 0) {
        set_cur_sel(IDC_FONT_SIZE, found);
        box.text = box.items[static_cast<std::size_t>(found)];
    }
}

int ChooseDefaultFont(Settings& settings, const DialogTemplates& templates, UiHost& host,
    const platform::gfx::font_catalogue& fonts)
{
    DefaultFontDialog dialog(templates, host, fonts, settings);
    int result = dialog.DoModal();
    if (result != IDOK)
        return result;
    const auto& chosen = dialog.font();
    settings.current_font = limit_face_name(chosen.face);
    settings.size = chosen.point_tenths / 10;
    settings.color = static_cast<int>(dialog.GetColor());
    settings.weight = chosen.weight;
    settings.is_italic = chosen.italic ? 1 : 0;
    settings.is_under_line = chosen.underline ? 1 : 0;
    settings.is_strike_out = chosen.strike_out ? 1 : 0;
    settings.is_bold = chosen.weight == 700 ? 1 : 0;
    return result;
}

}
