#include "win32/win32_timer_host.h"

#include "platform/winsys/own_window.h"

#include <utility>

namespace ruz::win32 {

namespace {
constexpr wchar_t kWindowClass[] = L"TaviksRuzTimerHost";
// Work handed over with post() is waiting in the queue.
constexpr UINT kPostedWork = WM_APP + 1;
constexpr std::int64_t kMsPerSecond = 1000;
}  // namespace

Win32TimerHost::Win32TimerHost() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
    window_ = winsys::createOwnWindow(kWindowClass, &Win32TimerHost::windowProc, this);
}

Win32TimerHost::~Win32TimerHost() {
    if (window_ == nullptr) {
        return;
    }
    for (const auto& [id, timer] : timers_) {
        KillTimer(window_, static_cast<UINT_PTR>(id));
    }
    // The window's queued messages go with it: what is still posted is dropped.
    winsys::destroyOwnWindow(window_);
}

LRESULT CALLBACK Win32TimerHost::windowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    auto* host = winsys::ownerOf<Win32TimerHost>(window);
    if (host != nullptr) {
        if (message == WM_TIMER) {
            host->tick(static_cast<TimerId>(wParam));
            return 0;
        }
        if (message == kPostedWork) {
            host->runPosted();
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TimerHost::TimerId Win32TimerHost::createTimer(Callback onTick) {
    const TimerId id = nextId_++;
    timers_.emplace(id, Timer{std::make_shared<Callback>(std::move(onTick)), false});
    return id;
}

void Win32TimerHost::destroyTimer(TimerId id) {
    stopTimer(id);
    timers_.erase(id);
}

void Win32TimerHost::startTimer(TimerId id, int intervalMs) {
    const auto it = timers_.find(id);
    if (it == timers_.end() || window_ == nullptr) {
        return;
    }
    // SetTimer on a running timer's id replaces it: the interval starts afresh. A negative interval
    // is no interval; the system raises the shortest to its own minimum.
    const UINT interval = intervalMs > 0 ? static_cast<UINT>(intervalMs) : 0;
    it->second.running = SetTimer(window_, static_cast<UINT_PTR>(id), interval, nullptr) != 0;
}

void Win32TimerHost::stopTimer(TimerId id) {
    const auto it = timers_.find(id);
    if (it == timers_.end() || !it->second.running) {
        return;
    }
    it->second.running = false;
    KillTimer(window_, static_cast<UINT_PTR>(id));
}

void Win32TimerHost::tick(TimerId id) {
    const auto it = timers_.find(id);
    // A tick already on its way when its timer stopped is dropped.
    if (it == timers_.end() || !it->second.running) {
        return;
    }
    const std::shared_ptr<Callback> onTick = it->second.onTick;
    if (*onTick) {
        (*onTick)();
    }
}

void Win32TimerHost::post(Callback work) {
    if (window_ == nullptr) {
        return;  // no loop to run it on
    }
    {
        const std::lock_guard<std::mutex> lock(postedLock_);
        posted_.push_back(std::move(work));
    }
    // One message a job; should the queue refuse one, the next message runs its job too.
    PostMessageW(window_, kPostedWork, 0, 0);
}

void Win32TimerHost::runPosted() {
    // Every job waiting now and what its work posts meanwhile, oldest first; a job that runs a
    // modal dialog lets the dialog's loop run the next ones.
    for (;;) {
        Callback job;
        {
            const std::lock_guard<std::mutex> lock(postedLock_);
            if (posted_.empty()) {
                return;
            }
            job = std::move(posted_.front());
            posted_.pop_front();
        }
        if (job) {
            job();
        }
    }
}

std::int64_t Win32TimerHost::nowMs() const {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    const std::int64_t ticks = now.QuadPart - start_.QuadPart;
    const std::int64_t perSecond = frequency_.QuadPart > 0 ? frequency_.QuadPart : 1;
    // Whole seconds first, so that the product cannot overflow.
    return ticks / perSecond * kMsPerSecond + ticks % perSecond * kMsPerSecond / perSecond;
}

}  // namespace ruz::win32
