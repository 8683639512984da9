#include "shell/config/passwd_block.h"

#include "core/log/trace_log.h"
#include "shell/config/registry_strings.h"

#include <algorithm>
#include <stdexcept>

namespace shell {

using platform::registry::hive;
using platform::registry::status;

std::vector<std::uint8_t> encode_password_block(const std::string& password, int offset, std::uint8_t key,
    const password_fill& fill)
{
    if (offset < password_offset_min || offset > password_offset_max)
        throw std::invalid_argument("password block offset outside 10-20");
    if (key == 0)
        throw std::invalid_argument("password block key 0");
    auto at = static_cast<std::size_t>(offset);
    auto length = std::min(password.size(), password_block_size - at);
    std::vector<std::uint8_t> block(fill.begin(), fill.begin() + static_cast<std::ptrdiff_t>(at + length));
    block[3] = static_cast<std::uint8_t>(offset);
    block[at - 5] = key;
    for (std::size_t i = 0; i < 4; ++i)
        block[at - 4 + i] = static_cast<std::uint8_t>((length >> (8 * i)) & 0xFF);
    for (std::size_t i = 0; i < length; ++i)
        block[at + i] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(password[i]) ^ key);
    return block;
}

std::vector<std::uint8_t> encode_password_block(const std::string& password, platform::random::random_source& random)
{
    password_fill fill;
    for (auto& byte : fill)
        byte = random.next_byte();
    int offset = 0;
    do
        offset = random.next_byte();
    while (offset < password_offset_min || offset > password_offset_max);
    std::uint8_t key = 0;
    do
        key = random.next_byte();
    while (key == 0);
    return encode_password_block(password, offset, key, fill);
}

std::string decode_password_block(std::span<const std::uint8_t> stored)
{
    if (stored.size() < 4)
        return {};
    std::size_t offset = stored[3];
    if (offset < 5 || offset >= stored.size())
        return {};
    std::uint8_t key = stored[offset - 5];
    std::uint32_t length = 0;
    for (std::size_t i = 0; i < 4; ++i)
        length |= static_cast<std::uint32_t>(stored[offset - 4 + i]) << (8 * i);
    // No more than the bytes stored after the offset, and no more than the block holds
    // with a terminating zero.
    std::size_t count = std::min<std::size_t>({length, stored.size() - offset, password_block_size - 1});
    std::string password;
    password.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        char c = static_cast<char>(stored[offset + i] ^ key);
        if (c == '\0')
            break; // the password is a zero-terminated text
        password.push_back(c);
    }
    return password;
}

bool write_login_and_password(platform::registry::store& registry, const std::string& key, const std::string& login,
    const std::string& password, platform::random::random_source& random)
{
    platform::registry::binary login_bytes(login.begin(), login.end());
    login_bytes.push_back(0);
    if (auto code = registry.write(hive::current_user, key, "login", login_bytes); code != status::ok) {
        TRACE_LOG("write_login_and_password() -- \"login\" not written: %s\n", platform::registry::to_string(code));
        return false;
    }
    auto block = encode_password_block(password, random);
    if (auto code = registry.write(hive::current_user, key, "passwd", block); code != status::ok) {
        TRACE_LOG("write_login_and_password() -- \"passwd\" not written: %s\n", platform::registry::to_string(code));
        return false;
    }
    return true;
}

bool read_login_and_password(platform::registry::store& registry, const std::string& key, std::string& login,
    std::string& password)
{
    login.clear();
    password.clear();
    auto stored_login = registry.read(hive::current_user, key, "login");
    if (!stored_login.ok())
        return false;
    auto login_bytes = value_bytes(stored_login.data);
    login_bytes.resize(std::min(login_bytes.size(), password_block_size));
    login.assign(login_bytes.begin(), std::find(login_bytes.begin(), login_bytes.end(), 0));

    auto stored_block = registry.read(hive::current_user, key, "passwd");
    if (!stored_block.ok())
        return false;
    auto block = value_bytes(stored_block.data);
    if (block.size() > password_block_size)
        return false; // more than the block holds: the read fails
    password = decode_password_block(block);
    return true;
}

}
