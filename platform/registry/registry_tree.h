#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform::registry {

enum class status { ok, not_found, wrong_type, access_denied, io_error, invalid_name, too_large };

const char* to_string(status code);

// Limits of a store, each at least as generous as the registry we stand in for. A key
// path past the first two is an invalid name; a larger value is refused.
inline constexpr std::size_t max_key_depth = 512;           // levels of a key path
inline constexpr std::size_t max_key_path_length = 32767;   // bytes of a key path, "\" included
inline constexpr std::size_t max_value_size = 1024 * 1024;  // bytes of one text or binary value

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

// ASCII-only case folding: the registry compares names without regard to ASCII case.
std::string fold_name(std::string_view name);

// The keys and values of one hive, held as a tree so that every operation costs in
// proportion to the path and names it is given. Names match case-insensitively and keep
// the case in which they were first written. Key paths use "\" between components.
class registry_tree {
    struct node;

public:
    registry_tree();
    ~registry_tree();
    registry_tree(const registry_tree& other);
    registry_tree& operator=(const registry_tree& other);
    registry_tree(registry_tree&&) noexcept;
    registry_tree& operator=(registry_tree&&) noexcept;

    const value* find(std::string_view key, std::string_view name) const;
    bool has_key(std::string_view key) const;

    status set(std::string_view key, std::string_view name, value data);
    status erase_value(std::string_view key, std::string_view name);
    status create_key(std::string_view key);
    status erase_key(std::string_view key); // with every subkey

    // A key made (with its parents) once, for a run of value writes that need not find it
    // again. Valid while the key stays in the tree.
    class key_writer {
    public:
        status set(std::string_view name, value data);

    private:
        friend class registry_tree;
        explicit key_writer(node* key) : key_(key) { }
        node* key_;
    };
    // invalid_name for a path that is empty, malformed or past the limits.
    result<key_writer> open_key(std::string_view key);

    // Direct subkeys in case-insensitive name order; not_found for a missing key.
    result<std::vector<std::string>> subkey_names(std::string_view key) const;
    result<std::vector<std::string>> value_names(std::string_view key) const;

    // Every key, parents before their subkeys, subkeys in case-insensitive name order: the
    // key's path as first written (valid during the call), its values in first-write order
    // and whether it has subkeys.
    using key_visitor = std::function<void(std::string_view path, const std::vector<named_value>& values, bool has_subkeys)>;
    void visit(const key_visitor& look) const;

    // True when the key and everything below it are the same in both trees.
    bool same_subtree(const registry_tree& other, std::string_view key) const;

    bool operator==(const registry_tree& other) const;

private:
    node* make_key(const std::vector<std::string_view>& components);
    const node* find_key(std::string_view key) const;

    std::unique_ptr<node> root_;
};

// The key path without leading and trailing separators.
std::string_view trim_key_separators(std::string_view key);

// Splits "A\B\C" into components; leading and trailing separators are ignored. Empty
// inner components, control characters or a path past the limits make the name invalid
// (false).
bool split_key_path(std::string_view key, std::vector<std::string_view>& components);

}
