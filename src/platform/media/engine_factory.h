#pragma once

#include "platform/media/media_engine.h"
#include "platform/timer_host.h"

#include <memory>

namespace ruz {

// The engine on the host's virtual clock, with silent output: for tests and the scenario runner.
// Songs are really read (lengths, the end of the data), but only as fast as virtual time passes.
std::unique_ptr<MediaEngine> makeVirtualTimeEngine(TimerHost& host);

// The desktop program's engine: sound through the system's device (SDL2 on Linux, waveOut on
// Windows). Where no sound device opens, it says so in one line on stderr and plays on silently,
// keeping time on the wall clock.
std::unique_ptr<MediaEngine> makeDesktopEngine(TimerHost& host);

}  // namespace ruz
