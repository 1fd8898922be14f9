#pragma once

#include <limits>
#include <string>
#include <string_view>

namespace ruz {

// The dagger that frames most of what the program says in the room.
inline constexpr char16_t kDagger = u'\u2020';

// "†" + text + "†".
inline std::u16string daggered(std::u16string_view text) {
    std::u16string framed(1, kDagger);
    framed += text;
    framed += kDagger;
    return framed;
}

// How far forward and rewind move the song, in seconds.
inline constexpr int kSkipSeconds = 5;

// The range of a whole number that the program rounds a chat argument or a position into.
inline constexpr int kIntMin = std::numeric_limits<int>::min();
inline constexpr int kIntMax = std::numeric_limits<int>::max();

// The key code of F1; F2 .. F8 follow it.
inline constexpr int kKeyF1 = 112;

}  // namespace ruz
