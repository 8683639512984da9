#pragma once

#include "broadcast/contacts/address_books.h"

#include <bitset>
#include <optional>
#include <string>
#include <vector>

namespace broadcast {

// The contacts of the contact store for the contact grid: every contact of every contact
// folder, the folders listed a parent before its children with their names indented by
// level, and the fields that any contact read holds (the grid's columns).
class CMAPIBook {
public:
    explicit CMAPIBook(contacts::book_provider& books) : books_(books) { }

    // 1 when the contact store opens; it stays open while the object lives.
    int init();
    void clear() { open_ = false; }

    // The folders (names and ids, the ids as two lower-case hex digits per byte of the
    // folder's own id) and their contacts, appended; false when init has not succeeded or
    // the store cannot be read.
    bool GetAllContacts(std::vector<std::string>& folder_names, std::vector<std::string>& folder_ids,
        std::vector<contacts::contact_card>& cards);

    // The first e-mail address of the contact whose entry id is given in hex; empty when
    // the id is not hex or names no contact.
    std::string GetEmailByEntryID(const std::string& hex_id);

    void ClearUsedFields() { used_fields_.reset(); }
    bool used_field(int index) const { return index >= 0 && index < contacts::field_count && used_fields_[static_cast<std::size_t>(index)]; }

private:
    contacts::book_provider& books_;
    bool open_ = false;
    std::bitset<contacts::field_count> used_fields_;
};

// '0'-'9' 0-9, 'a'-'f' 10-15, anything else (upper-case letters too) -1.
int HexDigitValue(char c);
// The text read as a hexadecimal number after lower-casing it; nothing when a character is
// not a hex digit or the text is empty.
std::optional<unsigned long long> HexToNumber(const std::string& text);
// Two lower-case hex digits per byte.
std::string hex_of(const std::string& bytes);

}
