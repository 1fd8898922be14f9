#pragma once

#include "platform/timer_host.h"

#include <deque>
#include <map>
#include <mutex>

namespace ruz {

// A TimerHost on virtual time: nothing happens until advance() moves the clock, and then every due
// tick fires in time order; of two ticks due at once, the one scheduled earlier (at its timer's
// start or previous tick) fires first. Work handed over with
// post() runs at the next advance() or runPosted(), before any tick.
class VirtualTimerHost final : public TimerHost {
  public:
    TimerId createTimer(Callback onTick) override;
    void destroyTimer(TimerId id) override;
    void startTimer(TimerId id, int intervalMs) override;
    void stopTimer(TimerId id) override;
    void post(Callback work) override;
    std::int64_t nowMs() const override { return now_; }

    // Moves virtual time forward by `ms`, firing every tick that falls due on the way. May be
    // called again from inside a tick (a modal dialog that lets time pass): the inner call moves
    // the clock, and the outer one goes on from there.
    void advance(std::int64_t ms);
    // Runs the work handed over with post(), in order.
    void runPosted();

  private:
    struct Timer {
        Callback onTick;
        bool running = false;
        int intervalMs = 0;
        std::int64_t due = 0;
        std::uint64_t order = 0;  // scheduling sequence: breaks ties between equal due times
    };
    bool fireNextDue(std::int64_t until);

    std::map<TimerId, Timer> timers_;
    TimerId nextId_ = 1;
    std::uint64_t nextOrder_ = 1;
    std::int64_t now_ = 0;
    std::mutex postedMutex_;
    std::deque<Callback> posted_;
};

}  // namespace ruz
