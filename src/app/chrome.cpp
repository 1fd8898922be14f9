// The notification-area icon and the handling of the two windows.
#include "app/frmamp.h"

namespace ruz {

void FrmAmp::TrayIconMessage(int mouseMessage) {
    if (ended_ || mouseMessage != static_cast<int>(kWmLButtonDblClk)) {
        return;
    }
    window.setVisible(!window.visible());
    window.setWindowState(window.visible() ? kWindowNormal : kWindowMinimized);
}

void FrmAmp::MinimizeClicked() {
    AddTrayIcon();
    window.setVisible(false);
}

void FrmAmp::CcomsMenuClicked() {
    Ccoms& words = ccoms();
    if (words.window.visible()) {
        words.window.setVisible(false);
        return;
    }
    words.window.setVisible(true);
    window.setVisible(true);
}

void FrmAmp::wireChrome() {
    platform.tray.onIconMessage = [this](int message) { TrayIconMessage(message); };
    mnuMinimize.onClick = [this] { MinimizeClicked(); };
    mnuhelp.onClick = [this] { CcomsMenuClicked(); };
}

void FrmAmp::wireCcoms() {
    Ccoms& words = *ccoms_;
    words.Image26.onMouseDown = [&words](int, int x, int y) {
        words.anchorX = x;
        words.anchorY = y;
    };
    words.Image26.onMouseMove = [&words](int buttons, int x, int y) {
        if (buttons != kLeftButton) {
            return;
        }
        words.window.move(words.window.left() + x - words.anchorX, words.window.top());
        words.window.move(words.window.left(), words.window.top() + y - words.anchorY);
    };
    words.Image27.onClick = [&words] { words.window.setVisible(false); };
}

}  // namespace ruz
