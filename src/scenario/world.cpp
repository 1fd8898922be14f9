#include "scenario/world.h"

#include "platform/media/engine_factory.h"

#include <QDir>

namespace ruz::scenario {

World::World()
    : HeadlessSystem(makeVirtualTimeEngine),
      scratch_(QDir::tempPath() + QStringLiteral("/ruz-scenario-XXXXXX")),
      previousWorkingFolder_(QDir::currentPath()) {
    model.setRecording(false);
    if (scratch_.isValid()) {
        QDir::setCurrent(scratch_.path());
    }
}

World::~World() {
    destroyApp();
    QDir::setCurrent(previousWorkingFolder_);
}

QString World::absolute(const QString& path) const {
    return QDir::cleanPath(QDir(root()).absoluteFilePath(path));
}

QString World::relative(const QString& path) const {
    if (path.isEmpty()) {
        return path;
    }
    const QString rel = QDir(root()).relativeFilePath(QDir::cleanPath(path));
    return rel.isEmpty() ? QStringLiteral(".") : rel;
}

}  // namespace ruz::scenario
