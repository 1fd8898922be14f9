#include "player/shuffle.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace ruz {
namespace {

// Draws `rounds` rounds of `count` entries, each draw after the entry drawn before it.
std::vector<int> draw(Shuffle& shuffle, int count, int rounds, int current = -1) {
    std::vector<int> drawn;
    for (int i = 0; i < count * rounds; ++i) {
        current = shuffle.next(current, count);
        drawn.push_back(current);
    }
    return drawn;
}

TEST(Shuffle, EachEntryOnceARoundAndNeverTheSameTwiceInARow) {
    for (const int count : {2, 3, 5, 20, 101}) {
        for (const std::uint64_t seed : {0ULL, 1ULL, 1765060262000ULL, ~0ULL}) {
            Shuffle shuffle([seed] { return seed; });
            const std::vector<int> drawn = draw(shuffle, count, 4);
            for (int round = 0; round < 4; ++round) {
                const std::set<int> entries(drawn.begin() + round * count,
                                            drawn.begin() + (round + 1) * count);
                EXPECT_EQ(static_cast<int>(entries.size()), count) << count << " " << seed;
                EXPECT_EQ(*entries.begin(), 0);
                EXPECT_EQ(*entries.rbegin(), count - 1);
            }
            for (std::size_t i = 1; i < drawn.size(); ++i) {
                EXPECT_NE(drawn[i], drawn[i - 1]) << count << " " << seed << " at " << i;
            }
        }
    }
}

TEST(Shuffle, TheSameSeedGivesTheSameOrderAndAnotherSeedAnother) {
    Shuffle a([] { return 42ULL; });
    Shuffle b([] { return 42ULL; });
    Shuffle c([] { return 43ULL; });
    const std::vector<int> first = draw(a, 20, 2);
    EXPECT_EQ(first, draw(b, 20, 2));
    EXPECT_NE(first, draw(c, 20, 2));
}

TEST(Shuffle, EdgesOfTheList) {
    Shuffle shuffle([] { return 7ULL; });
    EXPECT_EQ(shuffle.next(-1, 0), -1);  // nothing to play
    EXPECT_EQ(shuffle.next(0, 1), 0);    // one song: it comes again
    EXPECT_EQ(shuffle.next(0, 1), 0);
    // The entry picked by hand is not drawn next, even when it is next in the round.
    for (int current = 0; current < 10; ++current) {
        EXPECT_NE(shuffle.next(current, 10), current);
    }
    // Another playlist starts a new round within its own range.
    for (int i = 0; i < 50; ++i) {
        const int entry = shuffle.next(0, 3);
        EXPECT_GE(entry, 0);
        EXPECT_LT(entry, 3);
    }
}

}  // namespace
}  // namespace ruz
