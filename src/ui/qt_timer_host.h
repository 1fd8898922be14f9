#pragma once

#include "platform/timer_host.h"

#include <QElapsedTimer>
#include <QObject>

#include <unordered_map>

class QTimer;

namespace ruz::ui {

// The desktop's event loop as a TimerHost: one precise QTimer per timer, work from other threads
// queued to the user-interface thread. Create it on the user-interface thread, after the
// application object.
class QtTimerHost final : public TimerHost {
  public:
    QtTimerHost();
    ~QtTimerHost() override;
    QtTimerHost(const QtTimerHost&) = delete;
    QtTimerHost& operator=(const QtTimerHost&) = delete;

    TimerId createTimer(Callback onTick) override;
    void destroyTimer(TimerId id) override;
    void startTimer(TimerId id, int intervalMs) override;
    void stopTimer(TimerId id) override;
    void post(Callback work) override;
    std::int64_t nowMs() const override;

  private:
    QTimer* find(TimerId id) const;

    // Parent of every timer and receiver of posted work; what is still queued when the host goes
    // is dropped with it.
    QObject context_;
    std::unordered_map<TimerId, QTimer*> timers_;
    TimerId nextId_ = 1;
    QElapsedTimer clock_;
};

}  // namespace ruz::ui
