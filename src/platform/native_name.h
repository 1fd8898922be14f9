#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruz {

// File names as the file system holds them: bytes, as a rule UTF-8. A name that is not valid
// UTF-8 still has to be listed, shown and opened, so each byte of an invalid sequence is kept in
// the name as the lone surrogate U+DC80 + (byte - 0x80), and given back as that byte when the
// file is opened.

// The name of `bytes`, without loss.
std::u16string nameFromNative(std::string_view bytes);
// The bytes of a name or path made by nameFromNative (or any ordinary text: UTF-8).
std::string nativeFromName(std::u16string_view name);
// The name as it is shown: every kept byte is the replacement character U+FFFD.
std::u16string displayName(std::u16string_view name);
// The names of the files in `folder` (without "." and ".."), every one of them, in no order;
// nothing when the folder cannot be read.
std::optional<std::vector<std::u16string>> listFileNames(std::u16string_view folder);

// `path` without "." parts, doubled separators or a separator at its end, and with each ".."
// taken off together with the folder before it where there is one ("/a/./b/../c/" is "/a/c").
std::u16string cleanPath(std::u16string_view path);
// `path` taken from the working folder when it is relative, then cleaned.
std::u16string absolutePath(std::u16string_view path);
// The folder part of a path ("/m" for "/m/a.mp3", "." for a bare name), absolute and cleaned.
std::u16string folderOf(std::u16string_view path);
// Whether anything (a file, a folder, ...) is at `path`.
bool pathExists(std::u16string_view path);

}  // namespace ruz
