#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruz::media {

// Whether `path` names an M3U song list (by its ending ".m3u", case ignored).
bool isM3uPath(std::u16string_view path);

// The entries of the M3U song list at `path`, in order, each as a path: relative entries are taken
// from the list's own folder. Comment and directive lines ("#...") and blank lines are left out;
// CR LF line ends, a UTF-8 byte-order mark and Latin-1 text are accepted. Nothing when the list
// cannot be read (missing, not a regular file, unreasonably large).
std::optional<std::vector<std::u16string>> readM3u(std::u16string_view path);

// The entries of an M3U list given as its bytes, resolved against `folder`.
std::vector<std::u16string> parseM3u(std::string_view content, std::u16string_view folder);

}  // namespace ruz::media
