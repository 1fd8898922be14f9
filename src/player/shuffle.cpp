#include "player/shuffle.h"

#include <utility>

namespace ruz {

std::uint64_t Shuffle::random() {
    // splitmix64: small, fast, and the same sequence on every platform.
    state_ += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

void Shuffle::deal(int count) {
    round_.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        round_[static_cast<std::size_t>(i)] = i;
    }
    for (std::size_t i = round_.size(); i > 1; --i) {
        std::swap(round_[i - 1], round_[random() % i]);
    }
    drawn_ = 0;
}

int Shuffle::next(int current, int count) {
    if (count <= 0) {
        return -1;
    }
    if (!seeded_) {
        state_ = seed_ ? seed_() : 0;
        seeded_ = true;
    }
    if (round_.size() != static_cast<std::size_t>(count) || drawn_ >= round_.size()) {
        deal(count);  // a round is over, or the playlist is another
    }
    // Never the entry playing now: it changes places with the one after it, or, as the last of
    // its round, a new round begins.
    if (count > 1 && round_[drawn_] == current) {
        if (drawn_ + 1 < round_.size()) {
            std::swap(round_[drawn_], round_[drawn_ + 1]);
        } else {
            deal(count);
            if (round_[0] == current) {
                std::swap(round_[0], round_[1]);
            }
        }
    }
    return round_[drawn_++];
}

}  // namespace ruz
