#pragma once

#include "platform/timer_host.h"

#include <windows.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace ruz::win32 {

// The thread's message loop as a TimerHost: every timer is a SetTimer timer of a message-only
// window, and work handed over from other threads is posted to that window. Whatever message loop
// runs on the thread (the program's own, a message box's, a dialog's) delivers both, so timers
// keep ticking while a modal dialog is open. Create it on the user-interface thread.
class Win32TimerHost final : public TimerHost {
  public:
    Win32TimerHost();
    ~Win32TimerHost() override;
    Win32TimerHost(const Win32TimerHost&) = delete;
    Win32TimerHost& operator=(const Win32TimerHost&) = delete;

    TimerId createTimer(Callback onTick) override;
    void destroyTimer(TimerId id) override;
    void startTimer(TimerId id, int intervalMs) override;
    void stopTimer(TimerId id) override;
    void post(Callback work) override;
    std::int64_t nowMs() const override;

    // The message-only window that receives the ticks and the posted work.
    HWND window() const { return window_; }

  private:
    struct Timer {
        // Shared, so that a tick that destroys its own timer runs to its end.
        std::shared_ptr<Callback> onTick;
        bool running = false;
    };

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void tick(TimerId id);
    void runPosted();

    HWND window_ = nullptr;
    std::unordered_map<TimerId, Timer> timers_;
    TimerId nextId_ = 1;
    std::mutex postedLock_;
    std::deque<Callback> posted_;
    LARGE_INTEGER frequency_{};
    LARGE_INTEGER start_{};
};

}  // namespace ruz::win32
