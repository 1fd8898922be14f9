#pragma once

#include "irc/session.h"
#include "platform/timer_host.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace ruz::desktop {

// Start-up on a chat network waits for the server's welcome, so that the screen name read at start
// is the nick the server accepted: `then` runs once the session is registered, can no longer be
// (it stopped trying), or the wait is over, whichever comes first. The session is looked at once
// the loop runs, then every kPollMs on `timers`.
class WelcomeWait {
  public:
    static constexpr int kWaitMs = 10000;
    static constexpr int kPollMs = 100;

    WelcomeWait(TimerHost& timers, const irc::Session& session, std::function<void()> then);
    ~WelcomeWait();
    WelcomeWait(const WelcomeWait&) = delete;
    WelcomeWait& operator=(const WelcomeWait&) = delete;

    bool waiting() const { return static_cast<bool>(then_); }

  private:
    void look();

    TimerHost& timers_;
    const irc::Session& session_;
    std::function<void()> then_;
    TimerHost::TimerId timer_;
    std::int64_t startedMs_;
    // Gone with the wait: the first look, posted to the loop, then finds nothing to do.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace ruz::desktop
