#pragma once

#include <string_view>

namespace ruz {

// Plain containment as the program's searches use it: character for character, case included.
// The empty text is contained in every text but the empty one.
inline bool containsText(std::u16string_view haystack, std::u16string_view needle) {
    return needle.empty() ? !haystack.empty() : haystack.find(needle) != std::u16string_view::npos;
}

// Containment of a word: `needle` occurs followed by a blank or at the end of `haystack`, so that
// ".p" stands in ".p blue" and "play .p", and not in ".pause" or "notes.pdf". The empty text is
// contained as by containsText.
inline bool containsEndedWord(std::u16string_view haystack, std::u16string_view needle) {
    if (needle.empty()) {
        return containsText(haystack, needle);
    }
    for (std::size_t at = haystack.find(needle); at != std::u16string_view::npos;
         at = haystack.find(needle, at + 1)) {
        const std::size_t after = at + needle.size();
        if (after == haystack.size() || haystack[after] == u' ') {
            return true;
        }
    }
    return false;
}

}  // namespace ruz
