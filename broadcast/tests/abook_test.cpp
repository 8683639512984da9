#include "broadcast/recipients/abook.h"
#include "platform/testing/platform_probes.h"

#include <gtest/gtest.h>

using broadcast::CAbook;

TEST(CAbook, TryProviderOpensOnlyTheTwoProvidersThatExist)
{
    platform::testing::given_address_books books;
    books.opening = {1, 2, 3, 7};
    CAbook abook(books);
    EXPECT_EQ(abook.TryProvider(3), 1);
    EXPECT_EQ(abook.TryProvider(2), 1);
    for (int other : {0, 1, 4, 7, -1})
        EXPECT_EQ(abook.TryProvider(other), 0) << other;
    EXPECT_EQ(books.tried, (std::vector<int> {3, 2})); // no other number reaches the system
}

TEST(CAbook, DetectProviderTakesTheFirstOfThreeTwoOneThatOpens)
{
    struct detect_case {
        std::set<int> opening;
        int detected;
    };
    const detect_case cases[] = {{{2, 3}, 3}, {{2}, 2}, {{3}, 3}, {{}, 0}, {{1}, 0}};
    for (const auto& c : cases) {
        platform::testing::given_address_books books;
        books.opening = c.opening;
        EXPECT_EQ(CAbook(books).DetectProvider(), c.detected);
    }
}

TEST(CAbook, NothingOpensOnThisSystem)
{
    platform::mail::system_address_books books;
    EXPECT_EQ(CAbook(books).DetectProvider(), 0);
}
