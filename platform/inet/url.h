#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::inet {

// The canonical form of a URL: before the first "?" or "#", %XX escapes are decoded and blanks
// written %20; the rest stays as written; dot segments stay. Escapes whose byte would change
// the URL's meaning or is not printable ASCII (% ? # / controls, non-ASCII) stay encoded, so
// the form is stable. No value for a text without "scheme://".
std::optional<std::string> canonicalize_url(std::string_view url);

struct url_components {
    std::int32_t scheme = -1; // scheme numbers of inet_constants.h, -1 for another scheme
    std::string scheme_name;
    std::string host;         // without the brackets of an IPv6 address
    std::uint16_t port = 0;   // the scheme's default when the URL names none
    std::string user;
    std::string password;
    std::string path;         // the path with its query, without the fragment
};

// Cracks a URL through libcurl's URL parser; no value when it cannot be parsed or names no host.
std::optional<url_components> crack_url(std::string_view url);

}
