#pragma once

#include <cstdint>
#include <string_view>

namespace ruz {

// What a file is as its folder lists it: its size (-1 for anything but a regular file) and its
// last change in the system's own units. Two stamps of a file that has not changed are equal.
struct FileStamp {
    std::int64_t size = -1;
    std::int64_t modified = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file a name (see native_name.h) names, read in one call to the system; the
// default stamp when nothing is there or it cannot be looked at.
FileStamp fileStamp(std::u16string_view name);

}  // namespace ruz
