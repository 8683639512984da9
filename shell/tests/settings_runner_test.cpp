#include "app_fixture.h"
#include "broadcast/job/quorbis_broadcast.h"
#include "platform/com/com_error.h"
#include "shell/broadcasting/settings_runner.h"

#include <filesystem>

namespace shell::testing {
namespace {

using platform::ui::testing::DialogDriver;

TEST(SettingsRunner, BooksComeFromTheStoreOrTheDataHome)
{
    app_fixture app;
    auto books = read_book_locations(app.profile, app.test.services.locations);
    EXPECT_EQ(books.personal_book, "");
    EXPECT_EQ(books.contacts_folder,
        std::filesystem::path(app.test.services.locations.data).parent_path().append("contacts").string());
    ASSERT_EQ(app.profile.write_string("AddressBooks", "Personal", "/b/personal.vcf"), platform::registry::status::ok);
    ASSERT_EQ(app.profile.write_string("AddressBooks", "Contacts", "/b/contacts"), platform::registry::status::ok);
    books = read_book_locations(app.profile, app.test.services.locations);
    EXPECT_EQ(books.personal_book, "/b/personal.vcf");
    EXPECT_EQ(books.contacts_folder, "/b/contacts");
}

// The settings of a job, with a recipient picked from the personal book of the active
// configuration, then cancelled.
TEST(SettingsRunner, RunsTheSettingsWithTheConfiguredBook)
{
    app_fixture app;
    const std::string book = app.test.root.path() + "/personal.vcf";
    std::ofstream(book) << "BEGIN:VCARD\nFN:Pat Reader\nEMAIL:pat@example.org\nEND:VCARD\n";
    broadcast::contacts::file_address_books books({book, ""});
    app.context.current_config.SetABookProvider(2);
    auto run = make_settings_runner(app.context, *app.test.services.clock, books);

    auto ref = broadcast::broadcast_ref::make(std::make_unique<broadcast::quorbis_broadcast>());
    app.host.expect_dialog(195, [](DialogDriver& d) {
        d.type(1087, "Spring news");
        d.click(1115);
        EXPECT_EQ(d.current().GetDlgItemText(1021), "pat@example.org");
        d.click(1225);
    });
    app.host.expect_dialog(25200, [](DialogDriver& d) {
        d.select_items(1002, {0});
        d.click(1003);
        d.ok();
    });
    run(ref);
    EXPECT_EQ(ref->subject, "Spring news");
    EXPECT_EQ(ref->additional_addresses, std::vector<std::string> {"pat@example.org"});

    app.host.expect_dialog(195, [](DialogDriver& d) { d.cancel(); });
    EXPECT_THROW(run(ref), platform::ui::command_aborted);
}

}
}
