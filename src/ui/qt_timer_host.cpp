#include "ui/qt_timer_host.h"

#include <QMetaObject>
#include <QTimer>

namespace ruz::ui {

QtTimerHost::QtTimerHost() {
    clock_.start();
}

QtTimerHost::~QtTimerHost() {
    for (const auto& [id, timer] : timers_) {
        timer->stop();
    }
}

TimerHost::TimerId QtTimerHost::createTimer(Callback onTick) {
    auto* timer = new QTimer(&context_);  // owned by context_
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [tick = std::move(onTick)] {
        if (tick) {
            tick();
        }
    });
    const TimerId id = nextId_++;
    timers_.emplace(id, timer);
    return id;
}

void QtTimerHost::destroyTimer(TimerId id) {
    const auto it = timers_.find(id);
    if (it == timers_.end()) {
        return;
    }
    QTimer* timer = it->second;
    timers_.erase(it);
    timer->stop();
    timer->disconnect();
    // The timer may be the one whose tick is running right now.
    timer->deleteLater();
}

void QtTimerHost::startTimer(TimerId id, int intervalMs) {
    if (QTimer* timer = find(id)) {
        timer->start(intervalMs);
    }
}

void QtTimerHost::stopTimer(TimerId id) {
    if (QTimer* timer = find(id)) {
        timer->stop();
    }
}

void QtTimerHost::post(Callback work) {
    QMetaObject::invokeMethod(
        &context_,
        [job = std::move(work)] {
            if (job) {
                job();
            }
        },
        Qt::QueuedConnection);
}

std::int64_t QtTimerHost::nowMs() const {
    return clock_.elapsed();
}

QTimer* QtTimerHost::find(TimerId id) const {
    const auto it = timers_.find(id);
    return it != timers_.end() ? it->second : nullptr;
}

}  // namespace ruz::ui
