#include "broadcast/wininet/wininet_url.h"

#include "broadcast/wininet/wininet_exceptions.h"
#include "core/errors/load_library.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "platform/inet/inet_constants.h"
#include "platform/inet/last_error.h"
#include "platform/inet/wininet_library.h"

#include <vector>

namespace {

using platform::inet::wininet::DWORD;

// Canonicalisation: no encoding, decoding, no meta, blanks only, browser mode.
constexpr DWORD canonical_flags = 0x3E000000;
constexpr DWORD component_room = 2084;
constexpr std::uint32_t proc_not_found = 127;

template <class Signature>
const std::function<Signature>& url_entry(const core::checked_library& library, const char* name)
{
    const std::function<Signature>* entry = library.module->find<Signature>(name);
    if (!entry)
        throw wininet_dll_failure(std::string("Missing DLL entry: ") + name, proc_not_found);
    return *entry;
}

}

wininet_url::wininet_url(const platform::library::library_table& libraries) : libraries_(&libraries) { }

wininet_url::wininet_url(const platform::library::library_table& libraries, const char* text) : libraries_(&libraries)
{
    build(text);
}

wininet_url& wininet_url::operator=(const char* text)
{
    wininet_url parsed(*libraries_, text);
    *this = parsed;
    return *this;
}

void wininet_url::append(const char* relative)
{
    if (!relative || !*relative)
        return;
    if (!canonical_ || canonical_->empty()) {
        *this = relative;
        return;
    }
    std::string joined = *canonical_;
    if (joined.back() != '/')
        joined += '/';
    joined += relative[0] == '/' ? relative + 1 : relative;
    *this = joined.c_str();
}

void wininet_url::build(const char* text)
{
    if (!text || !*text)
        return;
    std::string url(text);
    if (core::starts_with_ignoring_case(url, "www."))
        url.insert(0, "http://");
    bool known_scheme = false;
    for (const char* prefix : {"http://", "https://", "ftp://", "gopher://"})
        known_scheme = known_scheme || core::starts_with_ignoring_case(url, prefix);
    if (!known_scheme)
        url.insert(0, "http://");

    auto library = core::load_library_checked(*libraries_, "WININET",
        [](const std::string& message, std::uint32_t error) { throw wininet_dll_failure(message, error); });
    const auto& canonicalize = url_entry<platform::inet::wininet::InternetCanonicalizeUrlA>(library,
        "InternetCanonicalizeUrlA");
    const auto& crack = url_entry<platform::inet::wininet::InternetCrackUrlA>(library, "InternetCrackUrlA");

    char probe[1] = {};
    DWORD length = sizeof probe;
    if (canonicalize(url.c_str(), probe, &length, canonical_flags)) {
        canonical_ = std::string(probe, length);
    } else if (platform::inet::last_error() == platform::inet::error_insufficient_buffer) {
        std::vector<char> buffer(length + 1);
        DWORD room = static_cast<DWORD>(buffer.size());
        if (!canonicalize(url.c_str(), buffer.data(), &room, canonical_flags)) {
            TRACE_LOG("Second call to InternetCanonicalizeUrl failed. Unexpected error.%u", platform::inet::last_error());
            return;
        }
        canonical_ = std::string(buffer.data(), room);
    } else {
        TRACE_LOG("InternetCanonicalizeUrl(%s) returned the error=%u", url.c_str(), platform::inet::last_error());
        return;
    }

    std::vector<char> host(component_room + 1);
    std::vector<char> path(component_room + 1);
    platform::inet::wininet::url_components parts;
    parts.host_name = host.data();
    parts.host_name_length = component_room;
    parts.url_path = path.data();
    parts.url_path_length = component_room;
    if (!crack(canonical_->c_str(), 0, 0, &parts)) {
        TRACE_LOG("InternetCrackUrl failed with the following error=%u", platform::inet::last_error());
        return;
    }
    if (parts.host_name_length)
        host_ = std::string(host.data(), parts.host_name_length);
    if (parts.url_path_length)
        path_ = std::string(path.data(), parts.url_path_length);
    scheme_ = parts.scheme;
    port_ = parts.port;
    kind_ = parts.scheme == platform::inet::scheme_https ? 1 : 0;
}

void wininet_url::dump(std::ostream& out) const
{
    out << canonical_.value_or("") << "\n\tInet Scheme     =" << scheme_ << "\n\tTarget  Host    =" << host_.value_or("")
        << "\n\tTarget Object Path = " << path_.value_or("") << "\n\tServer type is "
        << (kind_ == 1 ? "Secured(https)" : "Generic(http)") << "\n\tPort #          =" << port_;
}
