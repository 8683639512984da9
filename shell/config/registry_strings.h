#pragma once

#include "platform/registry/registry.h"

#include <cstdint>
#include <optional>
#include <string>

namespace shell {

struct registry_string {
    platform::registry::status code = platform::registry::status::not_found;
    std::string text;      // empty unless code is ok
    std::uint32_t size = 0; // the size the store reports, terminating zero included
};

// A REG_SZ value read whole; code not_found when the key or value is missing, wrong_type
// for a value of another type.
registry_string read_registry_string(platform::registry::store& registry, const std::string& key,
    const std::string& name);

// Writes a REG_SZ value, creating the key.
[[nodiscard]] platform::registry::status write_registry_string(platform::registry::store& registry,
    const std::string& key, const std::string& name, const std::string& text);

// The bytes a raw read of the value gives: a text with its terminating zero, a number as
// 4 little-endian bytes, binary data as it is.
platform::registry::binary value_bytes(const platform::registry::value& data);

// A 32-bit number: a REG_DWORD, or binary data exactly 4 bytes long; nothing otherwise.
std::optional<std::uint32_t> read_dword(platform::registry::store& registry, const std::string& key,
    const std::string& name);

}
