#pragma once

#include "app/frmamp.h"
#include "win32/view_support.h"

#include <functional>
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
    // The tips over the child windows.
    HWND toolTips() const { return tips_->handle(); }
    // Every message of the window, from its creation on.
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The command-words window, which the menu brings to the front when it is open.
    void setCcomsWindow(HWND window) { ccoms_ = window; }
    // The menu "Chat": the connection's state (a line that runs nothing), then signing on to a
    // chat network, joining one of its channels and signing off, each offered while its test
    // holds.
    struct ChatCommands {
        std::function<void()> signOn;
        std::function<void()> signOff;
        std::function<bool()> signOnOffered;
        std::function<bool()> signOffOffered;
        std::function<void()> join;
        std::function<bool()> joinOffered;
        std::function<std::u16string()> status;
    };
    void setChatCommands(ChatCommands commands) { chat_ = std::move(commands); }
    // The keys of the menu's commands, for the message loop.
    HACCEL accelerators() const { return accelerators_; }
    // Brings the window to the front when it is shown but minimised or behind another window;
    // false, doing nothing, when it is hidden or in front already.
    bool comeForward();

    static constexpr int kWidth = 360;

    // Child window identifiers: the picture buttons, option boxes and menu entries count up from
    // their bases in the orders of their tables.
    enum ChildId : int {
        kSongId = 10,
        kArtistId,
        kUserId,
        kTimeId,
        kFolderLabelId,
        kTreeId,
        kListId,
        kProgressId,
        kAwayId,
        kPictureBase = 100,
        kOptionBase = 200,
        kMenuBase = 300,
        kPlayOrPauseId = 400,
        kOpenFolderId,
        kQuitId,
        kSignOnId,
        kSignOffId,
        kJoinId,
        kChatStatusId,
    };

  private:
    void build();
    void buildDisplay();
    void buildTransport();
    void buildFolders();
    void buildOptions();
    void buildStatus();
    void buildMenu();
    void command(int id, int code, HWND from);
    // Greys the menu's entries that are not offered now, and shows the connection's state.
    void offerChatCommands();
    void scrolled(HWND slider, int code);
    void paint();
    LRESULT drawButton(const DRAWITEMSTRUCT& item);
    // Shows the window control's caption, visibility and state; changes that come together are
    // shown together, once the messages in hand are handled.
    void syncWindow();
    void playOrPause();
    HWND sliderView(Slider& slider, RECT place);
    int px(int pixels) const { return MulDiv(pixels, dpi_, USER_DEFAULT_SCREEN_DPI); }
    HWND item(int id) const { return GetDlgItem(window_, id); }
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
    std::unique_ptr<ToolTips> tips_;
    Bindings bindings_;
    ChatCommands chat_;
};

}  // namespace ruz::win32
