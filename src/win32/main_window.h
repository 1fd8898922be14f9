#pragma once

#include "app/frmamp.h"
#include "win32/view_support.h"

#include <memory>

namespace ruz::win32 {

class FolderTreeView;

// The main window's skin: every child window shows one of FrmAmp's controls, bound to it, and
// hands the user's clicks, drags and keys to that control. The windows themselves decide nothing.
class MainWindow {
  public:
    MainWindow(FrmAmp& amp, HICON icon);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND handle() const { return window_; }
    // The command-words window, which the menu brings to the front when it is open.
    void setCcomsWindow(HWND window) { ccoms_ = window; }
    // The keys of the menu's commands, for the message loop.
    HACCEL accelerators() const { return accelerators_; }
    // Brings the window to the front when it is shown but minimised or behind another window;
    // false, doing nothing, when it is hidden or in front already.
    bool comeForward();

    static constexpr int kWidth = 360;

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void build();
    void buildDisplay();
    void buildTransport();
    void buildFolders();
    void buildOptions();
    void buildStatus();
    void buildMenu();
    void command(int id, int code, HWND from);
    void scrolled(HWND slider, int code);
    void paint();
    LRESULT drawButton(const DRAWITEMSTRUCT& item);
    // Shows the window control's caption, visibility and state; changes that come together are
    // shown together, once the messages in hand are handled.
    void syncWindow();
    void playOrPause();
    void sliderView(Slider& slider, RECT place);
    int px(int pixels) const { return MulDiv(pixels, dpi_, USER_DEFAULT_SCREEN_DPI); }
    RECT box(int x, int y, int width, int height) const {
        return RECT{px(x), px(y), px(x + width), px(y + height)};
    }

    FrmAmp& amp_;
    HWND window_ = nullptr;
    HWND ccoms_ = nullptr;
    HMENU menu_ = nullptr;
    HACCEL accelerators_ = nullptr;
    HFONT songFont_ = nullptr;
    HFONT artistFont_ = nullptr;
    HBRUSH displayBrush_ = nullptr;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    bool syncPending_ = false;
    bool syncing_ = false;
    int frontRequestsSeen_ = 0;
    std::unique_ptr<FolderTreeView> tree_;
    Bindings bindings_;
};

}  // namespace ruz::win32
