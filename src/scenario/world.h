#pragma once

#include "app/frmamp.h"
#include "platform/clock.h"
#include "platform/scripted_dialogs.h"
#include "platform/tray.h"
#include "platform/virtual_timer_host.h"
#include "platform/winsys/window_model.h"
#include "standin/messenger_standin.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace ruz::scenario {

// The whole program, headless: the main window on virtual time against the messenger stand-in,
// scripted dialogs, a recorded tray and the real engine with its silent output, in a scratch
// folder that is also the working folder.
class World {
  public:
    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    bool ready() const { return scratch_.isValid(); }
    // The scratch folder, absolute.
    QString root() const { return scratch_.path(); }
    // A scenario path (relative, "/"-separated) as an absolute path.
    QString absolute(const QString& path) const;
    // An absolute path as scenario text: relative to the scratch folder, "." for the folder.
    QString relative(const QString& path) const;

    // Creates the main window and runs its start-up.
    void start();
    void wait(std::int64_t ms) { host.advance(ms); }
    FrmAmp* app() { return app_.get(); }

    VirtualTimerHost host;
    VirtualClock clock{host};
    winsys::WindowModel model;
    standin::MessengerStandIn standin;
    ScriptedDialogs dialogs;
    RecordedTray tray;
    std::unique_ptr<MediaEngine> engine;

  private:
    QTemporaryDir scratch_;
    QString previousWorkingFolder_;
    std::unique_ptr<Platform> platform_;
    std::unique_ptr<FrmAmp> app_;
};

}  // namespace ruz::scenario
