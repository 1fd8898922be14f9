#pragma once

// The system's text at the edges that speak Qt (the desktop views, the media keys, the socket
// link, the media engine). QString holds UTF-16 as the system's text does: the units are copied
// as they are, lone surrogates included, with no conversion.

#include <QString>
#include <QStringList>

#include <string>
#include <string_view>
#include <vector>

namespace ruz {

inline QString toQString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

inline std::u16string fromQString(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

inline std::u16string fromQString(QStringView text) {
    return {text.utf16(), static_cast<std::size_t>(text.size())};
}

inline QStringList toQStringList(const std::vector<std::u16string>& texts) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::u16string& text : texts) {
        list.append(toQString(text));
    }
    return list;
}

inline std::vector<std::u16string> fromQStringList(const QStringList& list) {
    std::vector<std::u16string> texts;
    texts.reserve(static_cast<std::size_t>(list.size()));
    for (const QString& text : list) {
        texts.push_back(fromQString(text));
    }
    return texts;
}

}  // namespace ruz
