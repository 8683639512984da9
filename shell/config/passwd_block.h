#pragma once

#include "platform/random/random_source.h"
#include "platform/registry/registry.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace shell {

// The stored "passwd" value is the first offset + length bytes of a block of this size.
inline constexpr std::size_t password_block_size = 260;
inline constexpr int password_offset_min = 10;
inline constexpr int password_offset_max = 20;

using password_fill = std::array<std::uint8_t, password_block_size>;

// Lays the password into the block: fill bytes, the offset in byte 3, the key at
// offset - 5, the length (32-bit little-endian) at offset - 4 and the password XORed with
// the key from the offset on. The length is cut to block size - offset. Answers the bytes
// to store. Offset outside 10-20 or a zero key throw std::invalid_argument.
std::vector<std::uint8_t> encode_password_block(const std::string& password, int offset, std::uint8_t key,
    const password_fill& fill);

// The same with fill, offset (drawn until it lies in 10-20) and key (drawn until it is not
// 0) from the random source.
std::vector<std::uint8_t> encode_password_block(const std::string& password, platform::random::random_source& random);

// The password of stored bytes; empty when they are too short or their offset does not
// point inside them. Reads only bytes inside `stored`.
std::string decode_password_block(std::span<const std::uint8_t> stored);

// Writes "login" (its bytes and a terminating zero) and "passwd" (REG_BINARY) into the
// key; false when a write failed.
[[nodiscard]] bool write_login_and_password(platform::registry::store& registry, const std::string& key,
    const std::string& login, const std::string& password, platform::random::random_source& random);

// Reads them back; false (login and password empty) when either value is missing or
// "passwd" is longer than the block.
[[nodiscard]] bool read_login_and_password(platform::registry::store& registry, const std::string& key,
    std::string& login, std::string& password);

}
