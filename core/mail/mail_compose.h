#pragma once

#include "platform/mail/simple_mapi.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// An attachment's name and bytes, read by the caller.
struct attachment_bytes {
    std::string file_name;
    std::string bytes;
};

struct composed_mail {
    std::uint32_t code = platform::mail::SUCCESS_SUCCESS;  // a Simple MAPI code
    std::string text;                                       // the message, LF line ends
};

// One address fit for a header and an envelope: at most 900 bytes holding an "@", no
// control character or blank, none of "<", ">", ",", ";", '"' (which would end it or make
// it several), and no leading "-" (a program option).
bool usable_mail_address(std::string_view address);

// "Thu, 10 Dec 2026 14:03:05 +0000" of a local time with its offset.
std::string mail_date(const std::tm& when);

// The message the local mail system receives: Date, From (only for an originator with an
// address), To, Cc and Bcc by recipient class (1-3; another class gives 15, no recipient 25,
// an unusable address 14), Subject (CR and LF made blanks; RFC 2047 when not plain short
// ASCII), then a multipart body: the note as a UTF-8 text part when it is not empty, each
// attachment base64 in 76-character lines under its quoted name (RFC 2231 when not ASCII).
// No line begins with ".", no line exceeds 998 bytes, and no CR appears.
composed_mail compose_mail(const platform::mail::mapi_message& message, const std::vector<attachment_bytes>& files,
    const std::tm& date);

}
