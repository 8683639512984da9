#include "dialog_fixture.h"
#include "platform/gfx/testing/fixed_fonts.h"
#include "platform/ui/font_dialog.h"

#include <gtest/gtest.h>

using namespace platform::ui;
using namespace platform::ui::testing;

namespace {

const DialogTemplates& font_templates()
{
    static const DialogTemplates loaded = DialogTemplates::parse("dialog 1543 \"Font\"\n"
                                                                 "combo 1136 editable\n"
                                                                 "combo 1137 editable\n"
                                                                 "combo 1138 editable\n"
                                                                 "check 1040 \"Stri&keout\"\n"
                                                                 "check 1041 \"&Underline\"\n"
                                                                 "combo 1139\n"
                                                                 "button 1 \"OK\"\n"
                                                                 "button 2 \"Cancel\"\n"
                                                                 "end\n"
                                                                 "dialog 7 \"Pick\"\n"
                                                                 "list 70 sorted\n"
                                                                 "button 1 \"OK\"\n"
                                                                 "end\n",
        "dialogs.txt");
    return loaded;
}

struct font_fixture : host_fixture {
    platform::gfx::testing::fixed_font_catalogue fonts;
    LogFont initial {"Arial", 120, 400, false, false, false};

    int run(FontDialog& dialog, ScriptedHost::Script script)
    {
        host.expect_dialog(IDD_FONT_DIALOG, std::move(script));
        return dialog.DoModal();
    }
};

TEST(FontDialog, ParsesSizesInTenthsOfAPoint)
{
    struct row {
        const char* text;
        int tenths;
    };
    for (auto [text, tenths] : {row {"10", 100}, row {"10.5", 105}, row {" 12 ", 120}, row {"7.25", 72}, row {"", -1},
             row {"abc", -1}, row {"0", -1}, row {"1e3", -1}, row {"99999", -1}, row {"-4", -1}, row {".5", -1}}) {
        EXPECT_EQ(FontDialog::parse_point_tenths(text), tenths) << text;
    }
}

TEST(FontDialog, OffersOutlineFacesAndTheShownFacesStyles)
{
    font_fixture f;
    FontDialog dialog(font_templates(), f.host, f.fonts, f.initial, CF_EFFECTS | CF_SCREENFONTS | CF_TTONLY, 0x0000FF);
    EXPECT_EQ(f.run(dialog,
                  [](DialogDriver& d) {
                      auto& dialog = d.current();
                      EXPECT_EQ(dialog.item(IDC_FONT_FACE).items,
                          (std::vector<std::string> {"Arial", "Courier New", "Verdana"}));
                      EXPECT_EQ(dialog.get_cur_sel(IDC_FONT_FACE), 0);
                      EXPECT_EQ(dialog.item(IDC_FONT_STYLE).items,
                          (std::vector<std::string> {"Regular", "Bold", "Italic"}));
                      EXPECT_EQ(dialog.item(IDC_FONT_SIZE).text, "12");
                      EXPECT_EQ(dialog.item(IDC_FONT_COLOR).items.at(static_cast<std::size_t>(
                                    dialog.get_cur_sel(IDC_FONT_COLOR))),
                          "Red");
                      d.select(IDC_FONT_FACE, "Verdana");
                      EXPECT_EQ(dialog.item(IDC_FONT_STYLE).items,
                          (std::vector<std::string> {"Regular", "Semibold", "Bold"}));
                      EXPECT_EQ(dialog.item(IDC_FONT_SIZE).text, "12"); // the size stays
                      d.select(IDC_FONT_STYLE, "Semibold");
                      d.select(IDC_FONT_COLOR, "Navy");
                      d.click(IDC_FONT_UNDERLINE);
                      d.ok();
                  }),
        IDOK);
    EXPECT_EQ(dialog.font(), (LogFont {"Verdana", 120, 600, false, true, false}));
    EXPECT_EQ(dialog.GetColor(), 0x800000u);
}

TEST(FontDialog, TypedSizeAndFaceAreChecked)
{
    font_fixture f;
    FontDialog dialog(font_templates(), f.host, f.fonts, f.initial, CF_EFFECTS, 0x00336699);
    f.host.expect_dialog(IDD_FONT_DIALOG, [](DialogDriver& d) {
        EXPECT_EQ(d.current().item(IDC_FONT_COLOR).items.back(), "Custom");
        d.type(IDC_FONT_SIZE, "big");
        d.ok();
        EXPECT_FALSE(d.current().ended());
        d.type(IDC_FONT_SIZE, "10.5");
        d.type(IDC_FONT_FACE, "Nowhere Sans");
        d.ok();
        EXPECT_FALSE(d.current().ended());
        d.type(IDC_FONT_FACE, "courier new");
        d.ok();
    });
    f.host.expect_message("Size must be a number.", MB_OK | MB_ICONEXCLAMATION, IDOK);
    f.host.expect_message("There is no font with that name.\nChoose a font from the list of fonts.",
        MB_OK | MB_ICONEXCLAMATION, IDOK);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetFaceName(), "Courier New");
    EXPECT_EQ(dialog.GetSize(), 105);
    EXPECT_EQ(dialog.GetColor(), 0x00336699u); // a colour outside the list comes back unchanged
}

TEST(FontDialog, CancelGivesBackTheFontGiven)
{
    font_fixture f;
    FontDialog dialog(font_templates(), f.host, f.fonts, f.initial, CF_EFFECTS, 0);
    EXPECT_EQ(f.run(dialog,
                  [](DialogDriver& d) {
                      d.select(IDC_FONT_FACE, "Verdana");
                      d.cancel();
                  }),
        IDCANCEL);
    EXPECT_EQ(dialog.font(), f.initial);
}

TEST(DataExchange, ListStringSelectsByPrefixIgnoringCase)
{
    struct pick final : Dialog {
        using Dialog::Dialog;
        std::string chosen;
        void DoDataExchange(DataExchange& exchange) override { exchange.list_string(70, chosen); }
    };
    host_fixture f;
    struct row {
        const char* given;
        int selected;
        const char* out;
    };
    for (const row& r : {row {"pic", 1, "Picture.gif"}, row {"LOGO", 0, "logo.png"}, row {"zzz", -1, ""},
             row {"", 0, "logo.png"}}) {
        const auto& [given, selected, out] = r;
        pick dialog(font_templates().get(7), f.host);
        dialog.chosen = given;
        f.host.expect_dialog(7, [&](DialogDriver& d) {
            auto& list = d.current();
            list.add_string(70, "Picture.gif");
            list.add_string(70, "logo.png");
            list.add_string(70, "zebra.jpg");
            EXPECT_EQ(list.item(70).items, (std::vector<std::string> {"logo.png", "Picture.gif", "zebra.jpg"}));
            list.UpdateData(false);
            EXPECT_EQ(list.get_cur_sel(70), r.selected) << r.given;
            d.ok();
        });
        dialog.DoModal();
        EXPECT_EQ(dialog.chosen, out) << given;
    }
}

}
