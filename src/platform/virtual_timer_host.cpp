#include "platform/virtual_timer_host.h"

#include <algorithm>
#include <utility>

namespace ruz {

namespace {
// Work posted from inside posted work is run too, but a runaway chain is cut off.
constexpr int kMaxPostedRounds = 1000;
// A timer never ticks more often than once a millisecond.
constexpr int kMinIntervalMs = 1;
}  // namespace

TimerHost::TimerId VirtualTimerHost::createTimer(Callback onTick) {
    const TimerId id = nextId_++;
    timers_[id].onTick = std::move(onTick);
    return id;
}

void VirtualTimerHost::destroyTimer(TimerId id) {
    timers_.erase(id);
}

void VirtualTimerHost::startTimer(TimerId id, int intervalMs) {
    auto it = timers_.find(id);
    if (it == timers_.end()) {
        return;
    }
    Timer& timer = it->second;
    timer.running = true;
    timer.intervalMs = std::max(intervalMs, kMinIntervalMs);
    timer.due = now_ + timer.intervalMs;
    timer.order = nextOrder_++;
}

void VirtualTimerHost::stopTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it != timers_.end()) {
        it->second.running = false;
    }
}

void VirtualTimerHost::post(Callback work) {
    std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(work));
}

void VirtualTimerHost::runPosted() {
    for (int round = 0; round < kMaxPostedRounds; ++round) {
        std::deque<Callback> batch;
        {
            std::lock_guard lock(postedMutex_);
            if (posted_.empty()) {
                return;  // the common case after a tick: nothing to swap out
            }
            batch.swap(posted_);
        }
        if (batch.empty()) {
            return;
        }
        for (auto& work : batch) {
            work();
        }
    }
}

bool VirtualTimerHost::fireNextDue(std::int64_t until) {
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        const Timer& t = it->second;
        if (!t.running || t.due > until) {
            continue;
        }
        if (next == timers_.end() || t.due < next->second.due ||
            (t.due == next->second.due && t.order < next->second.order)) {
            next = it;
        }
    }
    if (next == timers_.end()) {
        return false;
    }
    Timer& timer = next->second;
    now_ = std::max(now_, timer.due);
    timer.due += timer.intervalMs;
    timer.order = nextOrder_++;
    // The callback may stop, restart or destroy any timer, this one included: copy it first.
    Callback tick = timer.onTick;
    tick();
    runPosted();
    return true;
}

void VirtualTimerHost::advance(std::int64_t ms) {
    const std::int64_t target = now_ + std::max<std::int64_t>(ms, 0);
    runPosted();
    while (fireNextDue(target)) {
    }
    now_ = std::max(now_, target);
}

}  // namespace ruz
