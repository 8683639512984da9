#include "config_fixture.h"
#include "core/testing/trace_capture.h"
#include "shell/config/passwd_block.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace shell;
using namespace shell::testing;
using platform::registry::binary;
using platform::registry::hive;
using platform::registry::status;
using platform::registry::value;
namespace fs = std::filesystem;

TEST(WizardConfig, DefaultsLeaveTheTemplatesAlone)
{
    CWizardConfig config;
    EXPECT_EQ(config.GetTransportProtocol(), 3);
    EXPECT_EQ(config.GetSMTPWaitTimeout(), 25);
    EXPECT_EQ(config.GetC2TUseURLParam(), 1);
    EXPECT_EQ(config.GetDisplayDelay(), 1);
    config.SetName("Work");
    config.SetLogin(static_cast<const char*>(nullptr));
    config.SetTemplateFile(1, "/t/b.htm");
    config.SetTemplateName(2, "C");
    config.SetSMTPWaitTimeout(60);
    config.SetDefaults();
    EXPECT_EQ(config.GetName(), "");
    EXPECT_EQ(config.GetSMTPWaitTimeout(), 25);
    EXPECT_EQ(config.GetTemplateFile(1), "/t/b.htm");
    EXPECT_EQ(config.GetTemplateName(2), "C");
}

TEST(WizardConfig, AnEmptyKeyLoadsTheDefaultsDetectsTheProviderAndInstallsTemplates)
{
    config_fixture f;
    f.books.opening = {2};
    ASSERT_EQ(f.store.create_key(hive::current_user, f.key("Empty")), status::ok);
    for (int prior_timeout : {25, 60}) {
        CWizardConfig config;
        config.SetSMTPWaitTimeout(prior_timeout);
        config.SetTransportProtocol(1);
        config.SetC2TUseURLParam(0);
        config.SetDisplayDelay(7);
        ASSERT_EQ(config.LoadFromRegistry(f.services, "Empty"), 1);
        EXPECT_EQ(config.GetName(), "Empty");
        EXPECT_EQ(config.GetTransportProtocol(), 3);
        EXPECT_EQ(config.GetSMTPWaitTimeout(), prior_timeout); // a missing time-out leaves the field
        EXPECT_EQ(config.GetC2TUseURLParam(), 1);
        EXPECT_EQ(config.GetDisplayDelay(), 1);
        EXPECT_EQ(config.GetABookProvider(), 2);
        EXPECT_EQ(f.stored("Empty", "ABook Provider"), value(std::uint32_t {2}));
        for (int i = 0; i < 3; ++i) {
            auto expected = f.template_folder("Empty") + "/templ" + std::to_string(i + 1) + ".htm";
            EXPECT_EQ(config.GetTemplateFile(i), expected);
            EXPECT_TRUE(fs::exists(expected));
            EXPECT_EQ(config.GetTemplateName(i), "Example Template " + std::to_string(i + 1));
        }
        EXPECT_EQ(f.stored("Empty", "TemplateName3"), value(std::string("Example Template 3")));
    }
    CWizardConfig untouched;
    untouched.SetLogin("kept");
    EXPECT_EQ(untouched.LoadFromRegistry(f.services, "Missing"), 0);
    EXPECT_EQ(untouched.GetLogin(), "kept");
    EXPECT_EQ(untouched.GetName(), "");
}

TEST(WizardConfig, StoredNumbersAreReadAsTheirRulesSay)
{
    struct load_case {
        const char* what;
        const char* value_name;
        value stored;
        bool mapi;
        bool dialup;
        int (CWizardConfig::*getter)() const;
        int expected;
    };
    const load_case cases[] = {
        {"delay of 2 bytes is missing", "DisplayDelay", binary {5, 0}, false, false, &CWizardConfig::GetDisplayDelay, 1},
        {"delay of 4 bytes", "DisplayDelay", binary {5, 0, 0, 0}, false, false, &CWizardConfig::GetDisplayDelay, 5},
        {"delay as text is missing", "DisplayDelay", std::string("5"), false, false, &CWizardConfig::GetDisplayDelay, 1},
        {"transport 2 without Simple MAPI", "Transport Protocol", std::uint32_t {2}, false, false,
            &CWizardConfig::GetTransportProtocol, 3},
        {"transport 2 with Simple MAPI", "Transport Protocol", std::uint32_t {2}, true, false,
            &CWizardConfig::GetTransportProtocol, 2},
        {"transport 0", "Transport Protocol", std::uint32_t {0}, false, false, &CWizardConfig::GetTransportProtocol, 0},
        {"dial-up without the library", "Connection", std::uint32_t {1}, false, false, &CWizardConfig::GetConnection, 0},
        {"dial-up with the library", "Connection", std::uint32_t {1}, false, true, &CWizardConfig::GetConnection, 1},
        {"secure non-zero", "HTTPUseSecure", std::uint32_t {9}, false, false, &CWizardConfig::GetHTTPUseSecure, 1},
        {"secure of 2 bytes", "HTTPUseSecure", binary {1, 0}, false, false, &CWizardConfig::GetHTTPUseSecure, 0},
        {"url template off", "C2TUseURLParam", std::uint32_t {0}, false, false, &CWizardConfig::GetC2TUseURLParam, 0},
        {"url template of 1 byte", "C2TUseURLParam", binary {0}, false, false, &CWizardConfig::GetC2TUseURLParam, 1},
        {"provider 0 kept", "ABook Provider", std::uint32_t {0}, false, false, &CWizardConfig::GetABookProvider, 0},
        {"provider 7 kept", "ABook Provider", std::uint32_t {7}, false, false, &CWizardConfig::GetABookProvider, 7},
        {"provider 3 that does not open", "ABook Provider", std::uint32_t {3}, false, false,
            &CWizardConfig::GetABookProvider, 2},
        {"provider 1 never opens", "ABook Provider", std::uint32_t {1}, false, false, &CWizardConfig::GetABookProvider, 2},
    };
    for (const auto& c : cases) {
        config_fixture f;
        f.books.opening = {2};
        f.mail.loaded = c.mapi;
        f.dialup.usable = c.dialup;
        f.put("C", c.value_name, c.stored);
        CWizardConfig config;
        ASSERT_EQ(config.LoadFromRegistry(f.services, "C"), 1) << c.what;
        EXPECT_EQ((config.*c.getter)(), c.expected) << c.what;
        if (std::string(c.value_name) == "Transport Protocol")
            EXPECT_EQ(f.stored("C", "Transport Protocol"), c.stored) << c.what; // the store keeps 2
    }
}

TEST(WizardConfig, DialUpStoredWhereItCannotDialSaysItSendsOverTheExistingConnection)
{
    core::testing::trace_capture trace;
    config_fixture f;
    f.put("Work", "Connection", std::uint32_t {1});
    CWizardConfig config;
    ASSERT_EQ(config.LoadFromRegistry(f.services, "Work"), 1);
    EXPECT_EQ(config.GetConnection(), 0);
    EXPECT_EQ(f.stored("Work", "Connection"), value(std::uint32_t {1})); // kept for a machine that can dial
    const auto lines = trace.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("dial-up networking is unavailable: Work sends over the existing connection") != std::string::npos;
    }));
}

TEST(WizardConfig, SaveThenLoadRoundTripsEveryFieldWithItsStoredType)
{
    config_fixture f;
    f.books.opening = {3};
    f.mail.loaded = true;
    f.dialup.usable = true;
    fs::create_directories(f.root.file("docs"));
    std::ofstream(f.root.file("docs/one.htm")) << "x";
    CWizardConfig saved;
    saved.SetName("Sales");
    saved.SetABookProvider(3);
    saved.SetTransportProtocol(2);
    saved.SetConnection(1);
    saved.SetSMTPServer("smtp.example.com");
    saved.SetSMTPWaitTimeout(90);
    saved.SetHTTPUseSecure(1);
    saved.SetLogin("bob");
    saved.SetPassword("pa\xC3\x9F");
    saved.SetC2TUseURLParam(0);
    saved.SetC2TURLParam("u");
    saved.SetC2TOnURL("on");
    saved.SetC2TOffURL("off");
    saved.SetC2TSatURL("sat");
    saved.SetC2TCgiData(1);
    saved.SetC2TCenter("centre");
    saved.SetC2TService("service");
    saved.SetEnhancedView(1);
    saved.SetTemplateFile(0, f.root.file("docs/one.htm"));
    saved.SetTemplateFile(1, "/t/2.htm");
    saved.SetTemplateFile(2, "/t/3.htm");
    saved.SetTemplateName(0, "One");
    saved.SetTemplateName(1, "Two");
    saved.SetTemplateName(2, "Three");
    saved.SetDisplayDelay(4);
    ASSERT_TRUE(saved.SaveToRegistry(f.services));

    CWizardConfig loaded;
    ASSERT_EQ(loaded.LoadFromRegistry(f.services, "Sales"), 1);
    EXPECT_EQ(loaded, saved);

    for (const char* number : {"ABook Provider", "Transport Protocol", "Connection", "SMTPWaitTimeout", "HTTPUseSecure",
             "C2TUseURLParam", "C2TCgiData", "Enhanced View", "DisplayDelay"})
        EXPECT_TRUE(std::holds_alternative<std::uint32_t>(f.stored("Sales", number).value())) << number;
    for (const char* text : {"SMTP Server", "C2TURLParam", "C2TOnURL", "C2TOffURL", "C2TSatURL", "C2TCenter",
             "C2TService", "TemplateFile1", "TemplateFile2", "TemplateFile3", "TemplateName1", "TemplateName2",
             "TemplateName3"})
        EXPECT_TRUE(std::holds_alternative<std::string>(f.stored("Sales", text).value())) << text;
    for (const char* bytes : {"login", "passwd"})
        EXPECT_TRUE(std::holds_alternative<binary>(f.stored("Sales", bytes).value())) << bytes;
}

TEST(WizardConfig, NothingIsSavedWithoutANameOrWhenTheStoreRefuses)
{
    config_fixture f;
    auto before = f.store.snapshot();
    CWizardConfig unnamed;
    EXPECT_FALSE(unnamed.SaveToRegistry(f.services));
    EXPECT_FALSE(unnamed.SetDefaultTemplates(f.services));
    EXPECT_EQ(unnamed.LoadFromRegistry(f.services, ""), 0);
    EXPECT_EQ(f.store.snapshot(), before);

    CWizardConfig named;
    named.SetName("Work");
    f.store.fail_writes_under(f.key("Work"));
    EXPECT_FALSE(named.SaveToRegistry(f.services));
    EXPECT_FALSE(f.has_key("Work"));
}

TEST(WizardConfig, TemplateFolderNamesKeepLettersDigitsAndWholeCharacters)
{
    EXPECT_EQ(template_folder_name("My Config #2"), "My_Config__2");
    EXPECT_EQ(template_folder_name("a/b\\c..d"), "a_b_c__d");
    // Two names of one length in another script stay apart, each character kept whole.
    EXPECT_EQ(template_folder_name("\xE6\x97\xA5\xE6\x9C\xAC"), "\xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_NE(template_folder_name("\xE6\x97\xA5\xE6\x9C\xAC"), template_folder_name("\xE4\xB8\xAD\xE5\x9B\xBD"));
}

TEST(WizardConfig, DefaultTemplatesKeepWhatAFailedPackageLeaves)
{
    config_fixture f;
    f.importer.failing = {"templ2.gz"};
    f.importer.complaining = {"templ3.gz"};
    f.host.expect_message("Cannot import templ3.gz.", platform::prompts::MB_OK | platform::prompts::MB_ICONERROR, platform::prompts::IDOK);
    CWizardConfig config;
    config.SetName("My Config #2");
    config.SetTemplateFile(1, "/old/2.htm");
    config.SetTemplateName(1, "Old 2");
    config.SetTemplateFile(2, "/old/3.htm");
    ASSERT_TRUE(config.SetDefaultTemplates(f.services));
    EXPECT_EQ(config.GetTemplateFile(0), f.services.template_folders + "/My_Config__2/templ1.htm");
    EXPECT_EQ(config.GetTemplateFile(1), "/old/2.htm");
    EXPECT_EQ(config.GetTemplateName(1), "Old 2");
    EXPECT_EQ(config.GetTemplateFile(2), "/old/3.htm");
    EXPECT_EQ(f.stored("My Config #2", "TemplateFile2"), value(std::string("/old/2.htm")));
    EXPECT_EQ(f.importer.packages,
        (std::vector<std::string> {f.root.file("packages/templ1.gz"), f.root.file("packages/templ2.gz"),
            f.root.file("packages/templ3.gz")}));

    config_fixture without;
    without.services.importer = nullptr;
    auto before = without.store.snapshot();
    EXPECT_FALSE(config.SetDefaultTemplates(without.services));
    EXPECT_EQ(without.store.snapshot(), before);
    EXPECT_FALSE(fs::exists(without.services.template_folders));
}

TEST(WizardConfig, AMissingFirstTemplateAsksBeforeSettingDefaults)
{
    const std::string question = "Your current templates not exist.\nWould you like to set defaults?";
    for (int answer : {platform::prompts::IDNO, platform::prompts::IDYES}) {
        config_fixture f;
        f.put("T", "TemplateFile1", std::string("/gone/1.htm"));
        f.put("T", "TemplateName1", std::string("Mine"));
        f.host.expect_message(question, platform::prompts::MB_YESNO | platform::prompts::MB_ICONEXCLAMATION, answer);
        CWizardConfig config;
        ASSERT_EQ(config.LoadFromRegistry(f.services, "T"), 1);
        if (answer == platform::prompts::IDNO) {
            EXPECT_EQ(config.GetTemplateFile(0), "/gone/1.htm");
            EXPECT_EQ(config.GetTemplateName(0), "Mine");
            EXPECT_EQ(config.GetTemplateFile(1), "");
        } else {
            EXPECT_EQ(config.GetTemplateFile(0), f.template_folder("T") + "/templ1.htm");
            EXPECT_EQ(f.stored("T", "TemplateFile1"), value(f.template_folder("T") + "/templ1.htm"));
        }
    }
}

TEST(WizardConfig, LoadActiveFallsBackToDefaultKeepingItsStoredValues)
{
    struct active_case {
        const char* what;
        std::optional<value> active;
        long result;
    };
    const active_case cases[] = {
        {"missing", std::nullopt, 2},
        {"empty", value(std::string()), 0},
        {"names a missing key", value(std::string("Gone")), 0},
        {"another type", value(std::uint32_t {1}), 13},
    };
    for (const auto& c : cases) {
        config_fixture f;
        f.put("Default", "login", binary {'d', 'e', 'f', 0});
        f.put("Default", "passwd", encode_password_block("pw", f.random));
        if (c.active)
            ASSERT_EQ(f.store.write(hive::current_user, configurations, "Active Config", *c.active), status::ok);
        CWizardConfig current;
        EXPECT_EQ(current.LoadActive(f.services), c.result) << c.what;
        EXPECT_EQ(current.GetName(), "Default") << c.what;
        EXPECT_EQ(current.GetLogin(), "def") << c.what;
        EXPECT_EQ(current.GetPassword(), "pw") << c.what;
        EXPECT_EQ(f.store.snapshot().find(configurations, "Active Config")[0], value(std::string("Default"))) << c.what;
        EXPECT_FALSE(f.has_key("Gone")) << c.what;
    }
}

TEST(WizardConfig, LoadActiveOnAnEmptyStoreCreatesDefaultSettledAtOnceAndLoadsANamedOne)
{
    config_fixture f;
    f.services.importer = nullptr;
    f.books.opening = {2};
    CWizardConfig current;
    EXPECT_EQ(current.LoadActive(f.services), 2);
    EXPECT_EQ(current.GetName(), "Default");
    EXPECT_EQ(current.GetABookProvider(), 2);
    EXPECT_TRUE(f.has_key("Default"));
    auto values = f.store.value_names(hive::current_user, configurations);
    EXPECT_EQ(values.data, (std::vector<std::string> {"Active Config"}));
    // The provider the next load would detect and write is there from the first.
    EXPECT_EQ(f.store.value_names(hive::current_user, f.key("Default")).data,
        std::vector<std::string> {"ABook Provider"});
    auto settled = f.store.snapshot();
    CWizardConfig again;
    EXPECT_EQ(again.LoadActive(f.services), 0);
    EXPECT_EQ(f.store.snapshot(), settled);

    f.put("Work", "SMTP Server", std::string("mail.work"));
    ASSERT_EQ(f.store.write(hive::current_user, configurations, "Active Config", std::string("Work")), status::ok);
    CWizardConfig work;
    EXPECT_EQ(work.LoadActive(f.services), 0);
    EXPECT_EQ(work.GetName(), "Work");
    EXPECT_EQ(work.GetSMTPServer(), "mail.work");
}

TEST(ConvertConfigs, MovesTheOldValuesAndReloadsTheCurrentConfiguration)
{
    const std::string save_settings = "Software\\Holvane\\Talverin\\SaveSettings";
    config_fixture f;
    f.mail.loaded = true;
    f.books.opening = {3};
    f.put("Default", "Transport Protocol", std::uint32_t {3});
    ASSERT_TRUE(write_login_and_password(f.store, save_settings, "old user", "old pass", f.random));
    ASSERT_EQ(f.store.write(hive::current_user, save_settings, "SMTP Server", std::string("smtp.old")), status::ok);
    ASSERT_EQ(f.store.write(hive::current_user, save_settings, "Transport Protocol", std::uint32_t {1}), status::ok);
    ASSERT_EQ(f.store.write(hive::current_user, save_settings, "ABook Provider", std::uint32_t {3}), status::ok);
    ASSERT_EQ(f.store.write(hive::current_user, save_settings, "DocCharset", std::string("utf-8")), status::ok);

    CWizardConfig unnamed;
    auto before = f.store.snapshot();
    EXPECT_FALSE(ConvertConfigs(f.services, unnamed));
    EXPECT_EQ(f.store.snapshot(), before);

    CWizardConfig current;
    ASSERT_EQ(current.LoadFromRegistry(f.services, "Default"), 1);
    ASSERT_TRUE(ConvertConfigs(f.services, current));
    EXPECT_EQ(current.GetLogin(), "old user");
    EXPECT_EQ(current.GetPassword(), "old pass");
    EXPECT_EQ(current.GetSMTPServer(), "smtp.old");
    EXPECT_EQ(current.GetTransportProtocol(), 1);
    EXPECT_EQ(f.stored("Default", "SMTP Server"), value(std::string("smtp.old")));
    EXPECT_EQ(f.store.value_names(hive::current_user, save_settings).data, (std::vector<std::string> {"DocCharset"}));
    EXPECT_FALSE(ConvertConfigs(f.services, current)); // nothing left to move
}
