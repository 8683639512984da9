#include "shell/frames/html_lite_wizard_frame.h"

#include "core/log/trace_log.h"
#include "platform/strings/string_table.h"

namespace shell {

using namespace platform::ui;

namespace {

constexpr unsigned IDS_COLOR_AUTOMATIC = 1173; // "Automatic"
constexpr unsigned IDS_FONT_COLOR = 1174;      // "Font Color"
constexpr unsigned IDS_COLOR_MORE = 1175;      // "More Colors..."

}

CHTMLLiteWizardFrame::CHTMLLiteWizardFrame(FrameServices& services) : CWizardFrame(services)
{
    auto& router = commands();
    router.on_command(ID_VIEW_COLORS, [this](int) { ToggleColorPalette(); });
    router.on_command(ID_VIEW_FORMAT_TOOLBAR, [this](int) { ToggleFormatBar(); });
    router.on_command(ID_DEFAULT_DOCUMENT_FONT, [this](int) { ChooseDefaultFont(); });
}

const std::vector<int>& CHTMLLiteWizardFrame::font_sizes()
{
    static const std::vector<int> sizes {8, 10, 12, 14, 18, 24, 36};
    return sizes;
}

void CHTMLLiteWizardFrame::ActivateFrame()
{
    CWizardFrame::ActivateFrame();
    CheckToolbarMenuItem(ID_VIEW_FORMAT_TOOLBAR, format_bar_.created() && format_bar_.visible());
}

void CHTMLLiteWizardFrame::ApplyFontCommand()
{
    CWizardFrame::ApplyFontCommand();
    const auto& settings = context().settings;
    if (auto* names = format_bar_.control(ID_FONT_NAME_BOX)) {
        if (!settings.current_font.empty()) {
            if (int found = names->find_string_exact(settings.current_font); found >= 0)
                names->selection = found;
        }
        names->enabled = true;
    }
    if (auto* sizes = format_bar_.control(ID_FONT_SIZE_BOX)) {
        int position = 0;
        GetNearestFontSize(settings.size, &position);
        sizes->selection = position;
        sizes->enabled = true;
    }
}

void CHTMLLiteWizardFrame::CreateFormatBar()
{
    const auto& strings = this->strings();
    if (!CreateToolBar(color_palette_, AFX_IDW_COLOR_PALETTE, IDR_COLOR_PALETTE, TBSTYLE_FLAT,
            CBRS_ALIGN_TOP | CBRS_TOOLTIPS | CBRS_SIZE_DYNAMIC, false)) {
        TRACE_LOG("Failed to create toolbar\n");
        return;
    }
    // The two text buttons below the colours: "Automatic" first, then "More Colors...".
    int more = color_palette_.CommandToIndex(ID_COLOR_MORE);
    if (more < 0) {
        TRACE_LOG("Failed to create toolbar\n");
        return;
    }
    color_palette_.SetButtonText(more, strings.text(IDS_COLOR_MORE));
    ToolBar::Button automatic;
    automatic.command = ID_COLOR_AUTOMATIC;
    automatic.label = strings.text(IDS_COLOR_AUTOMATIC);
    automatic.width = color_palette_.button_width();
    color_palette_.insert_button(more, std::move(automatic));
    color_palette_.SetWindowText(strings.text(IDS_FONT_COLOR));
    color_palette_.float_at(0, 0);
    ShowControlBar(color_palette_, false);
}

void CHTMLLiteWizardFrame::ToggleColorPalette()
{
    if (!color_palette_.created())
        return;
    if (!color_palette_.visible()) {
        int button = format_bar_.CommandToIndex(ID_VIEW_COLORS);
        if (button >= 0) {
            auto place = client_to_screen(format_bar_.item_rect(button));
            auto bar = format_bar_.place();
            color_palette_.float_at(place.left + bar.left, place.bottom + bar.top);
        }
    }
    ShowControlBar(color_palette_, !color_palette_.visible());
}

void CHTMLLiteWizardFrame::ToggleFormatBar()
{
    if (!format_bar_.created())
        return;
    bool show = !format_bar_.visible();
    ShowControlBar(format_bar_, show);
    CheckToolbarMenuItem(ID_VIEW_FORMAT_TOOLBAR, show);
}

void CHTMLLiteWizardFrame::ChooseDefaultFont()
{
    if (services().choose_default_font && services().choose_default_font() == IDOK)
        ApplyFont();
}

}
