#include "platform/native_name.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

namespace ruz {

namespace {
constexpr char16_t kKeptByteBase = 0xDC00;
constexpr unsigned char kFirstHighByte = 0x80;
constexpr char16_t kReplacement = 0xFFFD;

// Whether the character at `i` is a kept byte: a low surrogate of the kept range that is not the
// second half of a pair (a valid character beyond the first plane may end in the same range).
bool isKeptByte(QStringView name, qsizetype i) {
    const char16_t c = name[i].unicode();
    const bool inRange = c >= kKeptByteBase + kFirstHighByte && c <= kKeptByteBase + 0xFF;
    return inRange && (i == 0 || !name[i - 1].isHighSurrogate());
}

// The length of the valid UTF-8 sequence at `at`, or 0 when the bytes there are not one.
int validSequenceAt(const QByteArray& bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    int length = 0;
    char32_t code = 0;
    if (lead < 0x80) {
        return 1;
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
        return 0;
    }
    if (at + length > bytes.size()) {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < least[length] || code > 0x10FFFF || surrogate ? 0 : length;
}
}  // namespace

QString nameFromNative(const QByteArray& bytes) {
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = validSequenceAt(bytes, i);
        if (length == 0) {
            name.append(QChar(char16_t(kKeptByteBase + static_cast<unsigned char>(bytes[i]))));
            ++i;
            continue;
        }
        name.append(QString::fromUtf8(bytes.constData() + i, length));
        i += length;
    }
    return name;
}

QByteArray nativeFromName(const QString& name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !isKeptByte(name, i)) {
            continue;
        }
        bytes.append(QStringView(name).mid(start, i - start).toUtf8());
        if (i < name.size()) {
            bytes.append(static_cast<char>(name[i].unicode() - kKeptByteBase));
        }
        start = i + 1;
    }
    return bytes;
}

QString displayName(const QString& name) {
    QString shown = name;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (isKeptByte(name, i)) {
            shown[i] = QChar(kReplacement);
        }
    }
    return shown;
}

QStringList listFileNames(const QString& folder) {
    QStringList names;
    const QByteArray path = nativeFromName(folder);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.constData()), ::closedir);
    if (!dir) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.')) {
            continue;  // "." and "..", and hidden files, as a folder listing leaves them out
        }
        struct stat info {};
        const QByteArray full = path + '/' + name;
        if (::stat(full.constData(), &info) == 0 && S_ISREG(info.st_mode)) {
            names.append(nameFromNative(name));
        }
    }
    return names;
}

}  // namespace ruz
