#include "platform/gfx/font_catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(SystemFontCatalogue, FamiliesSortedOnceAndOutlineOnesAmongThem)
{
    auto fonts = platform::gfx::make_system_font_catalogue();
    auto all = fonts->families(false);
    auto outline = fonts->families(true);
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
    EXPECT_LE(outline.size(), all.size());
    for (const auto& family : outline)
        EXPECT_TRUE(std::binary_search(all.begin(), all.end(), family)) << family;
    if (!outline.empty()) {
        auto styles = fonts->styles(outline.front());
        ASSERT_FALSE(styles.empty()) << outline.front();
        for (const auto& style : styles) {
            EXPECT_FALSE(style.name.empty());
            EXPECT_GE(style.weight, 1);
            EXPECT_LE(style.weight, 1000);
        }
    }
    EXPECT_TRUE(fonts->styles("No Such Family 4711").empty());
}

TEST(SystemFontCatalogue, LongerTextsAreWider)
{
    auto fonts = platform::gfx::make_system_font_catalogue();
    int one = fonts->text_width("Sans", 13, "Default");
    int two = fonts->text_width("Sans", 13, "DefaultDefault");
    EXPECT_GT(one, 0);
    EXPECT_GT(two, one);
    EXPECT_EQ(fonts->text_width("Sans", 13, ""), 0);
}

}
