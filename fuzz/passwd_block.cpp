// Any bytes as a stored "passwd" value: the reader never reads past them and never
// answers more than they hold. The same bytes as a password survive the writer's layout.
#include "shell/config/passwd_block.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::span<const std::uint8_t> stored(data, size);
    auto password = shell::decode_password_block(stored);
    if (password.size() >= shell::password_block_size || (size > 0 && password.size() > size))
        std::abort();

    if (size >= 2) {
        int offset = shell::password_offset_min + data[0] % 11;
        auto key = static_cast<std::uint8_t>(data[1] | 1);
        std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
        text = text.substr(0, text.find('\0')); // a password is a zero-terminated text
        shell::password_fill fill {};
        for (std::size_t i = 0; i < fill.size(); ++i)
            fill[i] = data[i % size];
        auto block = shell::encode_password_block(text, offset, key, fill);
        auto kept = std::min<std::size_t>(text.size(), shell::password_block_size - static_cast<std::size_t>(offset));
        if (block.size() != static_cast<std::size_t>(offset) + kept || shell::decode_password_block(block) != text.substr(0, kept))
            std::abort();
    }
    return 0;
}
