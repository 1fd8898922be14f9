#include "ui/qt_places.h"

#include "qt/qt_text.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ruz::ui {

desktop::Places::Kind QtPlaces::kindOf(const std::u16string& path) const {
    const QFileInfo info(toQString(path));
    return info.isDir() ? Kind::Folder : info.isFile() ? Kind::File : Kind::Missing;
}

std::u16string QtPlaces::absolute(const std::u16string& path) const {
    return fromQString(QDir::cleanPath(QFileInfo(toQString(path)).absoluteFilePath()));
}

std::pair<std::u16string, std::u16string> QtPlaces::split(const std::u16string& file) const {
    const QFileInfo info(toQString(file));
    return {fromQString(QDir::cleanPath(info.absolutePath())), fromQString(info.fileName())};
}

std::u16string QtPlaces::musicFolder() const {
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return music.isEmpty() ? std::u16string() : fromQString(QDir::cleanPath(music));
}

std::u16string QtPlaces::homeFolder() const {
    return fromQString(QDir::cleanPath(QDir::homePath()));
}

}  // namespace ruz::ui
