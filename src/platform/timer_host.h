#pragma once

#include <cstdint>
#include <functional>

namespace ruz {

// The event loop as the system sees it: periodic timers and work handed over from other threads.
// Everything a TimerHost calls runs on the user-interface thread.
class TimerHost {
  public:
    using TimerId = std::uint64_t;
    using Callback = std::function<void()>;

    virtual ~TimerHost() = default;

    // Creates a stopped timer whose ticks call `onTick`.
    virtual TimerId createTimer(Callback onTick) = 0;
    virtual void destroyTimer(TimerId id) = 0;
    // Starts the timer afresh: the first tick comes one full interval from now, then one every
    // interval. Starting a running timer restarts its interval.
    virtual void startTimer(TimerId id, int intervalMs) = 0;
    virtual void stopTimer(TimerId id) = 0;

    // Hands `work` to the user-interface thread. Safe to call from any thread.
    virtual void post(Callback work) = 0;

    // Milliseconds since the host was created (virtual time under tests).
    virtual std::int64_t nowMs() const = 0;
};

}  // namespace ruz
