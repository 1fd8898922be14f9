#pragma once

#include "standin/messenger_standin.h"

#include <windows.h>

#include <functional>
#include <string>

namespace ruz::win32 {

// The messenger stand-in's buddy list as a window of the program, while the player drives the
// stand-in of its own (no messenger was running at start): captioned as the stand-in's buddy-list
// dialog, it shows the signed-on name online, "Join a chat room" (a new room of the stand-in, in
// front), "Sign on to a chat network..." and "Sign off". Closing it only minimises it.
class BuddyListWindow {
  public:
    static constexpr const wchar_t* kClassName = L"TaviksRuzBuddyList";
    enum ChildId : int { kNameId = 1101, kJoinId = 1102, kSignOnId = 1103, kSignOffId = 1104 };

    // What the chat-network buttons do, and whether each may be pressed now.
    struct Commands {
        std::function<void()> signOn;
        std::function<void()> signOff;
        std::function<bool()> canSignOn;
        std::function<bool()> canSignOff;
        // "Join a chat room"; without it, the button opens a room of the stand-in.
        std::function<void()> join;
    };

    // Shown at `place`, in pixels; the stand-in must outlive the window.
    BuddyListWindow(standin::MessengerStandIn& messenger, HICON icon, Commands commands,
                    POINT place);
    ~BuddyListWindow();
    BuddyListWindow(const BuddyListWindow&) = delete;
    BuddyListWindow& operator=(const BuddyListWindow&) = delete;

    HWND handle() const { return window_; }
    // Shows `captionUtf8`, the stand-in's signed-on name and which buttons work now.
    void refresh(const std::string& captionUtf8);
    // Tab between the buttons; false for a message of another window.
    bool dialogMessage(MSG& message);

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    void layOut();
    void updateButtons();

    standin::MessengerStandIn& messenger_;
    Commands commands_;
    HWND window_ = nullptr;
    HWND name_ = nullptr;
    HWND join_ = nullptr;
    HWND signOn_ = nullptr;
    HWND signOff_ = nullptr;
};

}  // namespace ruz::win32
