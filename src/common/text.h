#pragma once

#include <QString>

namespace ruz {

// Plain containment as the program's searches use it: character for character, case included.
// The empty text is contained in every text but the empty one.
inline bool ContainsText(const QString& haystack, const QString& needle) {
    return needle.isEmpty() ? !haystack.isEmpty() : haystack.contains(needle);
}

}  // namespace ruz
