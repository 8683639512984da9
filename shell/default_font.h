#pragma once

#include "platform/ui/font_dialog.h"
#include "shell/settings.h"

namespace shell {

inline constexpr std::uint32_t WM_FILL_FONT_SIZES = 2999;

// The font dialog of the program-wide editing font: only the seven HTML font sizes are
// offered (also after another face is chosen), starting on the one nearest the stored
// size; strike-out and underline are cleared and cannot be chosen.
class DefaultFontDialog final : public platform::ui::FontDialog {
public:
    DefaultFontDialog(const platform::ui::DialogTemplates& templates, platform::ui::UiHost& host,
        const platform::gfx::font_catalogue& fonts, const Settings& settings);

    bool OnInitDialog() override;
    void OnCommand(int control, int code) override;
    void OnMessage(std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam) override;

private:
    void post_sizes();

    int stored_size_;
};

// Runs the dialog over the settings' font fields; on OK takes the face, the size in whole
// points, colour, weight (bold exactly at 700), italic, underline and strike-out. The
// dialog's result.
int ChooseDefaultFont(Settings& settings, const platform::ui::DialogTemplates& templates, platform::ui::UiHost& host,
    const platform::gfx::font_catalogue& fonts);

}
