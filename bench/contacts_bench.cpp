// The contact grid's road over 10,000 and 100,000 seeded, realistic vCards (one in fifty
// with a PHOTO), kept as one file and as 100 files of a contact store, beside a plain
// read_vcards of the same bytes in the same run. Ours: reading the store (GetAllContacts),
// filling the grid with all contacts and with one letter, a column sort, the silent resolve
// of 1,000 typed addresses in an opened book and the merge of 1,000 picked addresses into
// the address field. Processor time, median of 5 runs each. Targets: ours at most 3 times the parse at
// 100,000 cards; 100,000 cards at most 11 times 10,000, for both. Peak RSS is printed.
#include "bench/bench_runs.h"
#include "broadcast/contacts/address_books.h"
#include "broadcast/recipients/contacts_dialog.h"
#include "broadcast/recipients/mapi_book.h"
#include "broadcast/recipients/recipient_selection.h"
#include "platform/strings/string_table.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/ui_host.h"

#include <bitset>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <sys/resource.h>
#include <time.h>
#include <vector>

namespace {

constexpr int runs = 5;
constexpr double ratio_target = 3.0;
constexpr double growth_target = 11.0;
constexpr int file_count = 100;

const char* const given_names[] = {"Anna", "Ben", "Clara", "David", "Eva", "Felix", "Greta", "Hugo", "Ida", "Jonas",
    "Karla", "Leo", "Mia", "Noah", "Olga", "Paul", "Quinn", "Rosa", "Simon", "Tara", "Ugo", "Vera", "Walt", "Xenia",
    "Yusuf", "Zoe"};
const char* const family_names[] = {"Andersen", "Brown", "Castillo", "Dubois", "Eriksen", "Fischer", "Garcia",
    "Hoffmann", "Ivanova", "Jensen", "Kowalski", "Lindqvist", "Moreau", "Nakamura", "Okafor", "Petrov", "Quaresma",
    "Rossi", "Schmidt", "Tanaka", "Ueda", "Varga", "Weber", "Xu", "Yilmaz", "Zimmermann"};
const char* const companies[] = {"Northwind Traders", "Contoso Ltd", "Fabrikam", "Tailspin Toys", "Litware Inc",
    "Adventure Works", "Wide World Importers", "Proseware"};

std::string card_text(std::mt19937_64& random, int index)
{
    auto pick = [&random](auto& names) { return std::string(names[random() % std::size(names)]); };
    auto given = pick(given_names);
    auto family = pick(family_names);
    auto id = std::to_string(index);
    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    card += "N:" + family + ";" + given + ";;;\r\n";
    card += "FN:" + given + " " + family + "\r\n";
    card += "ORG:" + pick(companies) + ";Sales\r\n";
    card += "TITLE:Account Manager\r\n";
    card += "EMAIL;TYPE=INTERNET,PREF:" + given + "." + family + id + "@example.com\r\n";
    if (random() % 3 == 0)
        card += "EMAIL;TYPE=INTERNET:" + given + id + "@mail.example.net\r\n";
    card += "TEL;TYPE=WORK,VOICE:+49 30 " + std::to_string(1000000 + random() % 8999999) + "\r\n";
    card += "TEL;TYPE=CELL:+49 170 " + std::to_string(1000000 + random() % 8999999) + "\r\n";
    card += "ADR;TYPE=WORK:;;Main Street " + std::to_string(random() % 200) + ";Berlin;;10115;Germany\r\n";
    card += "URL:https://www.example.com/~" + given + id + "\r\n";
    card += "CATEGORIES:Customers,Newsletter\r\n";
    if (index % 50 == 0) {
        // A small picture, folded at 75 columns as writers do.
        std::string photo = "PHOTO;ENCODING=b;TYPE=JPEG:";
        for (int i = 0; i < 4000; ++i)
            photo += "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[random() % 64];
        for (std::size_t at = 0; at < photo.size(); at += 74)
            card += (at ? " " : "") + photo.substr(at, 74) + "\r\n";
    }
    card += "END:VCARD\r\n";
    return card;
}

struct book {
    std::string all;                 // every card, as one file
    std::vector<std::string> parts;  // the same cards over 100 files
    std::vector<std::string> addresses;
};

book make_book(int cards)
{
    std::mt19937_64 random(20261211 + static_cast<unsigned>(cards));
    book made;
    made.parts.resize(file_count);
    for (int i = 0; i < cards; ++i) {
        auto card = card_text(random, i);
        made.all += card;
        made.parts[static_cast<std::size_t>(i % file_count)] += card;
    }
    return made;
}

// A contact store of one book "Contacts" holding the files.
std::string write_store(const std::string& scratch, const std::string& name, const std::vector<std::string>& files)
{
    auto top = scratch + "/" + name;
    std::filesystem::create_directories(top + "/contacts");
    bench::write_file(top + "/contacts/displayname", "Contacts\n");
    for (std::size_t i = 0; i < files.size(); ++i)
        bench::write_file(top + "/contacts/part" + std::to_string(i) + ".vcf", files[i]);
    return top;
}

// Processor time of this process: the machine is shared, so waiting for a processor is not
// counted against either side.
double cpu_seconds()
{
    timespec now {};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double peak_rss_mb()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

struct figures {
    std::vector<double> peer;
    std::vector<double> ours;
};

// One run of each side over one store: the peer's parse of the same bytes, then our road.
void measure(const std::string& store, const book& made, const platform::ui::DialogTemplates& dialogs,
    platform::ui::UiHost& host, figures& into)
{
    auto start = cpu_seconds();
    auto parsed = broadcast::contacts::read_vcards(made.all);
    into.peer.push_back(cpu_seconds() - start);
    const std::size_t peer_cards = parsed.cards.size();
    parsed = {};

    start = cpu_seconds();
    broadcast::contacts::file_address_books books({"", store});
    broadcast::CMAPIBook reader(books);
    std::vector<std::string> names;
    std::vector<std::string> ids;
    std::vector<broadcast::contacts::contact_card> cards;
    if (reader.init() != 1 || !reader.GetAllContacts(names, ids, cards)) {
        std::fprintf(stderr, "contacts_bench: the contact store cannot be read\n");
        std::exit(2);
    }
    std::bitset<broadcast::contacts::field_count> used;
    for (int f = 0; f < broadcast::contacts::field_count; ++f)
        used[static_cast<std::size_t>(f)] = reader.used_field(f);
    broadcast::CContactsDialog2 grid(dialogs, host, cards, names, ids, used);
    if (!grid.create()) {
        std::fprintf(stderr, "contacts_bench: the contact grid cannot be made\n");
        std::exit(2);
    }
    grid.FillGrid();
    grid.FillGrid(broadcast::contacts::file_as, "m");
    grid.FillGrid();
    grid.user_click_column(1109, 0);

    // An opened book and 1,000 typed addresses resolved silently, then merged.
    std::vector<broadcast::contacts::book_entry> entries;
    entries.reserve(cards.size());
    for (std::size_t i = 0; i < cards.size(); ++i)
        entries.push_back({std::to_string(i), std::string(cards[i].field(broadcast::contacts::full_name)),
            std::string(cards[i].first_email()), "SMTP", {}});
    broadcast::contacts::address_book opened(std::move(entries));
    std::vector<std::string> picked;
    for (std::size_t i = 0; i < 1000; ++i) {
        const auto wanted = cards[(i * 7919) % cards.size()].first_email();
        if (const auto* found = opened.resolve(wanted))
            picked.push_back(found->email);
    }
    std::string field = "first@example.org; second@example.org";
    broadcast::merge_addresses(field, picked);
    into.ours.push_back(cpu_seconds() - start);
    if (picked.size() != 1000) {
        std::fprintf(stderr, "contacts_bench: %zu of 1000 addresses resolved\n", picked.size());
        std::exit(2);
    }
    if (peer_cards != cards.size()) {
        std::fprintf(stderr, "contacts_bench: the parse read %zu cards, the store %zu\n", peer_cards, cards.size());
        std::exit(2);
    }
}

}

int main()
{
    auto scratch = bench::make_scratch("contacts_bench");
    platform::strings::string_table strings;
    platform::ui::HeadlessHost host(strings);
    auto dialogs = platform::ui::DialogTemplates::load(std::string(TALVERIN_SHARE_DIR) + "/talverin/dialogs.txt");

    struct layout {
        int cards;
        bool split;
        std::string name;
        std::string store;
        figures measured;
    };
    std::map<int, book> made;
    std::vector<layout> layouts;
    for (int cards : {10000, 100000}) {
        made[cards] = make_book(cards);
        for (bool split : {false, true}) {
            auto name = std::to_string(cards) + (split ? " cards in 100 files" : " cards in one file");
            auto store = write_store(scratch, split ? "split" + std::to_string(cards) : "one" + std::to_string(cards),
                split ? made[cards].parts : std::vector<std::string> {made[cards].all});
            layouts.push_back({cards, split, name, store, {}});
        }
    }
    // The sizes take turns run by run, so that a machine busier for a while weighs on both.
    for (int run = 0; run < runs; ++run) {
        for (auto& l : layouts)
            measure(l.store, made[l.cards], dialogs, host, l.measured);
    }

    bool met = true;
    std::map<std::string, std::pair<double, double>> results;
    for (const auto& l : layouts) {
        const double ours = bench::median(l.measured.ours);
        const double peer = bench::median(l.measured.peer);
        results[std::to_string(l.cards) + (l.split ? "s" : "o")] = {peer, ours};
        const double ratio = ours / peer;
        std::printf("%s (%.1f MB): ours %.3f s, peer (read_vcards) %.3f s, ratio %.2f", l.name.c_str(),
            static_cast<double>(made[l.cards].all.size()) / 1e6, ours, peer, ratio);
        if (l.cards == 100000) {
            std::printf(" (target <= %.1f)%s", ratio_target, ratio <= ratio_target ? "" : "  MISSED");
            met = met && ratio <= ratio_target;
        }
        std::printf("\n");
    }
    for (const char* layout : {"o", "s"}) {
        const auto& small = results[std::string("10000") + layout];
        const auto& large = results[std::string("100000") + layout];
        double ours = large.second / small.second;
        double peer = large.first / small.first;
        std::printf("growth 10,000 -> 100,000 cards (%s): ours %.2f, peer %.2f (target <= %.0f)%s\n",
            *layout == 'o' ? "one file" : "100 files", ours, peer, growth_target,
            ours <= growth_target && peer <= growth_target ? "" : "  MISSED");
        met = met && ours <= growth_target && peer <= growth_target;
    }
    std::printf("peak RSS: %.0f MB\n", peak_rss_mb());
    std::filesystem::remove_all(scratch);
    return met ? 0 : 1;
}
