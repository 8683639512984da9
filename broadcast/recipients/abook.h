#pragma once

#include "broadcast/contacts/address_books.h"
#include "platform/mail/address_books.h"
#include "platform/ui/dialog.h"

#include <memory>
#include <string>

namespace broadcast {

// Address-book access by provider number (3 the contact store, 2 the personal book; no other
// number has a provider): choosing a provider, and picking recipients into an addresses text.
class CAbook {
public:
    // Only finds out which providers open.
    explicit CAbook(platform::mail::address_books& books) : probe_(books) { }
    // Reads the books too.
    explicit CAbook(contacts::book_provider& books) : probe_(books), books_(&books) { }
    virtual ~CAbook() { Release(); }
    CAbook(const CAbook&) = delete;
    CAbook& operator=(const CAbook&) = delete;

    // 1 when the provider's address book opens (and is released again), else 0.
    int TryProvider(int provider);
    // The first of 3, 2 and 1 that opens; 0 when none does.
    int DetectProvider();

    // Opens the provider's book in place of any open one: 1, or 0 with nothing held.
    int Open(int provider);
    void Release() { book_.reset(); }

    // Runs the address dialog pre-filled with the text's addresses and, when the user confirms,
    // replaces the text with the chosen internet addresses ("; " between them). False, the text
    // unchanged, when the book does not open or the user cancels.
    bool SelectNames(platform::ui::UiHost& host, const platform::ui::DialogTemplates& dialogs, int provider,
        std::string& addresses);

    // Appends (after "; " when the text is not empty) the internet address of the book entry;
    // false when it has none.
    bool EmailFromEntryId(const std::string& entry_id, std::string& text) const;
    // A directory user's primary internet address: the first "SMTP:" proxy of the entry.
    bool ExchangeSmtpAddress(const contacts::book_entry& entry, std::string& text) const;

    const contacts::address_book* book() const { return book_.get(); }
    // Why the last Open failed.
    const std::string& problem() const { return problem_; }

private:
    platform::mail::address_books& probe_;
    contacts::book_provider* books_ = nullptr;
    std::unique_ptr<contacts::address_book> book_;
    std::string problem_;
};

// Appends the address to an addresses text, "; " between.
void append_address(std::string& text, const std::string& address);

}
