#include "platform/testing/temporary_folder.h"
#include "platform/ui/control_text.h"
#include "platform/ui/sys_colors.h"
#include "platform/ui/tests/dialog_fixture.h"
#include "platform/ui/text_int_range.h"

#include <cairo.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace platform::ui;
using platform::gfx::color;
using platform::ui::testing::DialogDriver;
using platform::ui::testing::host_fixture;
using platform::ui::testing::test_templates;

namespace {

class sizes_dialog final : public Dialog {
public:
    explicit sizes_dialog(UiHost& host) : Dialog(test_templates().get(430), host) { }

    std::string border;
    std::string height = "10";

    void DoDataExchange(DataExchange& exchange) override
    {
        DDX_TextIntRange(exchange, 431, border, 0, 100);
        DDX_RequiredTextIntRange(exchange, 432, height, 0, 999);
    }
};

}

TEST(DialogUtilities, TextRangesCheckTheLeadingNumberAndRequireWhatIsRequired)
{
    const struct {
        const char* border;
        const char* height;
        const char* message; // empty: accepted
        int focus;
    } rows[] = {
        {"", "0", "", 0},
        {"100", "999", "", 0},
        {" 7", "5 px", "", 0},
        {"12x", "1", "", 0},
        {"x", "1", "", 0}, // starts with no number: 0, in range
        {"101", "1", "Please enter an integer between 0 and 100.", 431},
        {"-1", "1", "Please enter an integer between 0 and 100.", 431},
        {"4294967296", "1", "Please enter an integer between 0 and 100.", 431}, // never wraps into the range
        {"1", "", "Please enter an integer between 0 and 999.", 432},
        {"1", "1000", "Please enter an integer between 0 and 999.", 432},
        {"1", "-1", "Please enter an integer between 0 and 999.", 432},
    };
    for (const auto& row : rows) {
        host_fixture f;
        sizes_dialog dialog(f.host);
        f.host.expect_dialog(430, [&](DialogDriver& driver) {
            driver.type(431, row.border);
            driver.type(432, row.height);
            if (*row.message) {
                f.host.expect_message(row.message, MB_OK | MB_ICONEXCLAMATION, IDOK);
                driver.ok();
                EXPECT_FALSE(dialog.ended()) << row.border << "/" << row.height;
                EXPECT_EQ(dialog.focus(), row.focus) << row.border << "/" << row.height;
                driver.type(431, "3");
                driver.type(432, "4");
            }
            driver.ok();
        });
        ASSERT_EQ(dialog.DoModal(), IDOK) << row.border << "/" << row.height;
        EXPECT_EQ(dialog.border, *row.message ? "3" : row.border);
        EXPECT_EQ(dialog.height, *row.message ? "4" : row.height);
    }
}

TEST(DialogUtilities, TextRangesPutTheTextInWithoutChecking)
{
    host_fixture f;
    sizes_dialog dialog(f.host);
    dialog.border = "500";
    dialog.height.clear();
    f.host.expect_dialog(430, [&](DialogDriver& driver) {
        EXPECT_EQ(dialog.GetDlgItemText(431), "500");
        EXPECT_EQ(dialog.GetDlgItemText(432), "");
        driver.cancel();
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST(DialogUtilities, ControlTextsAndListItems)
{
    host_fixture f;
    sizes_dialog dialog(f.host);
    ASSERT_TRUE(dialog.create());
    const Control& list = dialog.item(433);
    const Control& combo = dialog.item(434);
    dialog.user_type(431, "typed");
    EXPECT_EQ(get_window_text(dialog.item(431)), "typed");
    EXPECT_EQ(get_window_text(dialog.item(435)), "Caption");

    EXPECT_EQ(get_list_item_text(list, -1, true), "") << "no selection yet";
    dialog.user_select(433, 2);
    dialog.set_cur_sel(434, 1);
    const struct {
        const Control& control;
        int index;
        bool is_list_box;
        const char* text;
    } rows[] = {
        {list, 0, true, "One"},
        {list, -1, true, "Three"},
        {list, 3, true, ""},
        {list, -2, true, ""},
        {list, 0, false, ""}, // not a combo box
        {combo, -1, false, "Green"},
        {combo, 0, false, "Red"},
        {combo, 2, false, ""},
        {combo, 0, true, ""}, // not a list box
    };
    for (const auto& row : rows)
        EXPECT_EQ(get_list_item_text(row.control, row.index, row.is_list_box), row.text)
            << row.control.declared.id << " " << row.index << " " << row.is_list_box;
    EXPECT_EQ(get_window_text(combo), "Green") << "a combo box shows its selected item";
    EXPECT_EQ(get_window_text(list), "") << "a list box keeps its caption";
}

namespace {

const color black {0, 0, 0}, dark_grey {0x80, 0x80, 0x80}, light_grey {0xC0, 0xC0, 0xC0}, white {0xFF, 0xFF, 0xFF},
    other {10, 20, 30};

// One row of pixels in the four button colours and one other, then a half-transparent black.
void write_button_png(const std::string& path)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 6, 1);
    cairo_surface_flush(surface);
    auto* row = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface));
    const color opaque[] = {black, dark_grey, light_grey, white, other};
    for (int x = 0; x < 5; ++x)
        row[x] = 0xFF000000u | (std::uint32_t {opaque[x].red} << 16) | (std::uint32_t {opaque[x].green} << 8) | opaque[x].blue;
    row[5] = 0x80000000u;
    cairo_surface_mark_dirty(surface);
    ASSERT_EQ(cairo_surface_write_to_png(surface, path.c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(surface);
}

std::vector<std::optional<color>> pixels_of(const platform::gfx::bitmap& picture)
{
    std::vector<std::optional<color>> pixels;
    for (int x = 0; x < picture.width(); ++x)
        pixels.push_back(picture.pixel(x, 0));
    return pixels;
}

}

TEST(DialogUtilities, SysColorBitmapsTakeTheTablesButtonColoursOnce)
{
    host_fixture f;
    platform::testing::temporary_folder folder;
    write_button_png(folder.file("77.png"));

    system_colors colors;
    auto standard = LoadSysColorBitmap(folder.path(), 77, colors);
    ASSERT_TRUE(standard);
    EXPECT_EQ(pixels_of(*standard),
        (std::vector<std::optional<color>> {colors.GetSysColor(COLOR_BTNTEXT), colors.GetSysColor(COLOR_BTNSHADOW),
            colors.GetSysColor(COLOR_BTNFACE), colors.GetSysColor(COLOR_BTNHIGHLIGHT), other, std::nullopt}));
    EXPECT_EQ(colors.GetSysColor(COLOR_BTNFACE), (color {0xEC, 0xE9, 0xD8}));

    // Each pixel is judged by its own colour: black made dark grey is not then made the shadow.
    ASSERT_TRUE(colors.set(COLOR_BTNTEXT, dark_grey));
    ASSERT_TRUE(colors.set(COLOR_BTNSHADOW, light_grey));
    ASSERT_TRUE(colors.set(COLOR_BTNFACE, white));
    ASSERT_TRUE(colors.set(COLOR_BTNHIGHLIGHT, black));
    EXPECT_FALSE(colors.set(5, other));
    EXPECT_EQ(colors.GetSysColor(5), black);
    auto chained = LoadSysColorBitmap(folder.path(), 77, colors);
    ASSERT_TRUE(chained);
    EXPECT_EQ(pixels_of(*chained),
        (std::vector<std::optional<color>> {dark_grey, light_grey, white, black, other, std::nullopt}));
    EXPECT_TRUE(f.traced.empty());
}

TEST(DialogUtilities, AMissingOrBrokenBitmapGivesAnEmptyPictureAndATraceLine)
{
    host_fixture f;
    platform::testing::temporary_folder folder;
    { std::ofstream(folder.file("1.png"), std::ios::binary) << "\x89PNG\r\n"; }
    { std::ofstream(folder.file("2.png"), std::ios::binary) << "not a picture at all"; }
    std::filesystem::create_directory(folder.file("3.png"));
    system_colors colors;
    for (int id : {1, 2, 3, 4}) {
        f.traced.clear();
        EXPECT_FALSE(LoadSysColorBitmap(folder.path(), id, colors)) << id;
        const std::string path = folder.path() + "/" + std::to_string(id) + ".png";
        EXPECT_EQ(f.traced, std::vector<std::string> {"LoadSysColorBitmap() -- bitmap " + std::to_string(id)
                                + " cannot be read from " + path + "\n"});
    }
    auto shipped = LoadSysColorBitmap(platform::testing::share_folder() + "/talverin/bitmaps", 203, colors);
    ASSERT_TRUE(shipped);
    EXPECT_GT(shipped->width(), 0);
}
