#include "shell/config/registry_strings.h"

namespace shell {

using platform::registry::hive;
using platform::registry::status;

registry_string read_registry_string(platform::registry::store& registry, const std::string& key,
    const std::string& name)
{
    registry_string answer;
    auto stored = registry.read(hive::current_user, key, name);
    if (!stored.ok()) {
        answer.code = stored.code;
        return answer;
    }
    answer.size = static_cast<std::uint32_t>(value_bytes(stored.data).size());
    if (const auto* text = std::get_if<std::string>(&stored.data)) {
        answer.code = status::ok;
        answer.text = *text;
    } else {
        answer.code = status::wrong_type;
    }
    return answer;
}

status write_registry_string(platform::registry::store& registry, const std::string& key, const std::string& name,
    const std::string& text)
{
    return registry.write(hive::current_user, key, name, text);
}

platform::registry::binary value_bytes(const platform::registry::value& data)
{
    if (const auto* text = std::get_if<std::string>(&data)) {
        platform::registry::binary bytes(text->begin(), text->end());
        bytes.push_back(0);
        return bytes;
    }
    if (const auto* number = std::get_if<std::uint32_t>(&data)) {
        platform::registry::binary bytes(4);
        for (std::size_t i = 0; i < 4; ++i)
            bytes[i] = static_cast<std::uint8_t>((*number >> (8 * i)) & 0xFF);
        return bytes;
    }
    return std::get<platform::registry::binary>(data);
}

std::optional<std::uint32_t> read_dword(platform::registry::store& registry, const std::string& key,
    const std::string& name)
{
    auto stored = registry.read(hive::current_user, key, name);
    if (!stored.ok())
        return std::nullopt;
    if (const auto* number = std::get_if<std::uint32_t>(&stored.data))
        return *number;
    if (std::holds_alternative<std::string>(stored.data))
        return std::nullopt; // a text is never taken for a number
    auto bytes = value_bytes(stored.data);
    if (bytes.size() != 4)
        return std::nullopt;
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8
        | static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}
