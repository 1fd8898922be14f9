#pragma once

// The machine's timers, clock, dialogs and notification area for the Windows program, kept small:
// the program's seams on the Win32 message loop. Built for Windows only.

#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/timer_host.h"
#include "platform/tray.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <chrono>
#include <deque>
#include <map>
#include <mutex>

namespace ruz::win32 {

// Timers on a message-only window of the user-interface thread (WM_TIMER), and work handed over
// from other threads through a posted message.
class LoopTimerHost final : public TimerHost {
  public:
    LoopTimerHost();
    ~LoopTimerHost() override;
    LoopTimerHost(const LoopTimerHost&) = delete;
    LoopTimerHost& operator=(const LoopTimerHost&) = delete;

    TimerId createTimer(Callback onTick) override;
    void destroyTimer(TimerId id) override;
    void startTimer(TimerId id, int intervalMs) override;
    void stopTimer(TimerId id) override;
    void post(Callback work) override;
    std::int64_t nowMs() const override;

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void tick(TimerId id);
    void runPosted();

    HWND window_ = nullptr;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    TimerId nextId_ = 1;
    std::map<TimerId, Callback> timers_;
    std::mutex postedLock_;
    std::deque<Callback> posted_;
};

// The wall clock in the user's regional formats.
class SystemClock final : public Clock {
  public:
    WallTime now() const override;
    std::u16string longTime(WallTime at) const override;
    std::u16string shortDate(WallTime at) const override;
};

// Message boxes, a one-line prompt and the shell's folder picker, owned by the main window once
// it exists.
class MessageBoxDialogs final : public Dialogs {
  public:
    void setOwner(HWND owner) { owner_ = owner; }
    bool askYesNo(std::u16string_view text) override;
    void notice(std::u16string_view text) override;
    std::optional<std::u16string> prompt(std::u16string_view text,
                                         std::u16string_view title) override;
    std::u16string pickFolder(std::u16string_view title,
                              std::u16string_view initialFolder) override;

  private:
    HWND owner_ = nullptr;
};

// The notification area through Shell_NotifyIconW: one icon, whose mouse messages come back to a
// message-only window of its own.
class ShellTray final : public Tray {
  public:
    explicit ShellTray(HICON icon);
    ~ShellTray() override;
    ShellTray(const ShellTray&) = delete;
    ShellTray& operator=(const ShellTray&) = delete;
    bool notifyIcon(std::uint32_t message, const NotifyIconData& data) override;

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
    HICON icon_;
    bool present_ = false;
};

// UTF-16 of the system and of the program: the same units.
inline const wchar_t* wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline std::u16string fromWide(const wchar_t* text) {
    return text == nullptr ? std::u16string()
                           : std::u16string(reinterpret_cast<const char16_t*>(text));
}

}  // namespace ruz::win32
