#pragma once

#include "app/frmamp.h"
#include "platform/clock.h"
#include "platform/scripted_dialogs.h"
#include "platform/tray.h"
#include "platform/virtual_timer_host.h"
#include "platform/winsys/window_model.h"
#include "standin/messenger_standin.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ruz {

// The whole program without a display: the main window on virtual time against the messenger
// stand-in, scripted dialogs, a recorded tray and the engine given. Unit tests, the scenario
// runner and the fuzz targets build it the same way.
class HeadlessSystem {
  public:
    using EngineFactory = std::function<std::unique_ptr<MediaEngine>(TimerHost& host)>;
    // `makeEngine` makes the engine on the system's virtual time; `answering`, when given,
    // answers the dialogs instead of the scripted ones.
    explicit HeadlessSystem(const EngineFactory& makeEngine,
                            std::unique_ptr<Dialogs> answering = nullptr);
    virtual ~HeadlessSystem();
    HeadlessSystem(const HeadlessSystem&) = delete;
    HeadlessSystem& operator=(const HeadlessSystem&) = delete;

    // Creates the main window; its enabled timers tick from now.
    FrmAmp& create();
    // Creates the main window if there is none and runs its start-up.
    FrmAmp& start();
    FrmAmp* app() { return app_.get(); }
    void wait(std::int64_t ms) { host.advance(ms); }
    // The lines the program sent into rooms, in order.
    std::vector<std::u16string> sent() const;

    VirtualTimerHost host;
    VirtualClock clock{host};
    winsys::WindowModel model;
    standin::MessengerStandIn standin;
    ScriptedDialogs dialogs;
    RecordedTray tray;
    std::unique_ptr<MediaEngine> engine;

  protected:
    // Ends the main window before the parts it uses.
    void destroyApp() { app_.reset(); }

  private:
    std::unique_ptr<Dialogs> answering_;
    Platform platform_;
    std::unique_ptr<FrmAmp> app_;
};

}  // namespace ruz
