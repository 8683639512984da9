#pragma once

namespace platform::mail {

// Opening the system's address books by provider number (3 the MAPI address book, 2 the
// Windows Address Book): whether one opens and can be released again.
class address_books {
public:
    virtual ~address_books() = default;
    virtual bool opens(int provider) = 0;
};

// No address book opens on this platform.
class system_address_books final : public address_books {
public:
    bool opens(int) override { return false; }
};

}
