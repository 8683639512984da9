#include "broadcast/contacts/address_books.h"
#include "broadcast/contacts/contact_card.h"
#include "broadcast/contacts/vcard_reader.h"
#include "core/util/base64.h"
#include "core/util/utf8.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

namespace broadcast::contacts {
namespace {

using namespace std::string_literals;

const contact_card& only_card(const read_result& result)
{
    EXPECT_EQ(result.cards.size(), 1u);
    static const contact_card none;
    return result.cards.empty() ? none : result.cards.front();
}

TEST(VCards, EveryVersionFillsTheFields)
{
    const auto v21 = read_vcards("BEGIN:VCARD\r\nVERSION:2.1\r\nN:Doe;Jane;;;\r\nFN:Jane Doe\r\n"
                                 "EMAIL;INTERNET:second@x\r\nEMAIL;INTERNET;PREF:jane@x\r\n"
                                 "TEL;WORK;VOICE:111\r\nTEL;WORK;VOICE:112\r\nTEL;HOME:222\r\nTEL;CELL:333\r\n"
                                 "TEL;WORK;FAX:444\r\nTEL;PAGER:555\r\nTEL;PREF;VOICE:666\r\n"
                                 "ORG:Acme Inc.;Sales\r\nTITLE:Buyer\r\nADR;WORK:;;1 Main St;Springfield;;;\r\n"
                                 "ADR;HOME:;;2 Elm;Shelbyville;;;\r\nURL:http://acme.example\r\n"
                                 "NOTE;ENCODING=QUOTED-PRINTABLE:first=0D=0Asecond=\r\n third\r\nEND:VCARD\r\n");
    const auto& card = only_card(v21);
    EXPECT_EQ(card.field(full_name), "Jane Doe");
    EXPECT_EQ(card.field(email1), "jane@x");
    EXPECT_EQ(card.field(email2), "second@x");
    EXPECT_EQ(card.field(business_phone), "111");
    EXPECT_EQ(card.field(business_phone2), "112");
    EXPECT_EQ(card.field(home_phone), "222");
    EXPECT_EQ(card.field(mobile_phone), "333");
    EXPECT_EQ(card.field(business_fax), "444");
    EXPECT_EQ(card.field(pager), "555");
    EXPECT_EQ(card.field(primary_phone), "666");
    EXPECT_EQ(card.field(other_phone), "666");
    EXPECT_EQ(card.field(company), "Acme Inc.");
    EXPECT_EQ(card.field(department), "Sales");
    EXPECT_EQ(card.field(job_title), "Buyer");
    EXPECT_EQ(card.field(business_city), "Springfield");
    EXPECT_EQ(card.field(home_city), "Shelbyville");
    EXPECT_EQ(card.field(web_page), "http://acme.example");
    EXPECT_EQ(card.field(file_as), "Jane");
    EXPECT_TRUE(v21.skipped.empty());

    const auto v40 = read_vcards("BEGIN:VCARD\nVERSION:4.0\nFN:Ann\\, the \\;best\\\\\nitem1.EMAIL;TYPE=\"work,internet\";PREF=2:b@x\n"
                                 "EMAIL;PREF=1:a@x\nEMAIL:c@x\nEMAIL:d@x\nTEL;VALUE=uri;TYPE=\"voice,home\":tel:+1-555\n"
                                 "CATEGORIES:friends,work\nEND:VCARD\n");
    const auto& ann = only_card(v40);
    EXPECT_EQ(ann.field(full_name), "Ann, the ;best\\");
    EXPECT_EQ(ann.field(email1), "a@x");
    EXPECT_EQ(ann.field(email2), "b@x");
    EXPECT_EQ(ann.field(email3), "c@x");
    EXPECT_EQ(ann.field(home_phone), "tel:+1-555");
    EXPECT_EQ(ann.field(categories), "friends,work");
}

TEST(VCards, FoldedQuotedPrintableAndLatin1TextDecode)
{
    const auto result = read_vcards("BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FC=\r\nller\r\n"
                                    "TITLE:Head of \r\n everything\r\nEND:VCARD\r\n");
    const auto& card = only_card(result);
    EXPECT_EQ(card.field(full_name), "M\xC3\xBCller");
    EXPECT_EQ(card.field(job_title), "Head of everything");
}

TEST(VCards, DamagedCardsLoseOnlyTheirBadPart)
{
    struct row {
        const char* name;
        std::string book;
        std::size_t cards;
        std::size_t skipped_line; // 0: nothing skipped
    } rows[] = {
        {"no END", "BEGIN:VCARD\nFN:A\nEND:VCARD\nBEGIN:VCARD\nFN:cut\n", 1, 4},
        {"line without colon", "BEGIN:VCARD\nFN:A\nTEL 123\nEMAIL:a@x\nEND:VCARD\n", 1, 3},
        {"agent card inside", "BEGIN:VCARD\nFN:Boss\nAGENT:\nBEGIN:VCARD\nFN:Agent\nEMAIL:agent@x\nEND:VCARD\nEMAIL:boss@x\nEND:VCARD\n", 1, 0},
        {"agent on one line", "BEGIN:VCARD\nFN:Boss\nAGENT:BEGIN:VCARD\nFN:Agent\nEND:VCARD\nEND:VCARD\n", 1, 0},
        {"CR alone", "BEGIN:VCARD\rFN:A\rEND:VCARD\rBEGIN:VCARD\rFN:B\rEND:VCARD\r", 2, 0},
        {"NUL bytes", "BEGIN:VCARD\nFN:A\0B\nEND:VCARD\n"s, 1, 0},
        {"lines outside cards", "junk\n\nBEGIN:VCARD\nFN:A\nEND:VCARD\ntrailer", 1, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const auto result = read_vcards(r.book);
        EXPECT_EQ(result.cards.size(), r.cards);
        EXPECT_FALSE(result.failure);
        if (r.skipped_line == 0) {
            EXPECT_TRUE(result.skipped.empty());
        } else {
            ASSERT_EQ(result.skipped.size(), 1u);
            EXPECT_EQ(result.skipped[0].line, r.skipped_line);
        }
    }
    EXPECT_EQ(read_vcards("BEGIN:VCARD\nFN:A\0B\nEND:VCARD\n"s).cards[0].field(full_name), "AB");
    const auto boss = read_vcards(rows[2].book);
    EXPECT_EQ(boss.cards[0].field(email1), "boss@x");
    EXPECT_EQ(boss.cards[0].field(email2), "");
}

TEST(VCards, HugeAndManyValuesStayWithinLimits)
{
    std::string photo = "BEGIN:VCARD\nFN:Pic\nPHOTO;ENCODING=b;TYPE=JPEG:";
    for (int i = 0; i < 150'000; ++i)
        photo += std::string(70, 'Q') + "\n ";
    photo += "QQ\nEMAIL:pic@x\nEND:VCARD\n";
    const auto pictured = read_vcards(photo);
    EXPECT_EQ(only_card(pictured).field(email1), "pic@x");

    std::string many = "BEGIN:VCARD\nFN:M\n";
    for (int i = 0; i < 100'000; ++i)
        many += "EMAIL:a" + std::to_string(i) + "@x\n";
    many += "END:VCARD\n";
    const auto many_read = read_vcards(many);
    const auto& card = only_card(many_read);
    EXPECT_EQ(card.field(email1), "a0@x");
    EXPECT_EQ(card.field(email3), "a2@x");

    read_limits limits;
    limits.max_line_bytes = 100;
    limits.max_cards = 2;
    const auto limited = read_vcards("BEGIN:VCARD\nFN:" + std::string(200, 'n') + "\nEMAIL:a@x\nEND:VCARD\n"
                                     "BEGIN:VCARD\nFN:B\nEND:VCARD\nBEGIN:VCARD\nFN:C\nEND:VCARD\n", limits);
    ASSERT_EQ(limited.cards.size(), 2u);
    EXPECT_EQ(limited.cards[0].field(full_name), "");
    EXPECT_EQ(limited.cards[0].field(email1), "a@x");
    EXPECT_EQ(limited.skipped.size(), 1u);
    ASSERT_TRUE(limited.failure);

    limits.max_file_bytes = 10;
    EXPECT_TRUE(read_vcards("BEGIN:VCARD\nFN:A\nEND:VCARD\n", limits).failure);
}

// Every field of every card, the parts skipped and the failure, as one text to compare.
std::string described(const read_result& result)
{
    std::string text;
    for (const auto& card : result.cards) {
        for (int index = 0; index < field_count; ++index)
            text += std::to_string(index) + "=" + std::string(card.field(index)) + "|";
        text += "\n";
    }
    for (const auto& part : result.skipped)
        text += "skipped " + std::to_string(part.line) + " " + part.reason + "\n";
    return text + (result.failure ? "failed " + *result.failure : "");
}

// Books whose lines fold, break softly, end in CR, LF or both, and are damaged.
const std::vector<std::string>& piecewise_books()
{
    static const std::vector<std::string> books = {
        "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Doe;Jane;;;\r\nFN:Jane Doe\r\nEMAIL;INTERNET:second@x\r\n"
        "EMAIL;PREF:jane@x\r\nTEL;WORK;VOICE:111\r\nFN;ENCODING=QUOTED-PRINTABLE:a=\r\nb=\r\n\r\nc\r\n"
        "TITLE:Head of \r\n everything\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:B\r\nEND:VCARD\r\n",
        "BEGIN:VCARD\nFN:A\nEND:VCARD\nBEGIN:VCARD\nFN:cut\n",
        "BEGIN:VCARD\nFN:Boss\nAGENT:\nBEGIN:VCARD\nFN:Agent\nEND:VCARD\nEMAIL:boss@x\nEND:VCARD\n"
        "BEGIN:VCARD\nFN:Two\nTEL 1\nEND:VCARD\n",
        "BEGIN:VCARD\rFN:A\rEND:VCARD\rBEGIN:VCARD\rFN:B\r \r more\rTITLE:x\r\n y\rEND:VCARD\r",
        "\r\n\nBEGIN:VCARD\nFN:" + std::string(300, 'n') + "\n EMAIL:x\nEND:VCARD\njunk\n \n stray\n\n"
        "BEGIN:VCARD\nFN:C\nEND:VCARD\ntrailer",
    };
    return books;
}

read_limits piecewise_limits()
{
    read_limits limits;
    limits.max_line_bytes = 200;
    return limits;
}

TEST(VCards, TextGivenInPiecesReadsAsTheWholeText)
{
    const auto limits = piecewise_limits();
    for (const auto& book : piecewise_books()) {
        const auto expected = described(read_vcards(book, limits));
        for (std::size_t cut = 0; cut <= book.size(); ++cut) {
            SCOPED_TRACE(book.substr(0, 30) + " cut at " + std::to_string(cut));
            vcard_reader reader(limits);
            const std::size_t taken = reader.read(std::string_view(book).substr(0, cut), false);
            ASSERT_LE(taken, cut);
            reader.read(std::string_view(book).substr(taken), true);
            EXPECT_EQ(described(reader.finish()), expected);
        }
        for (std::size_t piece : {1, 2, 3, 5}) {
            SCOPED_TRACE(book.substr(0, 30) + " in pieces of " + std::to_string(piece));
            vcard_reader reader(limits);
            std::string pending;
            for (std::size_t at = 0; at < book.size();) {
                pending += book.substr(at, piece);
                at += piece;
                pending.erase(0, reader.read(pending, at >= book.size()));
            }
            EXPECT_EQ(described(reader.finish()), expected);
        }
    }
}

TEST(VCards, ABookReadFromItsFileInBlocksReadsAsItsWholeText)
{
    const auto folder = std::filesystem::path(::testing::TempDir()) / "vcard_blocks";
    std::filesystem::create_directories(folder);
    // The first 4 KiB are read at once to learn the format: a card of short notes comes first.
    std::string first_card = "BEGIN:VCARD\nFN:First\n";
    while (first_card.size() < 5000)
        first_card += "NOTE:some words\n";
    first_card += "END:VCARD\n";
    auto limits = piecewise_limits();
    for (const auto& own : piecewise_books()) {
        const std::string book = first_card + own;
        const auto expected = described(read_vcards(book, limits));
        const auto path = (folder / "book.vcf").string();
        std::ofstream(path, std::ios::binary) << book;
        for (std::size_t block : {1, 7, 64, 1 << 20}) {
            SCOPED_TRACE(own.substr(0, 30) + " in blocks of " + std::to_string(block));
            limits.block_bytes = block;
            EXPECT_EQ(described(read_book_file(path, limits)), expected);
        }
    }
    // More cards than the limit stop the reading wherever the blocks fall.
    limits.max_cards = 1;
    limits.block_bytes = 5;
    std::ofstream((folder / "two.vcf").string(), std::ios::binary) << first_card + piecewise_books()[0];
    const auto limited = read_book_file((folder / "two.vcf").string(), limits);
    EXPECT_EQ(limited.cards.size(), 1u);
    EXPECT_TRUE(limited.failure);
}

TEST(ContactCard, KeepsEachFieldWhateverItsLength)
{
    contact_fields fields;
    const std::size_t lengths[] = {1, 127, 128, 16383, 16384, 70000};
    for (std::size_t index = 0; index < fields.size(); ++index) {
        if (index % 3 != 1)
            fields[index] = std::string(lengths[index % std::size(lengths)], static_cast<char>('a' + index % 26));
    }
    const contact_card card(fields);
    for (int index = 0; index < field_count; ++index)
        EXPECT_EQ(card.field(index), fields[static_cast<std::size_t>(index)]) << index;
    EXPECT_EQ(card.field(-1), "");
    EXPECT_EQ(card.field(field_count), "");
    EXPECT_EQ(card.first_email(), fields[email3]); // the first two are empty
    EXPECT_EQ(contact_card().field(full_name), "");
}

TEST(AddressBook, FindsEntriesByExactIdAndByAddressIgnoringCase)
{
    std::vector<book_entry> entries;
    for (int i = 0; i < 5000; ++i)
        entries.push_back({"id" + std::to_string(i), "Name " + std::to_string(i), "user" + std::to_string(i) + "@Example.com", "SMTP", {}});
    entries.push_back({"first", "First", "same@x", "SMTP", {}});
    entries.push_back({"second", "Second", "SAME@X", "SMTP", {}});
    entries.push_back({"blank", "No address", "", "SMTP", {}});
    const address_book book(std::move(entries));
    for (int i = 0; i < 5000; i += 7) {
        ASSERT_NE(book.resolve("USER" + std::to_string(i) + "@example.COM"), nullptr) << i;
        EXPECT_EQ(book.resolve("user" + std::to_string(i) + "@example.com")->id, "id" + std::to_string(i));
        EXPECT_EQ(book.entry("id" + std::to_string(i))->display_name, "Name " + std::to_string(i));
    }
    EXPECT_EQ(book.resolve("same@x")->id, "first"); // the first of equal addresses
    EXPECT_EQ(book.resolve(""), nullptr);
    EXPECT_EQ(book.resolve("user5000@example.com"), nullptr);
    EXPECT_EQ(book.resolve("user1@example.co"), nullptr);
    EXPECT_EQ(book.entry("ID1"), nullptr); // ids compare exactly
    EXPECT_EQ(book.entry("blank")->display_name, "No address");
    EXPECT_EQ(address_book({}).resolve("a@x"), nullptr);
}

TEST(Ldif, RecordsWithBase64FoldingAndSkippedParts)
{
    const auto result = read_ldif("version: 1\n# a comment\n folded comment\ndn: cn=Jos\xC3\xA9,o=x\ncn:: Sm9zw6k=\n"
                                  "mail: jose@x\nmozillaSecondEmail: j2@x\ntelephoneNumber: 555\n 0100\ngivenName: Jos\xC3\xA9\n"
                                  "o: Acme\njpegPhoto:< file:///etc/passwd\ndescription:: !!notbase64\n\n"
                                  "dn: cn=gone\nchangetype: delete\n\nmail: no-dn@x\n\ndn: cn=Last\nsn: Last\ngivenName: Lee\n");
    ASSERT_EQ(result.cards.size(), 2u);
    const auto& jose = result.cards[0];
    EXPECT_EQ(jose.field(full_name), "Jos\xC3\xA9");
    EXPECT_EQ(jose.field(email1), "jose@x");
    EXPECT_EQ(jose.field(email2), "j2@x");
    EXPECT_EQ(jose.field(business_phone), "5550100");
    EXPECT_EQ(jose.field(company), "Acme");
    EXPECT_EQ(jose.field(file_as), "Jos\xC3\xA9");
    EXPECT_EQ(result.cards[1].field(full_name), "Lee Last");
    ASSERT_EQ(result.skipped.size(), 3u);
    EXPECT_EQ(result.skipped[0].line, 12u); // the URL value
    EXPECT_EQ(result.skipped[1].line, 13u); // the bad base64
    EXPECT_EQ(result.skipped[2].line, 18u); // the record without dn

    // A line past the limit is skipped whether or not it is folded.
    read_limits limits;
    limits.max_line_bytes = 100;
    const std::string long_value(150, 'm');
    const auto limited = read_ldif("dn: cn=A\nmail: " + long_value + "@x\ncn: A\nmail: a@x\n o: " + long_value + "\n", limits);
    ASSERT_EQ(limited.cards.size(), 1u);
    EXPECT_EQ(limited.cards[0].field(email1), "");
    EXPECT_EQ(limited.cards[0].field(full_name), "A");
    ASSERT_EQ(limited.skipped.size(), 2u);
    EXPECT_EQ(limited.skipped[0].line, 2u);
    EXPECT_EQ(limited.skipped[1].line, 4u);
}

TEST(ContactsCsv, HeadingsDelimitersQuotesAndEncodings)
{
    const auto commas = read_contacts_csv("\xEF\xBB\xBF\"First Name\",\"E-mail Address\",Full Name,Company,Unmapped\r\n"
                                          "Jane,jane@x,\"Doe, Jane\",\"Acme \"\"Q\"\"\nLtd\",zzz\r\n,,,,\r\nBob,bob@x,Bob B,,\r\n");
    ASSERT_EQ(commas.cards.size(), 2u);
    EXPECT_EQ(commas.cards[0].field(full_name), "Doe, Jane");
    EXPECT_EQ(commas.cards[0].field(company), "Acme \"Q\"\nLtd");
    EXPECT_EQ(commas.cards[0].field(file_as), "Jane");
    EXPECT_EQ(commas.cards[1].field(email1), "bob@x");

    const auto semicolons = read_contacts_csv("Name;Email;Secondary Email\nA;a@x;a2@x\n");
    EXPECT_EQ(only_card(semicolons).field(email2), "a2@x");
    const auto tabs = read_contacts_csv("Name\tEmail\nB\tb@x\n");
    EXPECT_EQ(only_card(tabs).field(email1), "b@x");

    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("Name,Email\r\nM\xFC,m@x\r\n"))
        utf16 += std::string {c, '\0'};
    const auto wide = read_contacts_csv(utf16);
    EXPECT_EQ(only_card(wide).field(full_name), "M\xC3\xBC");

    const auto open_quote = read_contacts_csv("Name,Email\nA,a@x\n\"B,b@x\nC,c@x\n");
    EXPECT_EQ(open_quote.cards.size(), 1u);
    ASSERT_EQ(open_quote.skipped.size(), 1u);
    EXPECT_EQ(open_quote.skipped[0].line, 3u);
}

// Python's csv module reads the same rows from generated files.
TEST(ContactsCsv, RowsAgreeWithPythonsReader)
{
    if (!std::filesystem::exists("/usr/bin/python3"))
        GTEST_SKIP() << "no /usr/bin/python3";
    std::mt19937 random(7);
    const char pieces[] = {'a', 'b', ' ', ',', '"', '\n', 'x', '\r'};
    for (int round = 0; round < 30; ++round) {
        std::string body = "Name,Email,Company\n";
        for (int row = 0; row < 5; ++row) {
            for (int column = 0; column < 3; ++column) {
                std::string value;
                for (int i = static_cast<int>(random() % 6); i > 0; --i)
                    value += pieces[random() % sizeof pieces];
                std::string quoted = "\"";
                for (char c : value)
                    quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
                body += quoted + "\"" + (column < 2 ? "," : "\n");
            }
        }
        const auto path = std::filesystem::temp_directory_path() / ("contacts_csv_" + std::to_string(::getpid()) + ".csv");
        std::ofstream(path, std::ios::binary) << body;
        const std::string command = "/usr/bin/python3 -c \"import csv,sys\nrows=list(csv.reader(open(sys.argv[1],newline='')))[1:]\n"
                                    "[print(repr([f.strip(' ') for f in r])) for r in rows if any(f.strip(' ') for f in r)]\" "
                                    + path.string();
        std::string expected;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[4096];
            while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
                expected.append(buffer, n);
            pclose(pipe);
        }
        std::filesystem::remove(path);
        std::string ours;
        for (const auto& card : read_contacts_csv(body).cards) {
            const std::string_view fields[] = {card.field(full_name), card.field(email1), card.field(company)};
            std::string line = "[";
            for (int i = 0; i < 3; ++i) {
                std::string repr = "'";
                for (char c : fields[i])
                    repr += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : c == '\'' ? std::string("\\'") : std::string(1, c);
                line += repr + "'" + (i < 2 ? ", " : "]\n");
            }
            ours += line;
        }
        // Python's repr prefers double quotes for a text holding a single quote; none is generated.
        EXPECT_EQ(ours, expected) << body;
    }
}

TEST(Utf8, BadSequencesBecomeReplacementCharacters)
{
    EXPECT_EQ(core::sanitize_utf8("ok \xC3\xBC"), "ok \xC3\xBC");
    EXPECT_EQ(core::sanitize_utf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");      // overlong
    EXPECT_EQ(core::sanitize_utf8("\xED\xA0\x80"), "\xEF\xBF\xBD"); // a surrogate
    EXPECT_EQ(core::sanitize_utf8("a\xE2\x82"), "a\xEF\xBF\xBD");                // cut at the end
    EXPECT_EQ(core::sanitize_utf8("\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(core::utf16_to_utf8(std::string("\x3D\xD8\x00\xDE", 4), false), "\xF0\x9F\x98\x80");
    EXPECT_EQ(core::utf16_to_utf8(std::string("\x00\x41\xD8", 3), true), "A\xEF\xBF\xBD");
}

TEST(Base64Decode, StandardAlphabetWithAndWithoutPadding)
{
    EXPECT_EQ(core::base64_decode("Sm9zw6k="), "Jos\xC3\xA9");
    EXPECT_EQ(core::base64_decode("Sm9zw6k"), "Jos\xC3\xA9");
    EXPECT_EQ(core::base64_decode("QU\n JD"), "ABC");
    EXPECT_EQ(core::base64_decode(""), "");
    EXPECT_FALSE(core::base64_decode("!!"));
    EXPECT_FALSE(core::base64_decode("QQ=Q"));
    EXPECT_FALSE(core::base64_decode("Q"));
}

}
}
