#pragma once

#include "headless/headless_system.h"
#include "platform/scripted_engine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ruz::testing {

// The headless program with a scripted engine whose songs the test declares.
class SystemTest : public ::testing::Test {
  protected:
    SystemTest()
        : system([](TimerHost&) { return std::make_unique<ScriptedEngine>(); }),
          host(system.host),
          clock(system.clock),
          model(system.model),
          standin(system.standin),
          dialogs(system.dialogs),
          tray(system.tray),
          engine(static_cast<ScriptedEngine&>(*system.engine)) {}

    FrmAmp& create() { return system.create(); }
    // Creates the main window and runs its start-up, answering the question with `yes`.
    FrmAmp& start(bool yes = true) {
        dialogs.queueYesNo(yes);
        return system.start();
    }
    std::vector<std::u16string> sent() const { return system.sent(); }

    HeadlessSystem system;
    VirtualTimerHost& host;
    VirtualClock& clock;
    winsys::WindowModel& model;
    standin::MessengerStandIn& standin;
    ScriptedDialogs& dialogs;
    RecordedTray& tray;
    ScriptedEngine& engine;
};

}  // namespace ruz::testing
