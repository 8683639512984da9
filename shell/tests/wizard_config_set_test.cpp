#include "config_fixture.h"

#include <gtest/gtest.h>

using namespace shell;
using namespace shell::testing;
using platform::registry::hive;
using platform::registry::status;
using platform::registry::value;

namespace {

std::vector<std::string> names_of(const CWizardConfigSet& set)
{
    std::vector<std::string> names;
    for (auto position = set.GetStartPosition(); position != CWizardConfigSet::npos;)
        names.push_back(set.GetNextName(position));
    return names;
}

}

TEST(WizardConfigSet, AnEmptyStoreGivesOneCurrentDefaultThatSavesIntoItsOwnKey)
{
    config_fixture f;
    f.services.importer = nullptr;
    CWizardConfigSet set(f.services);
    EXPECT_EQ(names_of(set), (std::vector<std::string> {"Default"}));
    ASSERT_NE(set.GetCurrentConfig(), nullptr);
    EXPECT_EQ(set.GetCurrentConfig()->GetName(), "Default");
    ASSERT_TRUE(set.SaveAll());
    EXPECT_EQ(f.store.value_names(hive::current_user, configurations).data,
        (std::vector<std::string> {"Active Config"}));
    EXPECT_EQ(*f.store.snapshot().find(configurations, "Active Config"), value(std::string("Default")));
    EXPECT_EQ(f.stored("Default", "Transport Protocol"), value(std::uint32_t {3}));
}

TEST(WizardConfigSet, ValuesOneKeyLacksNeverComeFromTheKeyLoadedBeforeIt)
{
    config_fixture f;
    f.put("A", "SMTPWaitTimeout", std::uint32_t {60});
    f.put("A", "C2TOnURL", std::string("x"));
    f.put("A", "TemplateFile1", std::string(""));
    f.put("B", "TemplateFile1", std::string(""));
    f.host.expect_message("Your current templates not exist.\nWould you like to set defaults?",
        platform::prompts::MB_YESNO | platform::prompts::MB_ICONEXCLAMATION, platform::prompts::IDNO);
    f.host.expect_message("Your current templates not exist.\nWould you like to set defaults?",
        platform::prompts::MB_YESNO | platform::prompts::MB_ICONEXCLAMATION, platform::prompts::IDNO);
    CWizardConfigSet set(f.services);
    ASSERT_TRUE(set.SaveAll());
    EXPECT_EQ(f.stored("B", "SMTPWaitTimeout"), value(std::uint32_t {25}));
    EXPECT_EQ(f.stored("B", "C2TOnURL"), value(std::string()));
    EXPECT_EQ(f.stored("A", "SMTPWaitTimeout"), value(std::uint32_t {60}));
}

TEST(WizardConfigSet, SaveAllDeletesRemovedConfigurationsOnceAndNamesTheCurrent)
{
    config_fixture f;
    f.services.importer = nullptr;
    for (const char* name : {"A", "B", "C", "X"})
        ASSERT_EQ(f.store.create_key(hive::current_user, f.key(name)), status::ok);
    ASSERT_EQ(f.store.create_key(hive::current_user, f.key("A") + "\\RAS Settings"), status::ok);
    ASSERT_EQ(f.store.write(hive::current_user, f.key("B") + "\\RAS Settings", "Phonebook Entry", std::string("isp")),
        status::ok);
    CWizardConfigSet set(f.services);
    ASSERT_EQ(set.Select("B"), 1);
    ASSERT_EQ(set.Delete("A"), 1);
    ASSERT_EQ(set.Delete("C"), 1);
    ASSERT_EQ(set.Delete("X"), 1);
    f.store.fail_writes_under(f.key("X"));
    EXPECT_FALSE(set.SaveAll()); // the failure is answered, the rest is done
    EXPECT_FALSE(f.has_key("A"));
    EXPECT_FALSE(f.has_key("A\\RAS Settings"));
    EXPECT_FALSE(f.has_key("C"));
    EXPECT_TRUE(f.has_key("X"));
    EXPECT_TRUE(f.has_key("B\\RAS Settings")); // a kept configuration keeps its dial-up settings
    EXPECT_EQ(*f.store.snapshot().find(configurations, "Active Config"), value(std::string("B")));
}

TEST(WizardConfigSet, AConfigurationWithoutANameStopsSaveAllBeforeAnyChange)
{
    config_fixture f;
    f.services.importer = nullptr;
    CWizardConfigSet set(f.services);
    set.Add(CWizardConfig());
    auto before = f.store.snapshot();
    EXPECT_FALSE(set.SaveAll());
    EXPECT_EQ(f.store.snapshot(), before);
}

TEST(WizardConfigSet, NamesMatchExactlyAndTheCurrentKeepsNamingItsRecord)
{
    config_fixture f;
    f.services.importer = nullptr;
    for (const char* name : {"A", "B", "C"})
        ASSERT_EQ(f.store.create_key(hive::current_user, f.key(name)), status::ok);
    ASSERT_EQ(f.store.write(hive::current_user, configurations, "Active Config", std::string("Gone")), status::ok);
    CWizardConfigSet set(f.services);
    EXPECT_EQ(set.GetCurrentConfig()->GetName(), "A"); // a missing active name: the first
    CWizardConfig twin;
    twin.SetName("B");
    twin.SetLogin("second");
    set.Add(twin);
    EXPECT_EQ(set.Find("b"), nullptr);
    EXPECT_EQ(set.Exists("b"), 0);
    EXPECT_EQ(set.Select("c"), 0);
    ASSERT_NE(set.Find("B"), nullptr);
    EXPECT_EQ(set.Find("B")->GetLogin(), ""); // the first match

    ASSERT_EQ(set.Select("C"), 1);
    ASSERT_EQ(set.Delete("A"), 1); // an earlier record goes
    EXPECT_EQ(set.GetCurrentConfig()->GetName(), "C");
    ASSERT_EQ(set.Delete("C"), 1); // the current goes
    EXPECT_EQ(set.GetCurrentConfig()->GetName(), "B");
    EXPECT_EQ(set.Delete("Nobody"), 0);
    EXPECT_EQ(names_of(set), (std::vector<std::string> {"B", "B"}));
    ASSERT_EQ(set.Delete("B"), 1);
    EXPECT_EQ(set.Delete("B"), 0); // the last one stays
    EXPECT_EQ(names_of(set), (std::vector<std::string> {"B"}));
    EXPECT_EQ(set.GetCurrentConfig()->GetLogin(), "second");
}

TEST(WizardConfigSet, AddNewInstallsTemplatesWithoutTouchingTheStore)
{
    config_fixture f;
    CWizardConfigSet set(f.services);
    auto before = f.store.snapshot();
    auto at = set.AddNew("New one");
    EXPECT_EQ(f.store.snapshot(), before);
    EXPECT_EQ(set.records()[at].GetName(), "New one");
    EXPECT_EQ(set.records()[at].GetTemplateFile(0), f.template_folder("New one") + "/templ1.htm");
    EXPECT_TRUE(std::filesystem::exists(f.template_folder("New one") + "/templ1.htm"));
}
