#pragma once

#include "broadcast/contacts/contact_card.h"
#include "core/markup/ascii.h"
#include "platform/mail/address_books.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace broadcast::contacts {

// One addressable entry of a book: its id, the name shown and its address; "SMTP" entries
// carry an internet address, "EX" entries (directory users) their proxy addresses.
struct book_entry {
    std::string id;
    std::string display_name;
    std::string email;
    std::string type = "SMTP";
    std::vector<std::string> proxies;
};

// An opened address book: its entries, by id and by address.
class address_book {
public:
    explicit address_book(std::vector<book_entry> entries);
    // The lookups hold views of the entries' own text.
    address_book(const address_book&) = delete;
    address_book& operator=(const address_book&) = delete;

    const std::vector<book_entry>& entries() const { return entries_; }
    const book_entry* entry(std::string_view id) const;
    // The entry with this address, case ignored: the silent resolve of a typed address.
    const book_entry* resolve(std::string_view address) const;

private:
    // The positions of the entries by one key of theirs, in an open-addressed table at most
    // half full: a book may hold a million entries, and a node for each would scatter them
    // over memory. The first entry of a key is the one found.
    class index {
    public:
        using key_of = std::string_view (*)(const book_entry&);
        index(const std::vector<book_entry>& entries, key_of key, bool ignore_case);
        const book_entry* find(const std::vector<book_entry>& entries, std::string_view key) const;

    private:
        std::uint64_t hash(std::string_view key) const;
        bool same(std::string_view a, std::string_view b) const;

        // An entry's place: 0 for an empty slot, else 1 + its position; with the top bits of
        // its key's hash, so that most other keys are told apart without reaching the entry.
        struct slot {
            std::uint32_t place = 0;
            std::uint32_t tag = 0;
        };
        key_of key_;
        bool ignore_case_;
        std::vector<slot> slots_;
    };

    std::vector<book_entry> entries_;
    index by_id_;
    index by_address_; // addresses compare with ASCII case ignored
};

// A folder of the contact store: its id (the path below the top), the name shown (indented by
// two blanks per level) and its cards.
struct contact_folder {
    std::string id;
    std::string name;
    int level = 0;
};

// Where the books are: provider 2 reads one exported book (vCard, LDIF or CSV by content),
// provider 3 a contacts folder kept as vCard sync tools keep it (a subfolder per book with
// ".vcf" files and an optional "displayname" file).
struct book_locations {
    std::string personal_book;
    std::string contacts_folder;
};

// The address books by provider number, opened for reading.
class book_provider : public platform::mail::address_books {
public:
    // The provider's book; nothing, with the reason in `problem`, when it does not open or
    // cannot be read.
    virtual std::unique_ptr<address_book> open(int provider, std::string& problem) const = 0;
    // The contact folders below the top of the contact store, a parent before its children,
    // and their cards (folder_id set); false, with the reason, when the store cannot be read.
    virtual bool read_contact_store(std::vector<contact_folder>& folders, std::vector<contact_card>& cards,
        std::string& problem) const = 0;
};

// The books read from files; they are only ever read.
class file_address_books final : public book_provider {
public:
    explicit file_address_books(book_locations locations) : locations_(std::move(locations)) { }

    bool opens(int provider) override;
    std::unique_ptr<address_book> open(int provider, std::string& problem) const override;
    bool read_contact_store(std::vector<contact_folder>& folders, std::vector<contact_card>& cards,
        std::string& problem) const override;

    const book_locations& locations() const { return locations_; }

private:
    book_locations locations_;
};

// Reads a book file of any of the three formats, chosen by its first bytes.
read_result read_book_file(const std::string& path, const read_limits& limits = {});

}
