#include "platform/random/random_source.h"
#include "platform/testing/platform_probes.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> draw(platform::random::random_source& source, std::size_t count)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < count; ++i)
        bytes.push_back(source.next_byte());
    return bytes;
}

}

TEST(RandomSource, TwoSourcesMadeAtOnceDrawDifferentBytes)
{
    platform::random::engine_random_source first;
    platform::random::engine_random_source second;
    EXPECT_NE(draw(first, 32), draw(second, 32));
}

TEST(RandomSource, ScriptedSourcePlaysItsBytesInOrderAndAgain)
{
    platform::testing::scripted_random source({7, 0, 255});
    EXPECT_EQ(draw(source, 5), (std::vector<std::uint8_t> {7, 0, 255, 7, 0}));
    platform::testing::scripted_random empty;
    EXPECT_THROW(empty.next_byte(), std::logic_error);
}
