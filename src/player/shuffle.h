#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace ruz {

// A shuffled order of a playlist's entries: each entry once before any comes again, and never the
// entry playing now when there are two or more. Seeded at its first use, so that the same seed
// gives the same order.
class Shuffle {
  public:
    explicit Shuffle(std::function<std::uint64_t()> seed) : seed_(std::move(seed)) {}

    // The entry to play after `current` from a list of `count` entries; -1 when the list is empty.
    int next(int current, int count);

  private:
    // A new round: every entry once, in a random order.
    void deal(int count);
    std::uint64_t random();

    std::function<std::uint64_t()> seed_;
    bool seeded_ = false;
    std::uint64_t state_ = 0;
    std::vector<int> round_;
    std::size_t drawn_ = 0;
};

}  // namespace ruz
