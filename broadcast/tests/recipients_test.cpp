#include "broadcast/contacts/address_books.h"
#include "broadcast/recipients/abook.h"
#include "broadcast/recipients/address_dialog.h"
#include "broadcast/recipients/contacts_dialog.h"
#include "broadcast/recipients/mapi_book.h"
#include "broadcast/recipients/recipient_selection.h"
#include "platform/testing/temporary_folder.h"
#include "platform/testing/test_services.h"
#include "platform/ui/testing/scripted_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>

namespace broadcast {
namespace {

using contacts::address_book;
using contacts::book_entry;
using platform::ui::DialogTemplates;
using platform::ui::testing::DialogDriver;
using platform::ui::testing::ScriptedHost;
using namespace platform::prompts;

const DialogTemplates& templates()
{
    static const DialogTemplates loaded = DialogTemplates::load(platform::testing::share_folder() + "/talverin/dialogs.txt");
    return loaded;
}

// Books held in memory, by provider number.
class memory_books final : public contacts::book_provider {
public:
    std::map<int, std::vector<book_entry>> books;
    std::map<int, std::string> unreadable; // opens, but reading fails with this reason
    std::vector<contacts::contact_folder> folders;
    std::vector<contacts::contact_card> cards;

    bool opens(int provider) override
    {
        return books.count(provider) || unreadable.count(provider) || (provider == 3 && !folders.empty());
    }
    std::unique_ptr<address_book> open(int provider, std::string& problem) const override
    {
        if (auto failing = unreadable.find(provider); failing != unreadable.end()) {
            problem = failing->second;
            return nullptr;
        }
        auto found = books.find(provider);
        if (found == books.end()) {
            problem = "none";
            return nullptr;
        }
        return std::make_unique<address_book>(found->second);
    }
    bool read_contact_store(std::vector<contacts::contact_folder>& folders_out,
        std::vector<contacts::contact_card>& cards_out, std::string& problem) const override
    {
        if (unreadable.count(3)) {
            problem = unreadable.at(3);
            return false;
        }
        folders_out = folders;
        cards_out = cards;
        return true;
    }
};

contacts::contact_card card(std::string folder, std::string name, std::string email, std::string given,
    std::string company = {})
{
    contacts::contact_fields fields;
    fields[contacts::full_name] = std::move(name);
    fields[contacts::email1] = std::move(email);
    fields[contacts::file_as] = std::move(given);
    fields[contacts::company] = std::move(company);
    contacts::contact_card made(std::move(fields));
    made.folder_id = std::move(folder);
    return made;
}

struct recipients_fixture : ::testing::Test {
    platform::testing::test_services test;
    ScriptedHost host {test.services.strings};
    memory_books books;

    recipients_fixture()
    {
        books.books[2] = {{"2/0", "Ann Able", "ann@ex.com"}, {"2/1", "Bob Baker", "bob@ex.com.au"},
            {"2/2", "Boris", "boris@ex.com"}};
    }
    std::string text(unsigned id) { return test.services.strings.text(id); }
};

TEST(MergeAddresses, WholeAddressesCaseIgnored)
{
    struct row {
        std::string text;
        std::vector<std::string> added;
        std::string merged;
    } rows[] = {
        {"", {"a@x", "b@y"}, "a@x; b@y"},
        {"a@x", {"A@X"}, "a@x"},
        {"bob@ex.com.au", {"bob@ex.com"}, "bob@ex.com.au; bob@ex.com"},
        {"x@y; a@x", {"a@x", "c@z", "c@z"}, "x@y; a@x; c@z"},
        {"abob@ex.com", {"bob@ex.com"}, "abob@ex.com; bob@ex.com"},
    };
    for (auto& r : rows) {
        merge_addresses(r.text, r.added);
        EXPECT_EQ(r.text, r.merged);
    }
}

TEST_F(recipients_fixture, SelectNamesPrefillsPicksAndRebuildsTheText)
{
    host.expect_dialog(25200, [](DialogDriver& d) {
        // "ann@ex.com, other@x;; bob@ex.com.au " pre-fills three recipients, two from the book.
        EXPECT_EQ(d.current().item(1004).items,
            (std::vector<std::string> {"Ann Able <ann@ex.com>", "other@x", "Bob Baker <bob@ex.com.au>"}));
        EXPECT_EQ(d.current().item(1002).items.size(), 3u);
        d.type(1001, "bo");
        EXPECT_EQ(d.current().item(1002).items, (std::vector<std::string> {"Bob Baker <bob@ex.com.au>", "Boris <boris@ex.com>"}));
        d.select_items(1002, {0, 1});
        d.click(1003); // Bob is already there
        d.select_items(1004, {1});
        d.click(1005);
        d.click(1006);
        d.ok();
    });
    host.expect_dialog(25201, [](DialogDriver& d) {
        d.type(1001, "new@one.org");
        d.ok();
    });
    CAbook book(books);
    std::string addresses = "ann@ex.com, other@x;; bob@ex.com.au ";
    ASSERT_TRUE(book.SelectNames(host, templates(), 2, addresses));
    EXPECT_EQ(addresses, "ann@ex.com; bob@ex.com.au; boris@ex.com; new@one.org");
}

TEST_F(recipients_fixture, OkRefusesWhatIsNeitherEntryNorAddressAndCancelKeepsTheText)
{
    host.expect_dialog(25200, [&](DialogDriver& d) {
        d.click(1006);
        d.ok();
        EXPECT_FALSE(d.current().ended());
        EXPECT_EQ(d.current().selected_items(1004), std::vector<int> {1});
        d.cancel();
    });
    host.expect_dialog(25201, [](DialogDriver& d) {
        d.type(1001, "not an address");
        d.ok();
    });
    host.expect_message(platform::ui::format_message(text(25120), {"not an address"}), MB_OK | MB_ICONEXCLAMATION, IDOK);
    CAbook book(books);
    std::string addresses = "ann@ex.com";
    EXPECT_FALSE(book.SelectNames(host, templates(), 2, addresses));
    EXPECT_EQ(addresses, "ann@ex.com");
}

TEST_F(recipients_fixture, DirectoryUsersGiveTheirPrimaryAddress)
{
    books.books[3] = {{"3/0", "Dir User", "", "EX", {"smtp:second@corp", "X400:c=us", "SMTP: primary@corp "}},
        {"3/1", "Nobody", "", "EX", {"smtp:only@corp"}}};
    CAbook book(books);
    ASSERT_TRUE(book.Open(3));
    std::string text;
    EXPECT_TRUE(book.EmailFromEntryId("3/0", text));
    EXPECT_FALSE(book.EmailFromEntryId("3/1", text));
    EXPECT_FALSE(book.EmailFromEntryId("3/9", text));
    EXPECT_EQ(text, "primary@corp");
}

TEST_F(recipients_fixture, OnToUsesTheConfiguredBookOrTheFirstThatOpens)
{
    recipient_services services {host, templates(), books, 3, true};
    host.expect_dialog(25200, [](DialogDriver& d) {
        d.select_items(1002, {0});
        d.click(1003);
        d.ok();
    });
    std::string addresses;
    ASSERT_TRUE(OnTo(services, addresses)); // 3 does not open: the personal book (2) is used
    EXPECT_EQ(addresses, "ann@ex.com");

    // The contact store opens but cannot be read: the grid says so once, and the address
    // dialog, which reads the same store, is not tried.
    books.unreadable[3] = "contacts.vcf: not a regular file";
    host.expect_message(text(25123), MB_OK | MB_ICONEXCLAMATION, IDOK);
    EXPECT_FALSE(OnTo(services, addresses));
    services.enhanced_view = false;
    host.expect_message(platform::ui::format_message(text(25121), {"contacts.vcf: not a regular file"}),
        MB_OK | MB_ICONEXCLAMATION, IDOK);
    EXPECT_FALSE(OnTo(services, addresses));
    EXPECT_EQ(addresses, "ann@ex.com");

    books.books.clear();
    books.unreadable.clear();
    EXPECT_FALSE(OnTo(services, addresses));
}

TEST(ContactGrid, IndexButtonsShareTheAlphabet)
{
    const auto labels = index_button_letters(8);
    ASSERT_EQ(labels.size(), 8u);
    EXPECT_EQ(labels[0], "all");
    EXPECT_EQ(labels[1], "123");
    std::string all;
    for (std::size_t i = 2; i < labels.size(); ++i) {
        EXPECT_TRUE(labels[i].size() == 4 || labels[i].size() == 5) << labels[i];
        all += labels[i];
    }
    EXPECT_EQ(all, "abcdefghijklmnopqrstuvwxyz");
    for (int tiny : {2, 1, 0, -2})
        EXPECT_TRUE(index_button_letters(tiny).empty()) << tiny;
    const auto many = index_button_letters(40); // more buttons than letters: some have none
    std::string covered;
    for (std::size_t i = 2; i < many.size(); ++i)
        covered += many[i];
    EXPECT_EQ(covered, "abcdefghijklmnopqrstuvwxyz");
    EXPECT_NE(std::find(many.begin() + 2, many.end(), ""), many.end());
}

TEST(ContactGrid, HexIdentifiers)
{
    EXPECT_EQ(HexDigitValue('A'), -1);
    EXPECT_EQ(HexDigitValue('f'), 15);
    EXPECT_EQ(HexToNumber("A1"), 161u);
    EXPECT_FALSE(HexToNumber("zz"));
    EXPECT_FALSE(HexToNumber(""));
    EXPECT_EQ(hex_of("a/b"), "612f62");
}

TEST_F(recipients_fixture, ContactGridFiltersSortsAndPreselects)
{
    books.folders = {{"work", "Work", 0}, {"work/team", "  team", 1}};
    books.cards = {card("work", "Zed", "zed@x", "Zed", "Acme"), card("work", "Amy", "amy@x", "amy"),
        card("work/team", "Tom", "tom@x", "Tom"), card("work", "Nomail", "", "Nora")};
    CMAPIBook book(books);
    ASSERT_TRUE(book.init());
    std::vector<std::string> names, ids;
    std::vector<contacts::contact_card> cards;
    ASSERT_TRUE(book.GetAllContacts(names, ids, cards));
    EXPECT_EQ(ids[0], hex_of("work"));
    EXPECT_TRUE(book.used_field(contacts::company));
    EXPECT_FALSE(book.used_field(contacts::job_title));
    std::bitset<contacts::field_count> used;
    for (int i = 0; i < contacts::field_count; ++i)
        used[static_cast<std::size_t>(i)] = book.used_field(i);

    CContactsDialog2 dialog(templates(), host, cards, names, ids, used);
    dialog.SetInitial("amy@x; zed@x.org");
    host.expect_dialog(358, [&](DialogDriver& d) {
        auto& grid = d.current().item(1109);
        EXPECT_EQ(grid.declared.columns.size(), 4u); // name, address, company, File As
        EXPECT_EQ(grid.declared.columns[2].title, "Company Name");
        EXPECT_EQ(grid.rows.size(), 3u);       // the first folder
        EXPECT_EQ(grid.selected, std::vector<int> {1}); // amy@x, not zed@x
        EXPECT_EQ(d.current().item(1160).items, (std::vector<std::string> {"Work", "  team", "All contacts"}));
        d.select(1160, "All contacts");
        EXPECT_EQ(d.current().item(1109).rows.size(), 4u);
        d.click_column(1109, 0);
        EXPECT_EQ(d.current().item(1109).row_text(0, 0), "Amy");
        d.click_column(1109, 0);
        EXPECT_EQ(d.current().item(1109).row_text(0, 0), "Zed");
        d.click_column(1109, 0);
        EXPECT_EQ(d.current().item(1109).row_text(0, 0), "Amy");
        // 300 high: 12 buttons, the letters a-z over ten of them.
        EXPECT_TRUE(d.current().has_item(23011));
        EXPECT_FALSE(d.current().has_item(23012));
        const std::string first_letters = d.current().item(23002).text;
        EXPECT_EQ(first_letters, "ab");
        d.click(23002);
        EXPECT_EQ(d.current().item(1109).rows.size(), 1u); // amy by "File As"
        d.click(23000);
        EXPECT_EQ(d.current().item(1109).rows.size(), 4u);
        d.resize(100, 100); // the minimum holds
        EXPECT_EQ(d.current().client_height(), 300);
        d.select_items(1109, {0, 3});
        d.ok();
    });
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.selected_addresses().size(), 2u);
}

TEST_F(recipients_fixture, EnhancedViewUsesTheGridAndFallsBackWhenTheStoreFails)
{
    books.books[3] = {{"3/0", "Ann Able", "ann@ex.com"}};
    books.folders = {{"f", "F", 0}};
    books.cards = {card("f", "Grid Person", "grid@x", "Grid")};
    recipient_services services {host, templates(), books, 3, true};
    host.expect_dialog(358, [](DialogDriver& d) {
        d.select_items(1109, {0});
        d.ok();
    });
    std::string addresses = "first@x";
    ASSERT_TRUE(OnTo(services, addresses));
    EXPECT_EQ(addresses, "first@x; grid@x");

    // A grid cancelled leaves the field alone and opens no address dialog.
    host.expect_dialog(358, [](DialogDriver& d) { d.cancel(); });
    EXPECT_TRUE(OnTo(services, addresses));
    EXPECT_EQ(addresses, "first@x; grid@x");
}

TEST(InternetAddresses, PlainAddressesOnly)
{
    for (const char* good : {"a@b", "first.last+tag@example.co.uk"})
        EXPECT_TRUE(is_internet_address(good)) << good;
    for (const char* bad : {"", "a", "@b", "a@", "a@b@c", "a b@c", "<a@b>", "a@b;c", "-a@b", "a\r@b", "\"a\"@b"})
        EXPECT_FALSE(is_internet_address(bad)) << bad;
}

void write_file(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

TEST(FileAddressBooks, ContactFoldersPersonalBooksAndSpecialFiles)
{
    platform::testing::temporary_folder root;
    const std::filesystem::path top = root.path() + "/contacts";
    write_file(top / "family" / "a.vcf", "BEGIN:VCARD\nFN:Mum\nEMAIL:mum@home\nEND:VCARD\n");
    write_file(top / "family" / "displayname", "Family\n");
    write_file(top / "family" / "cousins" / "c.vcf", "BEGIN:VCARD\nFN:Cy\nEMAIL:cy@x\nEND:VCARD\n");
    write_file(top / "mail" / "inner" / "d.vcf", "BEGIN:VCARD\nFN:Hidden\nEMAIL:hidden@x\nEND:VCARD\n");
    std::filesystem::create_directory_symlink(top, top / "family" / "loop");
    contacts::file_address_books books({root.path() + "/personal.ldif", top.string()});

    std::vector<contacts::contact_folder> folders;
    std::vector<contacts::contact_card> cards;
    std::string problem;
    ASSERT_TRUE(books.read_contact_store(folders, cards, problem));
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[0].name, "Family");
    EXPECT_EQ(folders[1].name, "  cousins");
    EXPECT_EQ(folders[1].id, "family/cousins");
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[1].folder_id, "family/cousins");
    EXPECT_TRUE(books.opens(3));

    EXPECT_FALSE(books.opens(2));
    write_file(root.path() + "/personal.ldif", "dn: cn=P\ncn: P\nmail: p@x\n");
    ASSERT_TRUE(books.opens(2));
    auto personal = books.open(2, problem);
    ASSERT_TRUE(personal);
    ASSERT_EQ(personal->entries().size(), 1u);
    EXPECT_EQ(personal->resolve("P@X")->display_name, "P");

    std::filesystem::remove(root.path() + "/personal.ldif");
    ASSERT_EQ(::mkfifo((root.path() + "/personal.ldif").c_str(), 0600), 0);
    EXPECT_FALSE(books.open(2, problem));
    EXPECT_EQ(problem, root.path() + "/personal.ldif: not a regular file");
}

}
}
