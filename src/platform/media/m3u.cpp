#include "platform/media/m3u.h"

#include "platform/media/regular_file.h"
#include "platform/native_name.h"
#include "text/text.h"

namespace ruz::media {

namespace {

// A song list longer than this is not a song list.
constexpr std::int64_t kMaxM3uBytes = std::int64_t{16} * 1024 * 1024;
constexpr char16_t kByteOrderMark = 0xFEFF;

std::u16string inFolder(std::u16string_view folder, std::u16string_view entry) {
    if (entry.starts_with(u'/')) {
        return cleanPath(entry);
    }
    return cleanPath(std::u16string(folder) + u'/' + std::u16string(entry));
}

std::u16string resolveEntry(std::u16string_view entry, std::u16string_view folder) {
    std::u16string path = inFolder(folder, entry);
    if (text::contains(entry, u'\\') && !pathExists(path)) {
        // A list written on Windows separates folders with backslashes.
        path = inFolder(folder, text::replaceAll(entry, u'\\', u'/'));
    }
    return path;
}

}  // namespace

bool isM3uPath(std::u16string_view path) {
    return text::endsWithIgnoringCase(path, u".m3u");
}

std::vector<std::u16string> parseM3u(std::string_view content, std::u16string_view folder) {
    const std::u16string absolute = absolutePath(folder);
    std::vector<std::u16string> entries;
    // Lists written by older players are in a legacy eight-bit code page.
    std::u16string text = text::fromUtf8OrLatin1(content);
    if (text.starts_with(kByteOrderMark)) {
        text.erase(0, 1);
    }
    for (const std::u16string& line : text::split(text, u'\n')) {
        const std::u16string_view entry = text::trimmed(line);
        if (entry.empty() || entry.starts_with(u'#')) {
            continue;
        }
        entries.push_back(resolveEntry(entry, absolute));
    }
    return entries;
}

std::optional<std::vector<std::u16string>> readM3u(std::u16string_view path) {
    const std::optional<std::string> content = readRegularFile(path, kMaxM3uBytes);
    if (!content) {
        return std::nullopt;
    }
    return parseM3u(*content, folderOf(path));
}

}  // namespace ruz::media
