#include "scenario/world.h"

#include "platform/media/engine_factory.h"

namespace ruz::scenario {

World::World()
    : standin(model, [this] { return clock.longTime(clock.now()).toStdString(); }),
      dialogs([this](int ms) { host.advance(ms); }),
      engine(makeVirtualTimeEngine(host)),
      scratch_(QDir::tempPath() + QStringLiteral("/ruz-scenario-XXXXXX")),
      previousWorkingFolder_(QDir::currentPath()) {
    model.setRecording(false);
    if (scratch_.isValid()) {
        QDir::setCurrent(scratch_.path());
    }
    platform_ = std::make_unique<Platform>(Platform{host, model, *engine, dialogs, tray, clock});
}

World::~World() {
    app_.reset();
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

void World::start() {
    if (app_) {
        return;
    }
    app_ = std::make_unique<FrmAmp>(*platform_);
    app_->Form_Load();
}

}  // namespace ruz::scenario
