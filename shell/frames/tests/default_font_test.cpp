#include "frame_fixture.h"
#include "shell/default_font.h"

#include <gtest/gtest.h>

using namespace shell;
using namespace shell::testing;
using namespace platform::ui;
using namespace platform::ui::testing;

namespace {

const std::vector<std::string> html_sizes {"8", "10", "12", "14", "18", "24", "36"};

struct font_fixture : frame_fixture {
    font_fixture()
    {
        host.set_ui_queue(&queue);
        context.settings.current_font = "Arial";
        context.settings.size = 13;
        context.settings.weight = 400;
        context.settings.is_under_line = 1;
        context.settings.is_strike_out = 1;
        context.settings.color = 0x00336699;
    }
    ~font_fixture() { host.set_ui_queue(nullptr); }

    int choose(ScriptedHost::Script script)
    {
        host.expect_dialog(IDD_FONT_DIALOG, std::move(script));
        return ChooseDefaultFont(context.settings, dialogs, host, fonts);
    }
};

// Waits for the posted size list, as the dialog's own loop would dispatch it.
void await_html_sizes(DialogDriver& d)
{
    auto& dialog = d.current();
    EXPECT_TRUE(d.wait_until([&] { return dialog.item(IDC_FONT_SIZE).items == html_sizes; }));
}

TEST(DefaultFont, OffersTheSevenSizesStartingNearTheStoredOne)
{
    font_fixture f;
    EXPECT_EQ(f.choose([](DialogDriver& d) {
        auto& dialog = d.current();
        await_html_sizes(d);
        EXPECT_EQ(dialog.item(IDC_FONT_SIZE).text, "12");
        EXPECT_EQ(dialog.get_cur_sel(IDC_FONT_SIZE), 2);
        for (int id : {IDC_FONT_STRIKEOUT, IDC_FONT_UNDERLINE}) {
            EXPECT_FALSE(dialog.item(id).enabled) << id;
            EXPECT_FALSE(dialog.IsDlgButtonChecked(id)) << id;
        }
        d.select(IDC_FONT_FACE, "Verdana");
        await_html_sizes(d);
        EXPECT_EQ(dialog.get_cur_sel(IDC_FONT_SIZE), 2);
        EXPECT_THROW(d.click(IDC_FONT_UNDERLINE), ImpossibleInteraction);
        d.ok();
    }),
        IDOK);
    EXPECT_EQ(f.context.settings.current_font, "Verdana");
    EXPECT_EQ(f.context.settings.size, 12);
    EXPECT_EQ(f.context.settings.is_under_line, 0);
    EXPECT_EQ(f.context.settings.is_strike_out, 0);
    EXPECT_EQ(f.context.settings.color, 0x00336699);
}

TEST(DefaultFont, TypedHalfPointSizesAreCutToWholePoints)
{
    font_fixture f;
    f.choose([](DialogDriver& d) {
        await_html_sizes(d);
        d.type(IDC_FONT_SIZE, "10.5");
        d.ok();
    });
    EXPECT_EQ(f.context.settings.size, 10);
}

TEST(DefaultFont, BoldOnlyAtWeightSevenHundred)
{
    struct row {
        const char* style;
        int weight;
        int bold;
    };
    for (const row& r : {row {"Semibold", 600, 0}, row {"Bold", 700, 1}, row {"Regular", 400, 0}}) {
        const auto& [style, weight, bold] = r;
        font_fixture f;
        f.context.settings.is_bold = 1 - bold;
        f.choose([style = r.style](DialogDriver& d) {
            d.select(IDC_FONT_FACE, "Verdana");
            d.select(IDC_FONT_STYLE, style);
            d.ok();
        });
        EXPECT_EQ(f.context.settings.weight, weight) << style;
        EXPECT_EQ(f.context.settings.is_bold, bold) << style;
    }
}

TEST(DefaultFont, CancelLeavesTheSettingsAsTheyWere)
{
    font_fixture f;
    auto before = f.context.settings;
    EXPECT_EQ(f.choose([](DialogDriver& d) {
        d.select(IDC_FONT_FACE, "Courier New");
        d.type(IDC_FONT_SIZE, "36");
        d.cancel();
    }),
        IDCANCEL);
    EXPECT_EQ(f.context.settings, before);
}

TEST(DefaultFont, TheApplicationsChoiceNeedsAFontCatalogue)
{
    font_fixture f;
    f.start();
    EXPECT_EQ(f.app->ChooseDefaultFont(), IDCANCEL);
    f.context.services.fonts = &f.fonts;
    f.host.expect_dialog(IDD_FONT_DIALOG, [](DialogDriver& d) {
        d.select(IDC_FONT_FACE, "Courier New");
        d.ok();
    });
    EXPECT_EQ(f.app->ChooseDefaultFont(), IDOK);
    EXPECT_EQ(f.context.settings.current_font, "Courier New");
}

}
