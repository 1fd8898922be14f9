#include "desktop/welcome_wait.h"

#include <memory>
#include <utility>

namespace ruz::desktop {

WelcomeWait::WelcomeWait(TimerHost& timers, const irc::Session& session, std::function<void()> then)
    : timers_(timers),
      session_(session),
      then_(std::move(then)),
      timer_(timers.createTimer([this] { look(); })),
      startedMs_(timers.nowMs()) {
    timers_.startTimer(timer_, kPollMs);
    // The first look comes as soon as the loop runs: a session that cannot sign on waits for
    // nothing.
    timers_.post([this, alive = std::weak_ptr<bool>(alive_)] {
        if (!alive.expired()) {
            look();
        }
    });
}

WelcomeWait::~WelcomeWait() {
    timers_.destroyTimer(timer_);
}

void WelcomeWait::look() {
    if (!then_) {
        return;
    }
    const bool over = timers_.nowMs() - startedMs_ >= kWaitMs;
    if (!session_.registered() && session_.live() && !over) {
        return;
    }
    timers_.stopTimer(timer_);
    std::exchange(then_, nullptr)();
}

}  // namespace ruz::desktop
