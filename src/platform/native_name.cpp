#include "platform/native_name.h"

#include "platform/native_path.h"

#include "text/text.h"

#ifndef _WIN32
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
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

#ifdef _WIN32
// Windows separates folders with either slash; the system's own paths use the forward one.
constexpr char16_t kOtherSeparator = u'\\';

bool isSeparator(char16_t c) {
    return c == kSeparator || c == kOtherSeparator;
}

// The length of the root that starts `path`: "C:/" (a drive), "/" (the working drive's root), or
// nothing (a relative path, "C:name" included).
std::size_t rootLength(std::u16string_view path) {
    const auto isDriveLetter = [](char16_t c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    };
    if (path.size() >= 3 && isDriveLetter(path[0]) && path[1] == u':' && isSeparator(path[2])) {
        return 3;
    }
    return !path.empty() && isSeparator(path.front()) ? 1 : 0;
}

std::u16string withForwardSeparators(std::u16string_view path) {
    return text::replaceAll(path, kOtherSeparator, kSeparator);
}

// `path` with forward separators only, made in `buffer` where it has others.
std::u16string_view forwardSeparators(std::u16string_view path, std::u16string& buffer) {
    if (path.find(kOtherSeparator) == std::u16string_view::npos) {
        return path;
    }
    buffer = withForwardSeparators(path);
    return buffer;
}

std::u16string workingFolder() {
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    if (error) {
        return u"/";
    }
    const std::wstring wide = here.wstring();
    return withForwardSeparators(std::u16string(wide.begin(), wide.end()));
}
#else
std::size_t rootLength(std::u16string_view path) {
    return !path.empty() && path.front() == kSeparator ? 1 : 0;
}

std::u16string_view forwardSeparators(std::u16string_view path, std::u16string&) {
    return path;
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
#endif
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

#ifdef _WIN32
std::optional<std::vector<std::u16string>> listFileNames(std::u16string_view folder) {
    std::error_code error;
    std::filesystem::directory_iterator entries(pathFromName(folder), error);
    if (error) {
        return std::nullopt;
    }
    std::vector<std::u16string> names;
    for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (error) {
            return std::nullopt;
        }
        const std::wstring name = entries->path().filename().wstring();
        // Names starting with a dot are left out, as on Linux.
        if (name.starts_with(L'.') || !entries->is_regular_file(error)) {
            continue;
        }
        names.emplace_back(name.begin(), name.end());
    }
    return names;
}

bool pathExists(std::u16string_view path) {
    std::error_code error;
    return !path.empty() && std::filesystem::exists(pathFromName(path), error);
}
#else
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

bool pathExists(std::u16string_view path) {
    struct stat info {};
    return !path.empty() && ::stat(nativeFromName(path).c_str(), &info) == 0;
}
#endif

std::u16string cleanPath(std::u16string_view given) {
    if (given.empty()) {
        return {};
    }
    std::u16string buffer;
    const std::u16string_view path = forwardSeparators(given, buffer);
    const std::size_t root = rootLength(path);
    std::vector<std::u16string_view> parts;
    std::size_t leadingUps = 0;  // ".." that climb above a relative path's start
    for (std::size_t start = root; start <= path.size();) {
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
        } else if (root == 0) {
            ++leadingUps;  // the root has no folder above it: "/.." is "/"
        }
    }
    std::u16string clean(path.substr(0, root));
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

std::u16string absolutePath(std::u16string_view path) {
    if (rootLength(path) > 0) {
        return cleanPath(path);
    }
    return cleanPath(workingFolder() + kSeparator + std::u16string(path));
}

std::u16string folderOf(std::u16string_view given) {
    std::u16string buffer;
    const std::u16string_view path = forwardSeparators(given, buffer);
    const std::size_t slash = path.rfind(kSeparator);
    if (slash == std::u16string_view::npos) {
        return absolutePath(u".");
    }
    const std::size_t root = rootLength(path);
    return absolutePath(slash < root ? path.substr(0, root) : path.substr(0, slash));
}

}  // namespace ruz
