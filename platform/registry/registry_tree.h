#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform::registry {

enum class status { ok, not_found, wrong_type, access_denied, io_error, store_unusable, invalid_name };

const char* to_string(status code);

using binary = std::vector<std::uint8_t>;
// A stored value: a string, a 32-bit number or bytes, as the registry's three types.
using value = std::variant<std::string, std::uint32_t, binary>;

template <class T>
struct result {
    status code = status::not_found;
    T data {};
    bool ok() const { return code == status::ok; }
};

struct named_value {
    std::string name;
    registry::value data;
    bool operator==(const named_value&) const = default;
};

struct key_entry {
    std::string path;                // as first created, components joined by "\"
    std::vector<named_value> values; // in first-write order
    bool operator==(const key_entry&) const = default;
};

// ASCII-only case folding: the registry compares names without regard to ASCII case.
std::string fold_name(std::string_view name);

// The keys and values of one hive. Names match case-insensitively and keep the case in
// which they were first written. Key paths use "\" between components.
class registry_tree {
public:
    const value* find(std::string_view key, std::string_view name) const;
    bool has_key(std::string_view key) const;

    status set(std::string_view key, std::string_view name, value data);
    status erase_value(std::string_view key, std::string_view name);
    status create_key(std::string_view key);
    status erase_key(std::string_view key); // with every subkey

    // Direct subkeys in case-insensitive name order; not_found for a missing key.
    result<std::vector<std::string>> subkey_names(std::string_view key) const;
    result<std::vector<std::string>> value_names(std::string_view key) const;

    // Keys ordered by folded path: the canonical order of the text form.
    const std::map<std::string, key_entry>& keys() const { return keys_; }

    // True when the key and everything below it are the same in both trees.
    bool same_subtree(const registry_tree& other, std::string_view key) const;

    bool operator==(const registry_tree&) const = default;

private:
    key_entry* make_key(const std::vector<std::string>& components);

    std::map<std::string, key_entry> keys_;
};

// Splits "A\B\C" into components; leading and trailing separators are ignored. Empty
// inner components or control characters make the name invalid (empty result, false).
bool split_key_path(std::string_view key, std::vector<std::string>& components);

}
