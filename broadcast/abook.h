#pragma once

#include "platform/mail/address_books.h"

namespace broadcast {

// Address-book access, as far as choosing a provider goes: 3 the MAPI address book, 2 the
// Windows Address Book; no other number has a provider.
class CAbook {
public:
    explicit CAbook(platform::mail::address_books& books) : books_(books) { }
    virtual ~CAbook() = default;

    // 1 when the provider's address book opens (and is released again), else 0.
    int TryProvider(int provider);
    // The first of 3, 2 and 1 that opens; 0 when none does.
    int DetectProvider();

private:
    platform::mail::address_books& books_;
};

}
