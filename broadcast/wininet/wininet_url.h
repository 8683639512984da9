#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace platform::library {
class library_table;
}

// A URL canonicalised and cracked through WININET. A text without one of the schemes http,
// https, ftp or gopher gets "http://" in front (prefixes compared without regard to case).
class wininet_url {
public:
    // The unset record.
    explicit wininet_url(const platform::library::library_table& libraries);
    // Throws wininet_dll_failure when WININET or its URL entries are missing; a URL that
    // cannot be canonicalised or cracked is only traced and leaves the record (partly) unset.
    wininet_url(const platform::library::library_table& libraries, const char* text);
    virtual ~wininet_url() = default;
    wininet_url(const wininet_url&) = default;
    wininet_url& operator=(const wininet_url&) = default;

    wininet_url& operator=(const char* text);
    // Joins a relative path with exactly one "/"; without a canonical URL the argument is
    // taken as a whole URL. Null or empty: nothing happens.
    void append(const char* relative);

    std::int32_t kind() const { return kind_; } // 1 https, 0 another scheme that cracked, 2 unset
    std::int32_t scheme() const { return scheme_; }
    const std::optional<std::string>& host() const { return host_; }
    const std::optional<std::string>& path() const { return path_; }
    std::uint16_t port() const { return port_; }
    const std::optional<std::string>& canonical() const { return canonical_; }
    // The canonical URL, or an empty text.
    std::string text() const { return canonical_.value_or(""); }

    virtual void dump(std::ostream& out) const;

private:
    void build(const char* text);

    const platform::library::library_table* libraries_;
    std::int32_t kind_ = 2;
    std::int32_t scheme_ = -1;
    std::optional<std::string> host_;
    std::optional<std::string> path_;
    std::uint16_t port_ = 0xFFFF;
    std::optional<std::string> canonical_;
};
