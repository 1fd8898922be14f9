#pragma once

#include "win32/view_support.h"
#include "words/ccoms.h"

#include <memory>

namespace ruz::win32 {

// The command-words window: a frameless window with its 25 boxes, dragged by the strip across its
// top, hidden by its button; where it stands on the screen is the window control's position.
class CcomsWindow {
  public:
    CcomsWindow(Ccoms& words, HICON icon, HWND owner);
    ~CcomsWindow();
    CcomsWindow(const CcomsWindow&) = delete;
    CcomsWindow& operator=(const CcomsWindow&) = delete;

    HWND handle() const { return window_; }
    // Every message of the window, from its creation on.
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The hide button's identifier, and the first box's: the boxes count up in the words' order.
    static constexpr int kHideId = 1;
    static constexpr int kBoxBase = 100;

  private:
    void build();
    void paint();
    // The fonts at the window's density, handed to its parts.
    void makeFonts();
    // Moved to a screen of another density: drawn at the density that fits it.
    void followScreen(int screenDpi, const RECT& suggested);
    // The pointer relative to the strip where it stands now, in twips: the window may have moved
    // since the message was queued.
    POINT pointerTwips() const;
    int px(int pixels) const { return MulDiv(pixels, dpi_, USER_DEFAULT_SCREEN_DPI); }

    Ccoms& words_;
    HWND window_ = nullptr;
    HWND hide_ = nullptr;
    HFONT titleFont_ = nullptr;
    HFONT controlFont_ = nullptr;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    bool updating_ = false;
    std::vector<std::pair<HWND, TextBox*>> boxes_;
    std::unique_ptr<ToolTips> tips_;
    Bindings bindings_;
};

}  // namespace ruz::win32
