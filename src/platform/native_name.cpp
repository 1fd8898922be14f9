#include "platform/native_name.h"

#include "text/text.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace ruz {

namespace {
constexpr char16_t kKeptByteBase = 0xDC00;
constexpr unsigned char kFirstHighByte = 0x80;
constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kSeparator = u'/';

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

// Whether the unit at `i` is a kept byte: a low surrogate of the kept range that is not the
// second half of a pair (a valid character beyond the first plane may end in the same range).
bool isKeptByte(std::u16string_view name, std::size_t i) {
    const char16_t c = name[i];
    const bool inRange = c >= kKeptByteBase + kFirstHighByte && c <= kKeptByteBase + 0xFF;
    return inRange && (i == 0 || !isHighSurrogate(name[i - 1]));
}

// The valid UTF-8 sequence at `at`: its length (0 when the bytes there are not one) and its code
// point.
struct Sequence {
    std::size_t length;
    char32_t code;
};
Sequence validSequenceAt(std::string_view bytes, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    char32_t code = 0;
    if (lead < 0x80) {
        return {1, lead};
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return {0, 0};
    }
    if (at + length > bytes.size()) {
        return {0, 0};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return {0, 0};
        }
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (code < least[length] || code > 0x10FFFF || surrogate) {
        return {0, 0};
    }
    return {length, code};
}

std::u16string workingFolder() {
    std::string buffer(256, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return u"/";
        }
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return nameFromNative(buffer);
}
}  // namespace

std::u16string nameFromNative(std::string_view bytes) {
    std::u16string name;
    name.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const Sequence sequence = validSequenceAt(bytes, i);
        if (sequence.length == 0) {
            name.push_back(char16_t(kKeptByteBase + static_cast<unsigned char>(bytes[i])));
            ++i;
            continue;
        }
        // Each character as it stands, a byte order mark too: the name must give its bytes back.
        text::appendCodePoint(name, sequence.code);
        i += sequence.length;
    }
    return name;
}

std::string nativeFromName(std::u16string_view name) {
    std::string bytes;
    bytes.reserve(name.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !isKeptByte(name, i)) {
            continue;
        }
        bytes += text::toUtf8(name.substr(start, i - start));
        if (i < name.size()) {
            bytes.push_back(static_cast<char>(name[i] - kKeptByteBase));
        }
        start = i + 1;
    }
    return bytes;
}

std::u16string displayName(std::u16string_view name) {
    std::u16string shown(name);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (isKeptByte(name, i)) {
            shown[i] = kReplacement;
        }
    }
    return shown;
}

std::optional<std::vector<std::u16string>> listFileNames(std::u16string_view folder) {
    const std::string path = nativeFromName(folder);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), ::closedir);
    if (!dir) {
        return std::nullopt;
    }
    std::vector<std::u16string> names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name.starts_with('.')) {
            continue;  // "." and "..", and hidden files, as a folder listing leaves them out
        }
        struct stat info {};
        const std::string full = path + '/' + std::string(name);
        if (::stat(full.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            names.push_back(nameFromNative(name));
        }
    }
    return names;
}

std::u16string cleanPath(std::u16string_view path) {
    if (path.empty()) {
        return {};
    }
    const bool rooted = path.front() == kSeparator;
    std::vector<std::u16string_view> parts;
    std::size_t leadingUps = 0;  // ".." that climb above a relative path's start
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find(kSeparator, start);
        if (end == std::u16string_view::npos) {
            end = path.size();
        }
        const std::u16string_view part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == u".") {
            continue;
        }
        if (part != u"..") {
            parts.push_back(part);
        } else if (!parts.empty()) {
            parts.pop_back();
        } else if (!rooted) {
            ++leadingUps;  // the root has no folder above it: "/.." is "/"
        }
    }
    std::u16string clean = rooted ? u"/" : u"";
    for (std::size_t i = 0; i < leadingUps; ++i) {
        clean += clean.empty() || clean.back() == kSeparator ? u".." : u"/..";
    }
    for (const std::u16string_view part : parts) {
        if (!clean.empty() && clean.back() != kSeparator) {
            clean.push_back(kSeparator);
        }
        clean += part;
    }
    return clean.empty() ? u"." : clean;
}

namespace {

// Whether `path` starts at a root: "/" everywhere, and on Windows also a drive ("C:/", "C:\\").
bool rootedPath(std::u16string_view path) {
#ifdef _WIN32
    constexpr std::size_t kDriveLength = 3;
    if (path.size() >= kDriveLength && path[1] == u':' &&
        (path[2] == kSeparator || path[2] == u'\\')) {
        return true;
    }
#endif
    return !path.empty() && path.front() == kSeparator;
}

}  // namespace

std::u16string absolutePath(std::u16string_view path) {
    if (rootedPath(path)) {
        return cleanPath(path);
    }
    return cleanPath(workingFolder() + kSeparator + std::u16string(path));
}

std::u16string folderOf(std::u16string_view path) {
    const std::size_t slash = path.rfind(kSeparator);
    if (slash == std::u16string_view::npos) {
        return absolutePath(u".");
    }
    return absolutePath(slash == 0 ? path.substr(0, 1) : path.substr(0, slash));
}

bool pathExists(std::u16string_view path) {
    struct stat info {};
    return !path.empty() && ::stat(nativeFromName(path).c_str(), &info) == 0;
}

}  // namespace ruz
