#include "config_fixture.h"
#include "platform/registry/file_store.h"
#include "shell/config/passwd_block.h"
#include "shell/customize/additional_rules.h"
#include "shell/customize/customize_sheet.h"

#include <gtest/gtest.h>

using namespace shell;
using namespace shell::testing;
using platform::registry::hive;
using platform::registry::status;
using platform::registry::value;
using platform::prompts::IDNO;
using platform::prompts::IDOK;
using platform::prompts::IDYES;
using platform::prompts::MB_ICONEXCLAMATION;
using platform::prompts::MB_ICONQUESTION;
using platform::prompts::MB_OK;
using platform::prompts::MB_YESNO;
using platform::ui::testing::DialogDriver;
namespace fs = std::filesystem;

namespace {

// General page
constexpr int combo = 1152, user_id = 1021, password = 1022, add_new = 1153, remove_button = 1154;
// Additional page
constexpr int smtp_native = 1150, smtp_mapi = 1151, http = 1152, smtp_server = 1011, timeout = 1153,
              secure = 1084, mapi_book = 1121, windows_book = 1122, existing_connection = 1155, dialup = 1158,
              dialup_settings = 1159, standard_view = 1207, enhanced_view = 1208, display_delay = 1349;
constexpr int general_page = 0, additional_page = 1, templates_page = 2;
constexpr int sheet_id = 1159;

const std::string exists_text = "The configuration with the same name already exists.";
const std::string invalid_text
    = "Configuration names cannot be empty, \".\" or \"..\", or contain \"\\\", \"/\" or control characters.";
const std::string delete_text = "Delete the current configuration?";

struct sheet_fixture : config_fixture {
    platform::ui::DialogTemplates dialogs
        = platform::ui::DialogTemplates::load(platform::testing::share_folder() + "/talverin/dialogs.txt");
    CWizardConfig program_current;

    sheet_fixture() { services.importer = nullptr; }

    // A stored configuration whose loading writes nothing back and asks nothing.
    void stored_config(const std::string& name, const std::string& login = "")
    {
        CWizardConfig config;
        config.SetName(name);
        config.SetLogin(login);
        config.SetABookProvider(0);
        config.SetTemplateFile(0, share_file());
        ASSERT_TRUE(config.SaveToRegistry(services));
    }
    void active(const std::string& name)
    {
        ASSERT_EQ(store.write(hive::current_user, configurations, "Active Config", name), status::ok);
    }
    static std::string share_file() { return platform::testing::share_folder() + "/talverin/strings.txt"; }

    int run(ConfigServices& with, std::function<void(DialogDriver&)> script)
    {
        host.expect_dialog(sheet_id, std::move(script));
        CCustomizeSheet sheet(dialogs, host, with, program_current);
        return sheet.DoModal();
    }
    int run(std::function<void(DialogDriver&)> script) { return run(services, std::move(script)); }

    void expect_new_name(const std::string& name)
    {
        host.expect_dialog(251, [name](DialogDriver& d) {
            d.type(1021, name);
            d.ok();
        });
    }
    std::string login_of(const std::string& name)
    {
        std::string login;
        std::string password;
        EXPECT_TRUE(read_login_and_password(store, key(name), login, password)) << name;
        return login;
    }
    CWizardConfig load(const std::string& name)
    {
        CWizardConfig config;
        EXPECT_EQ(config.LoadFromRegistry(services, name), 1) << name;
        return config;
    }
};

std::vector<std::string> combo_items(DialogDriver& d)
{
    return d.current().item(combo).items;
}

}

TEST(ConfigurationNames, AcceptOnlyNamesThatNameOneKeyAndFolder)
{
    std::string utf8_150;
    for (int i = 0; i < 150; ++i)
        utf8_150 += "\xC3\xA9";
    struct name_case {
        std::string name;
        bool valid;
    };
    const name_case cases[] = {{"Work", true}, {"My Config #2", true}, {std::string(150, 'a'), true},
        {utf8_150, true}, {std::string(151, 'a'), false}, {"", false}, {".", false}, {"..", false}, {"...", true},
        {"a\\b", false}, {"a/b", false}, {"tab\there", false}, {std::string("nul\x7F"), false}};
    for (const auto& c : cases)
        EXPECT_EQ(valid_configuration_name(c.name), c.valid) << c.name;
}

TEST(AdditionalRules, ShownAddressBookAndTransport)
{
    struct book_case {
        int stored;
        bool mapi;
        bool windows;
        int shown;
    };
    const book_case books[] = {{0, true, true, 3}, {0, false, true, 2}, {0, false, false, 0}, {3, true, false, 3},
        {3, false, true, 2}, {3, false, false, 0}, {2, true, true, 2}, {2, true, false, 3}, {1, false, false, 1},
        {7, true, true, 7}};
    for (const auto& c : books)
        EXPECT_EQ(shown_address_book(c.stored, c.mapi, c.windows), c.shown) << c.stored << c.mapi << c.windows;

    struct transport_case {
        int stored;
        bool simple_mapi;
        int shown;
    };
    const transport_case transports[] = {
        {2, false, 3}, {2, true, 2}, {0, false, 0}, {1, false, 1}, {3, true, 3}, {4, true, 0}, {-1, true, 0}};
    for (const auto& c : transports)
        EXPECT_EQ(shown_transport(c.stored, c.simple_mapi), c.shown) << c.stored << c.simple_mapi;
}

TEST(AdditionalRules, EnableStates)
{
    struct enable_case {
        AdditionalChoices choices;
        AdditionalEnables enables;
    };
    // transport, simple MAPI, dial-up usable, dial-up selected, MAPI book selected, mail client
    const enable_case cases[] = {
        {{1, false, false, false, false, false}, {true, false, false, false, false, false}},
        {{3, true, true, false, true, true}, {false, true, true, true, false, true}},
        {{0, false, true, true, true, false}, {false, false, false, true, true, false}},
        {{2, true, false, true, false, true}, {false, false, true, false, false, false}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(additional_enables(c.choices), c.enables) << c.choices.transport;
}

TEST(CustomizeSheet, CancelLeavesTheStoreByteIdenticalAndTakesAddedFoldersAway)
{
    sheet_fixture f;
    platform::registry::file_store file(f.root.file("registry.txt"));
    ConfigServices services = f.services;
    ConfigServices on_file {file, f.strings, f.host, f.dialup, f.mail, f.books, f.classes, f.random,
        services.template_packages, services.template_folders, &f.importer};
    for (const char* name : {"Work", "Home"}) {
        CWizardConfig config;
        config.SetName(name);
        config.SetTemplateFile(0, sheet_fixture::share_file());
        ASSERT_TRUE(config.SaveToRegistry(on_file));
    }
    ASSERT_EQ(file.write(hive::current_user, configurations, "Active Config", std::string("Work")), status::ok);
    const std::string before = platform::testing::read_file(f.root.file("registry.txt"));
    f.dialup.usable = true;
    f.dialup.store = &file;

    EXPECT_EQ(f.run(on_file,
                  [&](DialogDriver& d) {
                      f.expect_new_name("Fresh");
                      f.host.expect_message(delete_text, MB_YESNO | MB_ICONQUESTION, IDYES);
                      d.click(add_new);
                      EXPECT_TRUE(fs::exists(f.template_folder("Fresh") + "/templ1.htm"));
                      d.type(user_id, "someone");
                      d.switch_page(additional_page);
                      d.click(dialup);
                      d.click(dialup_settings);
                      EXPECT_TRUE(file.key_exists(hive::current_user, f.key("Fresh") + "\\RAS Settings"));
                      d.type(display_delay, "3");
                      d.switch_page(general_page);
                      d.select(combo, "Home");
                      d.click(remove_button);
                      d.cancel();
                  }),
        platform::prompts::IDCANCEL);
    EXPECT_EQ(platform::testing::read_file(f.root.file("registry.txt")), before);
    EXPECT_FALSE(fs::exists(f.template_folder("Fresh")));
    EXPECT_EQ(f.program_current, CWizardConfig());
}

TEST(CustomizeSheet, OkSavesTheSetAndMakesTheChosenConfigurationTheProgramsOwn)
{
    sheet_fixture f;
    f.stored_config("Home", "h");
    f.stored_config("Work", "w");
    f.active("Work");
    EXPECT_EQ(f.run([&](DialogDriver& d) {
        EXPECT_EQ(combo_items(d), (std::vector<std::string> {"Home", "Work"}));
        EXPECT_EQ(d.current().GetDlgItemText(user_id), "w");
        d.type(user_id, "w-typed");
        d.type(password, "w-pass");
        d.select(combo, "Home");
        EXPECT_EQ(d.current().GetDlgItemText(user_id), "h");
        d.type(user_id, "h-typed");
        d.select(combo, "Work");
        EXPECT_EQ(d.current().GetDlgItemText(user_id), "w-typed"); // typed credentials survive the switch
        EXPECT_EQ(d.current().GetDlgItemText(password), "w-pass");
        d.select(combo, "Home");
        d.ok();
    }),
        IDOK);
    EXPECT_EQ(*f.store.snapshot().find(configurations, "Active Config"), value(std::string("Home")));
    EXPECT_EQ(f.load("Home").GetLogin(), "h-typed");
    EXPECT_EQ(f.load("Work").GetLogin(), "w-typed");
    EXPECT_EQ(f.load("Work").GetPassword(), "w-pass");
    EXPECT_EQ(f.program_current.GetName(), "Home");
    EXPECT_EQ(f.program_current.GetLogin(), "h-typed");
}

TEST(CustomizeSheet, AddNewRefusesTakenAndInvalidNamesAndAddsNothing)
{
    struct name_case {
        std::string name;
        std::string message;
    };
    const name_case cases[] = {{"Work", exists_text}, {"WORK", exists_text}, {"", invalid_text},
        {"a\\b", invalid_text}, {"..", invalid_text}, {"x/y", invalid_text}, {"bell\a", invalid_text}};
    for (const auto& c : cases) {
        sheet_fixture f;
        f.stored_config("Work");
        auto before = f.store.snapshot();
        f.run([&](DialogDriver& d) {
            f.expect_new_name(c.name);
            f.host.expect_message(c.message, MB_OK | MB_ICONEXCLAMATION, IDOK);
            d.click(add_new);
            EXPECT_EQ(combo_items(d), (std::vector<std::string> {"Work"})) << c.name;
            d.ok();
        });
        EXPECT_EQ(f.store.subkeys(hive::current_user, configurations).data, (std::vector<std::string> {"Work"}));
    }
}

TEST(CustomizeSheet, AddedConfigurationIsCurrentAndSavedAtOk)
{
    sheet_fixture f;
    f.stored_config("Work", "w");
    f.run([&](DialogDriver& d) {
        f.expect_new_name("New");
        d.click(add_new);
        EXPECT_EQ(combo_items(d), (std::vector<std::string> {"Work", "New"}));
        EXPECT_EQ(d.current().GetDlgItemText(user_id), "");
        EXPECT_EQ(d.current().get_cur_sel(combo), 1);
        EXPECT_FALSE(f.has_key("New")); // the store changes at OK only
        d.type(user_id, "n");
        d.ok();
    });
    EXPECT_EQ(f.login_of("New"), "n");
    EXPECT_EQ(f.load("Work").GetLogin(), "w");
    EXPECT_EQ(f.program_current.GetName(), "New");
}

TEST(CustomizeSheet, OkTakesAwayTheFoldersOfConfigurationsAddedAndRemovedAgain)
{
    sheet_fixture f;
    f.services.importer = &f.importer;
    f.stored_config("Work");
    f.run([&](DialogDriver& d) {
        f.expect_new_name("Gone");
        f.host.expect_message(delete_text, MB_YESNO | MB_ICONQUESTION, IDYES);
        d.click(add_new);
        EXPECT_TRUE(fs::exists(f.template_folder("Gone")));
        d.click(remove_button);
        EXPECT_EQ(combo_items(d), (std::vector<std::string> {"Work"}));
        d.ok();
    });
    EXPECT_FALSE(fs::exists(f.template_folder("Gone")));
    EXPECT_FALSE(f.has_key("Gone"));
}

TEST(CustomizeSheet, RemoveAnsweredNoOrOfTheLastConfigurationChangesNothing)
{
    for (bool two : {false, true}) {
        sheet_fixture f;
        f.stored_config("Work");
        if (two)
            f.stored_config("Home");
        auto before = f.store.snapshot();
        f.run([&](DialogDriver& d) {
            f.host.expect_message(delete_text, MB_YESNO | MB_ICONQUESTION, two ? IDNO : IDYES);
            auto items = combo_items(d);
            d.click(remove_button);
            EXPECT_EQ(combo_items(d), items);
            d.cancel();
        });
        EXPECT_EQ(f.store.snapshot(), before);
    }
}

TEST(CustomizeSheet, AdditionalPageShowsAndStoresTheAddressBook)
{
    const std::set<int> openings[] = {{}, {2}, {3}, {2, 3}};
    for (int stored = 0; stored <= 3; ++stored) {
        for (const auto& opening : openings) {
            sheet_fixture f;
            f.books.opening = {0, 1, 2, 3}; // every stored number loads as it is
            f.stored_config("Work");
            f.put("Work", "ABook Provider", std::uint32_t(stored));
            f.books.opening = opening;
            bool mapi_opens = opening.count(3) != 0;
            bool windows_opens = opening.count(2) != 0;
            // Loading already replaces a stored book that does not open by the detected one.
            int detected = mapi_opens ? 3 : windows_opens ? 2 : 0;
            bool opens = (stored == 3 && mapi_opens) || (stored == 2 && windows_opens);
            int loaded = stored >= 1 && !opens ? detected : stored;
            int shown = shown_address_book(loaded, mapi_opens, windows_opens);
            f.run([&](DialogDriver& d) {
                d.switch_page(additional_page);
                auto& page = d.current();
                EXPECT_EQ(page.item(mapi_book).enabled, opening.count(3) != 0);
                EXPECT_EQ(page.item(windows_book).enabled, opening.count(2) != 0);
                EXPECT_EQ(page.IsDlgButtonChecked(mapi_book), shown == 3) << stored;
                EXPECT_EQ(page.IsDlgButtonChecked(windows_book), shown == 2) << stored;
                d.ok();
            });
            int expected = shown == 2 || shown == 3 ? shown : 0;
            EXPECT_EQ(f.stored("Work", "ABook Provider"), value(std::uint32_t(expected))) << stored;
        }
    }
}

TEST(CustomizeSheet, AdditionalPageShowsWhatThisMachineCanDo)
{
    sheet_fixture f;
    f.stored_config("Work");
    f.put("Work", "Transport Protocol", std::uint32_t {2});
    f.put("Work", "Connection", std::uint32_t {1});
    f.run([&](DialogDriver& d) {
        d.switch_page(additional_page);
        auto& page = d.current();
        EXPECT_TRUE(page.IsDlgButtonChecked(http));
        EXPECT_FALSE(page.item(smtp_mapi).enabled);
        EXPECT_TRUE(page.item(secure).enabled);
        EXPECT_FALSE(page.item(smtp_server).enabled);
        EXPECT_TRUE(page.IsDlgButtonChecked(existing_connection));
        EXPECT_FALSE(page.item(dialup).enabled);
        EXPECT_FALSE(page.item(dialup_settings).enabled);
        d.click(smtp_native);
        EXPECT_TRUE(page.item(smtp_server).enabled);
        EXPECT_TRUE(page.item(timeout).enabled);
        EXPECT_FALSE(page.item(secure).enabled);
        EXPECT_TRUE(static_cast<platform::ui::PropertyPage&>(page).modified());
        d.click(http);
        d.ok();
    });
    EXPECT_EQ(f.stored("Work", "Transport Protocol"), value(std::uint32_t {3}));
    EXPECT_EQ(f.stored("Work", "Connection"), value(std::uint32_t {0}));
    EXPECT_TRUE(f.dialup.calls.empty());
}

TEST(CustomizeSheet, DialUpSettingsNameTheConfigurationThenRunTheDialog)
{
    sheet_fixture f;
    f.dialup.usable = true;
    f.stored_config("Work");
    f.put("Work", "Connection", std::uint32_t {1});
    f.run([&](DialogDriver& d) {
        d.switch_page(additional_page);
        EXPECT_TRUE(d.current().IsDlgButtonChecked(dialup));
        d.click(dialup_settings);
        d.click(existing_connection);
        EXPECT_FALSE(d.current().item(dialup_settings).enabled);
        d.click(dialup);
        d.ok();
    });
    EXPECT_EQ(f.dialup.calls, (std::vector<std::string> {"SetCurrentConfig Work", "RASCfgDialog"}));
    EXPECT_EQ(f.stored("Work", "Connection"), value(std::uint32_t {1}));
}

TEST(CustomizeSheet, ViewChoiceNeedsTheMapiBookAndTheMailClient)
{
    for (bool registered : {false, true}) {
        sheet_fixture f;
        f.books.opening = {2, 3};
        if (registered)
            f.classes.registered = {"Outlook.Application.10"};
        f.stored_config("Work");
        f.put("Work", "ABook Provider", std::uint32_t {3});
        f.put("Work", "Enhanced View", std::uint32_t {1});
        f.run([&](DialogDriver& d) {
            d.switch_page(additional_page);
            auto& page = d.current();
            EXPECT_TRUE(page.IsDlgButtonChecked(enhanced_view));
            EXPECT_EQ(page.item(standard_view).enabled, registered);
            d.click(windows_book);
            EXPECT_FALSE(page.item(enhanced_view).enabled);
            d.click(mapi_book);
            EXPECT_EQ(page.item(enhanced_view).enabled, registered);
            d.cancel();
        });
    }
}

TEST(CustomizeSheet, OutOfRangeNumbersKeepThePageAndRefuseOk)
{
    struct range_case {
        int control;
        std::string typed;
        std::string message;
    };
    const range_case cases[] = {
        {timeout, "0", "Please enter an integer between 1 and 32767."},
        {timeout, "32768", "Please enter an integer between 1 and 32767."},
        {timeout, "x", "Please enter an integer."},
        {display_delay, "11", "Please enter an integer between 0 and 10."},
    };
    for (const auto& c : cases) {
        sheet_fixture f;
        f.stored_config("Work");
        f.put("Work", "Transport Protocol", std::uint32_t {1});
        auto before = f.store.snapshot();
        f.run([&](DialogDriver& d) {
            f.host.expect_message(c.message, MB_OK | MB_ICONEXCLAMATION, IDOK);
            f.host.expect_message(c.message, MB_OK | MB_ICONEXCLAMATION, IDOK);
            d.switch_page(additional_page);
            d.type(c.control, c.typed);
            d.switch_page(general_page);
            EXPECT_EQ(d.sheet()->active_index(), additional_page) << c.typed;
            d.ok();
            EXPECT_FALSE(d.sheet()->ended()) << c.typed;
            d.cancel();
        });
        EXPECT_EQ(f.store.snapshot(), before);
    }
}

TEST(CustomizeSheet, BrowseReplacesTheTemplateFileAndCancelLeavesIt)
{
    sheet_fixture f;
    f.stored_config("Work");
    f.run([&](DialogDriver& d) {
        f.host.expect_open_file(std::nullopt);
        f.host.expect_open_file(std::string("/docs/chosen.htm"));
        d.switch_page(templates_page);
        auto& page = d.current();
        EXPECT_EQ(page.GetDlgItemText(1232), sheet_fixture::share_file());
        d.click(1221);
        EXPECT_EQ(page.GetDlgItemText(1236), "");
        d.click(1219);
        EXPECT_EQ(page.GetDlgItemText(1232), "/docs/chosen.htm");
        d.type(1237, "Third");
        d.ok();
    });
    ASSERT_EQ(f.host.file_requests.size(), 2u);
    EXPECT_EQ(f.host.file_requests[0].filter, "Quorbis Message Files (*.htm)|*.htm||");
    EXPECT_EQ(f.host.file_requests[0].default_extension, "htm");
    EXPECT_TRUE(f.host.file_requests[0].file_must_exist);
    EXPECT_EQ(f.stored("Work", "TemplateFile1"), value(std::string("/docs/chosen.htm")));
    EXPECT_EQ(f.stored("Work", "TemplateName3"), value(std::string("Third")));
}

TEST(CustomizeSheet, HelpOnEveryPageOpensOneContext)
{
    sheet_fixture f;
    f.stored_config("Work");
    f.run([&](DialogDriver& d) {
        for (int page : {general_page, additional_page, templates_page}) {
            d.switch_page(page);
            d.f1();
        }
        d.cancel();
    });
    EXPECT_EQ(f.host.help_requests, (std::vector<int> {345, 345, 345}));
}
