#pragma once

#include <cstdint>
#include <random>

namespace platform::random {

// Random bytes for scrambling and salts; not for secrets that need a cryptographic source.
class random_source {
public:
    virtual ~random_source() = default;
    virtual std::uint8_t next_byte() = 0;
};

// A private engine seeded once from the system's random device, so no other user of a
// process-wide generator is disturbed and two draws in one second differ.
class engine_random_source final : public random_source {
public:
    engine_random_source();
    std::uint8_t next_byte() override;

private:
    std::mt19937 engine_;
};

}
