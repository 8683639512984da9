#pragma once

namespace shell {

// The decisions of the Additional page, apart from its controls.

// The address book shown: the stored one, unless it is 0 or a book that does not open;
// then the first of MAPI (3) and Windows (2) that opens, else 0.
int shown_address_book(int stored, bool mapi_book_opens, bool windows_book_opens);

// The transport shown: 2 without Simple MAPI shows as 3; a number outside 0-3 as 0.
int shown_transport(int stored, bool simple_mapi);

struct AdditionalEnables {
    bool smtp_fields = false;    // server, time-out and its up-down: "&SMTP Native" only
    bool secure = false;         // "Use Se&cure Connection": "&HTTP Input Agent" only
    bool mapi_transport = false; // "SMTP MAPI &Transport": with Simple MAPI only
    bool dialup_radio = false;   // with usable dial-up networking only
    bool settings = false;       // "Setti&ngs...": while the dial-up radio is selected
    bool view = false;           // "Standard" and "Enhanced"
    bool operator==(const AdditionalEnables&) const = default;
};

struct AdditionalChoices {
    int transport = 3;            // the selected transport radio
    bool simple_mapi = false;
    bool dialup_usable = false;
    bool dialup_selected = false;
    bool mapi_book_selected = false;
    bool mail_client_registered = false; // one of the mail client's ProgIDs is registered
};

AdditionalEnables additional_enables(const AdditionalChoices& choices);

}
