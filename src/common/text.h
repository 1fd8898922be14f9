#pragma once

#include <QString>

namespace ruz {

// Plain containment as the program's searches use it: character for character, case included.
// The empty text is contained in every text but the empty one.
inline bool containsText(const QString& haystack, const QString& needle) {
    return needle.isEmpty() ? !haystack.isEmpty() : haystack.contains(needle);
}

// Containment of a word: `needle` occurs followed by a blank or at the end of `haystack`, so that
// ".p" stands in ".p blue" and "play .p", and not in ".pause" or "notes.pdf". The empty text is
// contained as by containsText.
inline bool containsEndedWord(const QString& haystack, const QString& needle) {
    if (needle.isEmpty()) {
        return containsText(haystack, needle);
    }
    for (qsizetype at = haystack.indexOf(needle); at >= 0; at = haystack.indexOf(needle, at + 1)) {
        const qsizetype after = at + needle.size();
        if (after == haystack.size() || haystack[after] == u' ') {
            return true;
        }
    }
    return false;
}

}  // namespace ruz
