#include "platform/media/m3u.h"

#include "platform/media/regular_file.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

namespace ruz::media {

namespace {

// A song list longer than this is not a song list.
constexpr qint64 kMaxM3uBytes = qint64{16} * 1024 * 1024;

QString decodeText(const QByteArray& content) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(content);
    if (utf8.hasError()) {
        // Lists written by older players are in a legacy eight-bit code page.
        text = QString::fromLatin1(content);
    }
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    return text;
}

QString resolveEntry(QString entry, const QDir& folder) {
    if (entry.startsWith(QLatin1Char(':'))) {
        // Qt takes a path that starts with ":" for one of its own resources: such an entry is a
        // file in the list's folder like any other relative one.
        entry.prepend(QStringLiteral("./"));
    }
    QString path = folder.absoluteFilePath(entry);
    if (entry.contains(QLatin1Char('\\')) && !QFileInfo::exists(path)) {
        // A list written on Windows separates folders with backslashes.
        QString slashed = entry;
        slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
        path = folder.absoluteFilePath(slashed);
    }
    return QDir::cleanPath(path);
}

}  // namespace

bool isM3uPath(const QString& path) {
    return path.endsWith(QStringLiteral(".m3u"), Qt::CaseInsensitive);
}

QStringList parseM3u(const QByteArray& content, const QString& folder) {
    const QDir dir(folder);
    QStringList entries;
    const QString text = decodeText(content);
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        const QString entry = line.trimmed().toString();
        if (entry.isEmpty() || entry.startsWith(QLatin1Char('#'))) {
            continue;
        }
        entries.append(resolveEntry(entry, dir));
    }
    return entries;
}

std::optional<QStringList> readM3u(const QString& path) {
    const std::optional<QByteArray> content = readRegularFile(path, kMaxM3uBytes);
    if (!content) {
        return std::nullopt;
    }
    return parseM3u(*content, QFileInfo(path).absolutePath());
}

}  // namespace ruz::media
