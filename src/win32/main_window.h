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
    // The user's session ends (log off, shut down): the program may be ended without another
    // word once this returns.
    std::function<void()> onSessionEnd;
    // The keys of the menu's commands, for the message loop.
    HACCEL accelerators() const { return accelerators_; }
    // Brings the window to the front when it is shown but minimised or behind another window;
    // false, doing nothing, when it is hidden or in front already.
    bool comeForward();

    static constexpr int kWidth = 360;

    // How the window is laid out on a screen: the density its parts are drawn at and the heights
    // of the folder tree and the song list, in pixels at 96 dots an inch.
    struct Arrangement {
        int dpi;
        int treeHeight;
        int listHeight;
        bool operator==(const Arrangement&) const = default;
    };
    // The arrangement that fits a client area of at most `room` pixels at `dpi`: the design's
    // where it fits; else the tree and the list shorter, down to a few rows each; else all of it
    // drawn smaller.
    static Arrangement arrange(int dpi, SIZE room);
    // Lays the window out for a screen of `dpi` whose work area is `area`, and keeps it there.
    void fitTo(int dpi, const RECT& area);
    const Arrangement& arrangement() const { return arrangement_; }

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
        kPositionId,
        kVolumeId,
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
    HWND sliderView(Slider& slider, int id);
    // Every child window where the arrangement puts it, in fonts of its density.
    void layOut();
    // Where the arrangement puts child `id`, in pixels at 96 dots an inch.
    RECT designPlace(int id) const;
    // The same in the window's pixels.
    RECT place(int id) const;
    int px(int pixels) const { return MulDiv(pixels, arrangement_.dpi, USER_DEFAULT_SCREEN_DPI); }
    HWND item(int id) const { return GetDlgItem(window_, id); }
    RECT box(int x, int y, int width, int height) const {
        return RECT{px(x), px(y), px(x + width), px(y + height)};
    }
    void makeFonts();

    FrmAmp& amp_;
    HWND window_ = nullptr;
    HWND ccoms_ = nullptr;
    HMENU menu_ = nullptr;
    HACCEL accelerators_ = nullptr;
    HFONT songFont_ = nullptr;
    HFONT artistFont_ = nullptr;
    HFONT controlFont_ = nullptr;
    HBRUSH displayBrush_ = nullptr;
    Arrangement arrangement_{USER_DEFAULT_SCREEN_DPI, 0, 0};
    bool syncPending_ = false;
    bool syncing_ = false;
    int frontRequestsSeen_ = 0;
    std::unique_ptr<FolderTreeView> tree_;
    std::unique_ptr<ToolTips> tips_;
    Bindings bindings_;
    ChatCommands chat_;
};

}  // namespace ruz::win32
