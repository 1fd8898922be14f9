#pragma once

#include "controls/controls.h"
#include "platform/tray.h"
#include "words/ccoms.h"

#include <functional>

namespace ruz {

// The notification-area icon and the handling of the two windows: hiding and showing the main
// window, the `Ccoms` window's menu entry, hide button and dragging.
class Chrome {
  public:
    struct Controls {
        Window& window;  // The main window
        MenuEntry& mnuMinimize;
        MenuEntry& mnuhelp;  // Ccoms
        Picture& Image10;    // Hide
    };
    // `words` gives the command-words window, creating it the first time.
    Chrome(Controls controls, Tray& tray, std::function<Ccoms&()> words,
           std::function<bool()> ended);
    ~Chrome();
    Chrome(const Chrome&) = delete;
    Chrome& operator=(const Chrome&) = delete;

    void AddTrayIcon();
    void RemoveTrayIcon();
    const NotifyIconData& trayRecord() const { return trayRecord_; }
    void trayIconMessage(int mouseMessage);
    void minimizeClicked();
    void ccomsMenuClicked();
    void hideMain() { c_.window.setVisible(false); }
    // The main window appears, not minimised and in front, whatever hid it.
    void showMain() {
        c_.window.setVisible(true);
        c_.window.setWindowState(kWindowNormal);
        c_.window.bringToFront();
    }
    void showCcoms() { words_().window.setVisible(true); }
    // Attaches the reactions of a newly created `Ccoms` window.
    void attachCcoms(Ccoms& ccoms);

  private:
    Controls c_;
    Tray& tray_;
    std::function<Ccoms&()> words_;
    std::function<bool()> ended_;
    NotifyIconData trayRecord_{};
    // Where a mouse button was last pressed on the `Ccoms` strip, in twips from its top-left.
    int anchorX_ = 0;
    int anchorY_ = 0;
};

}  // namespace ruz
