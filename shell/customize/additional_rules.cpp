#include "shell/customize/additional_rules.h"

namespace shell {

int shown_address_book(int stored, bool mapi_book_opens, bool windows_book_opens)
{
    bool usable = !(stored == 0 || (stored == 3 && !mapi_book_opens) || (stored == 2 && !windows_book_opens));
    if (usable)
        return stored;
    if (mapi_book_opens)
        return 3;
    return windows_book_opens ? 2 : 0;
}

int shown_transport(int stored, bool simple_mapi)
{
    if (stored == 2 && !simple_mapi)
        return 3;
    return stored >= 0 && stored <= 3 ? stored : 0;
}

AdditionalEnables additional_enables(const AdditionalChoices& choices)
{
    AdditionalEnables enables;
    enables.smtp_fields = choices.transport == 1;
    enables.secure = choices.transport == 3;
    enables.mapi_transport = choices.simple_mapi;
    enables.dialup_radio = choices.dialup_usable;
    enables.settings = choices.dialup_usable && choices.dialup_selected;
    enables.view = choices.mapi_book_selected && choices.mail_client_registered;
    return enables;
}

}
