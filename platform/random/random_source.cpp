#include "platform/random/random_source.h"

#include <array>

namespace platform::random {

engine_random_source::engine_random_source()
{
    std::random_device device;
    std::array<std::uint32_t, 8> seed_words {};
    for (auto& word : seed_words)
        word = device();
    std::seed_seq seed(seed_words.begin(), seed_words.end());
    engine_.seed(seed);
}

std::uint8_t engine_random_source::next_byte()
{
    return static_cast<std::uint8_t>(engine_() & 0xFF);
}

}
