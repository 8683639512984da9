#pragma once

#include <string>
#include <string_view>

namespace conversion {

// What a click-to page shows besides its target: the refresh delay in seconds and the two
// texts around the visible target ("Please wait for page", "to load...").
struct clickto_page_texts {
    int delay = 1;
    std::string wait;
    std::string to_load;
};

// The page's base name for an address and click-to number: the address as a file name
// ("http://" put in front when it has no "//", a trailing ".htm" or ".html" dropped), alone
// when it starts with a letter or digit and fits 38 bytes, else behind "clickto<number>_"
// and cut to 38 bytes on a character boundary. Always one path component.
std::string clickto_base_name(std::string_view address, int number);

// The target as it may stand in the refresh line: ";", quotes, "<", ">" and control bytes
// percent-encoded, "&" as a character reference.
std::string clickto_refresh_target(std::string_view target);

// The redirect page for a trimmed target: one refresh META to it and the escaped target as
// text.
std::string clickto_page_text(std::string_view target, const clickto_page_texts& texts);

// Writes the redirect page of an address (trimmed) into the private temporary folder under
// its base name and ".html"; a name already taken there gets "-2", "-3"... so no other
// click-to's page is replaced. The page's path; throws std::runtime_error naming the file
// when it cannot be written.
std::string write_clickto_page(std::string_view address, int number, const clickto_page_texts& texts);

}
