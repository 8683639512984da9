#include "platform/testing/memory_store.h"
#include "shell/settings.h"
#include "shell/talverin_app.h"

#include <gtest/gtest.h>

using namespace shell;
using platform::registry::status;

namespace {

struct settings_fixture {
    platform::testing::memory_store store;
    platform::registry::profile profile {store, application_key};
    SettingsDefaults defaults {"submit@example.com", "gw.example.org", 1031};
};

}

TEST(Settings, EmptyRegistryGivesEveryDefaultAndExitWritesTheWrittenBackSet)
{
    settings_fixture f;
    Settings loaded = load_settings(f.profile, f.defaults);
    EXPECT_EQ(loaded, default_settings(f.defaults));
    EXPECT_EQ(loaded.smtp_dest_addr, "submit@example.com");
    EXPECT_EQ(loaded.http_broadcast_url, "http://gw.example.org/cgi-bin/submit");
    EXPECT_EQ(loaded.http_broadcast_url_secure, "https://gw.example.org/cgi-bin/submit");
    EXPECT_EQ(loaded.lcid, 1031);
    for (std::size_t i = 0; i < 16; ++i)
        EXPECT_EQ(loaded.custom_colors[i], i * 0x101010u);

    ASSERT_EQ(save_settings(f.profile, loaded, f.defaults), status::ok);
    std::vector<std::string> written;
    auto tree = f.store.snapshot();
    tree.visit([&](std::string_view path, const std::vector<platform::registry::named_value>& values, bool) {
        for (const auto& value : values)
            written.push_back(std::string(path.substr(f.profile.application_key().size() + 1)) + "/" + value.name);
    });
    std::vector<std::string> expected {"Broadcast/SMTPDestAddr", "Broadcast\\Command/AutopullImages",
        "Broadcast\\Command/ACCEPTANCE_REPORT", "Broadcast\\Command/DSN", "Broadcast\\Command/MDN",
        "Broadcast\\Command/PROGRESS_REPORT"};
    for (int i = 0; i < 16; ++i)
        expected.push_back("ColorSettings/CustomColor" + std::to_string(i));
    for (const char* name : {"CurrentFont", "Size", "Color", "Weight", "IsStrikeOut", "IsUnderLine", "IsBold", "IsItalic"})
        expected.push_back(std::string("FontSettings/") + name);
    for (const char* name : {"PictureLastPath", "BgSoundLastPath"})
        expected.push_back(std::string("SaveSettings/") + name);
    expected.push_back("Settings/DocCharset");
    expected.push_back("Spelling/SpellChecker");
    expected.push_back("Spelling/LCID");
    EXPECT_EQ(written, expected); // never Logging or the two HTTP addresses
}

TEST(Settings, StoredValuesAreCheckedAsRead)
{
    settings_fixture f;
    const std::string forty(40, 'F');
    std::string accented = std::string(30, 'a') + "\xC3\xA9" + "b"; // the 31st byte starts a character
    ASSERT_EQ(f.profile.write_string("Broadcast", "SMTPDestAddr", ""), status::ok);
    ASSERT_EQ(f.profile.write_string("Broadcast", "HTTPBroadcastURL", ""), status::ok);
    ASSERT_EQ(f.profile.write_string("FontSettings", "CurrentFont", forty), status::ok);
    ASSERT_EQ(f.profile.write_int("FontSettings", "IsItalic", 0x1FF), status::ok);
    ASSERT_EQ(f.profile.write_string("FontSettings", "Size", "12"), status::ok);     // wrong type
    ASSERT_EQ(f.profile.write_int("Settings", "DocCharset", 5), status::ok);        // wrong type
    const std::string long_path = "/home/u/" + std::string(300, 'p') + "/\xE6\x97\xA5.png";
    ASSERT_EQ(f.profile.write_string("SaveSettings", "PictureLastPath", long_path), status::ok);

    Settings loaded = load_settings(f.profile, f.defaults);
    EXPECT_EQ(loaded.smtp_dest_addr, "submit@example.com");
    EXPECT_EQ(loaded.http_broadcast_url, "http://gw.example.org/cgi-bin/submit");
    EXPECT_EQ(loaded.current_font, forty.substr(0, 31));
    EXPECT_EQ(loaded.is_italic, 0xFF);
    EXPECT_EQ(loaded.size, 0);
    EXPECT_EQ(loaded.doc_charset, "");
    EXPECT_EQ(loaded.picture_last_path, long_path); // read whole

    EXPECT_EQ(limit_face_name(accented), std::string(30, 'a'));
}

TEST(Settings, FailedWriteBackLeavesTheStoreAsItWas)
{
    settings_fixture f;
    ASSERT_EQ(f.profile.write_string("Settings", "DocCharset", "utf-8"), status::ok);
    auto before = f.store.snapshot();
    Settings changed = load_settings(f.profile, f.defaults);
    changed.doc_charset = "iso-8859-1";
    changed.size = 14;
    f.store.fail_writes_under(f.profile.section_key("FontSettings"));
    EXPECT_NE(save_settings(f.profile, changed, f.defaults), status::ok);
    EXPECT_EQ(f.store.snapshot(), before);
}

TEST(Settings, NearestFontSize)
{
    const std::tuple<int, int, int> cases[] = {
        {0, 8, 0}, {11, 10, 1}, {13, 12, 2}, {16, 14, 3}, {21, 18, 4}, {100, 36, 6}, {136, 36, 6}, {200, 36, 6},
        {-100, 8, 0}, {-92, 8, 0}, {INT32_MIN, 8, 0}, {INT32_MAX, 36, 6},
    };
    for (auto [size, nearest, position] : cases) {
        int at = -1;
        EXPECT_EQ(GetNearestFontSize(size, &at), nearest) << size;
        EXPECT_EQ(at, position) << size;
    }
}

TEST(Settings, SaveMaskPerDocument)
{
    settings_fixture f;
    EXPECT_EQ(read_save_mask(f.profile, "homedocsnews", 1), 1);
    ASSERT_TRUE(write_save_mask(f.profile, "homedocsnews", "5"));
    EXPECT_EQ(read_save_mask(f.profile, "homedocsnews", 1), 5);
    ASSERT_EQ(f.profile.write_string("SaveSettings\\emptymask", "SaveMask", ""), status::ok);
    EXPECT_EQ(read_save_mask(f.profile, "emptymask", 3), 3);

    auto before = f.store.snapshot();
    for (const char* name : {"..\\Settings", "a/b", "", "\\"}) {
        EXPECT_FALSE(write_save_mask(f.profile, name, "7")) << name;
        EXPECT_EQ(read_save_mask(f.profile, name, 1), 1) << name;
    }
    EXPECT_EQ(f.store.snapshot(), before);
}
