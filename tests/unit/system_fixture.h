#pragma once

#include "app/frmamp.h"
#include "platform/clock.h"
#include "platform/scripted_dialogs.h"
#include "platform/scripted_engine.h"
#include "platform/tray.h"
#include "platform/virtual_timer_host.h"
#include "platform/winsys/window_model.h"
#include "standin/messenger_standin.h"

#include <gtest/gtest.h>

#include <memory>

namespace ruz::testing {

// The main window on virtual time against the messenger stand-in, scripted dialogs, a recorded
// tray and a scripted engine whose songs the test declares.
class SystemTest : public ::testing::Test {
  protected:
    SystemTest()
        : standin(model, [this] { return clock.longTime(clock.now()).toStdString(); }),
          dialogs([this](int ms) { host.advance(ms); }),
          platform{host, model, engine, dialogs, tray, clock} {}

    FrmAmp& create() {
        app = std::make_unique<FrmAmp>(platform);
        return *app;
    }
    // Creates the main window and runs its start-up, answering the question with `yes`.
    FrmAmp& start(bool yes = true) {
        dialogs.queueYesNo(yes);
        create().Form_Load();
        return *app;
    }
    QStringList sent() const {
        QStringList lines;
        for (const auto& line : standin.sentByProgram()) {
            lines.append(QString::fromStdString(line));
        }
        return lines;
    }

    VirtualTimerHost host;
    VirtualClock clock{host};
    winsys::WindowModel model;
    standin::MessengerStandIn standin;
    ScriptedDialogs dialogs;
    RecordedTray tray;
    ScriptedEngine engine;
    Platform platform;
    std::unique_ptr<FrmAmp> app;
};

}  // namespace ruz::testing
