// The Windows front end: its windows on the system's controls (the main window and the
// command-words window, with the program's own code on virtual seams), driven through the
// messages a user's clicks and keys send; the pictures; the command line and paths.
#include "app/frmamp.h"
#include "platform/clock.h"
#include "platform/native_name.h"
#include "platform/scripted_dialogs.h"
#include "platform/scripted_engine.h"
#include "platform/virtual_timer_host.h"
#include "platform/winsys/window_model.h"
#include "win32/ccoms_window.h"
#include "win32/command_line.h"
#include "win32/main_window.h"
#include "win32/pictures.h"
#include "win32/view_support.h"
#include "win32/wide.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <filesystem>
#include <fstream>

namespace ruz::win32 {
namespace {

TEST(Win32CommandLine, TakesOneFolderOrSongAndRefusesWhatItDoesNotKnow) {
    struct Row {
        std::vector<std::wstring> arguments;
        std::wstring folder;
        bool help, version, refused;
    };
    const Row rows[] = {
        {{}, L"", false, false, false},
        {{L"C:\\Music"}, L"C:\\Music", false, false, false},
        {{L"song.mp3"}, L"song.mp3", false, false, false},
        {{L"--help"}, L"", true, false, false},
        {{L"-h", L"C:\\Music"}, L"C:\\Music", true, false, false},
        {{L"-v"}, L"", false, true, false},
        {{L"--version"}, L"", false, true, false},
        {{L"--irc"}, L"", false, false, true},
        {{L"-x", L"C:\\Music"}, L"C:\\Music", false, false, true},
        {{L"C:\\Music", L"D:\\More"}, L"C:\\Music", false, false, true},
        {{L""}, L"", false, false, true},
        {{L"-"}, L"-", false, false, false},
    };
    for (const Row& row : rows) {
        const CommandLine line = parseCommandLine(row.arguments);
        const std::string shown = row.arguments.empty() ? "(none)" : narrow(row.arguments[0]);
        EXPECT_EQ(line.folder, row.folder) << shown;
        EXPECT_EQ(line.help, row.help) << shown;
        EXPECT_EQ(line.version, row.version) << shown;
        EXPECT_EQ(!line.error.empty(), row.refused) << shown;
    }
}

TEST(Win32Paths, ADriveStartsARootedPathAndTheSeparatorsTurnBothWays) {
    struct Row {
        std::u16string given, absolute;
    };
    const Row rows[] = {
        {u"C:/Music/../Songs/", u"C:/Songs"},
        {u"C:/Music/./Jazz", u"C:/Music/Jazz"},
        {u"Z:/tmp/songs", u"Z:/tmp/songs"},
        {u"/top/x", u"/top/x"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(absolutePath(row.given), row.absolute);
    }
    // A relative path starts at the working folder, a drive or not.
    EXPECT_NE(absolutePath(u"Songs"), u"Songs");
    EXPECT_EQ(corePath(u"C:\\Music\\Jazz"), u"C:/Music/Jazz");
    EXPECT_EQ(shownPath(u"C:/Music/Jazz"), u"C:\\Music\\Jazz");
    EXPECT_EQ(shownPath(corePath(u"D:\\a b\\c")), u"D:\\a b\\c");
}

TEST(Win32Views, OnlyF1ToF8AreOptionKeys) {
    struct Row {
        WPARAM key;
        int code;
    };
    const Row rows[] = {{VK_F1, 112}, {VK_F4, 115}, {VK_F8, 119},   {VK_F9, 0},
                        {VK_F12, 0},  {'A', 0},     {VK_RETURN, 0}, {0, 0}};
    for (const Row& row : rows) {
        EXPECT_EQ(optionKeyCode(row.key), row.code) << row.key;
    }
}

TEST(Win32Views, ABoxCaptionIsItsTipBeforeAnyColonWithoutTheWordCcom) {
    struct Row {
        std::u16string tip, caption;
    };
    const Row rows[] = {
        {u"Skip ccom", u"Skip"},
        {u"Chat Send: the announcement, %s the song", u"Chat Send"},
        {u"Hide Ruz CCOM  ", u"Hide Ruz"},
        {u"Trigger", u"Trigger"},
        {u"ccom", u"box"},
        {u"", u"box"},
        {u": only an explanation", u"box"},
    };
    for (const Row& row : rows) {
        TextBox box(u"box");
        box.setToolTip(row.tip);
        EXPECT_EQ(boxCaption(box), row.caption);
    }
}

TEST(Win32Views, AWindowOnADenserScreenScalesItsChildren) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    HWND part = child(window, L"STATIC", u"", 0, RECT{10, 20, 40, 60}, 1);
    followDpi(window, 96, 192, RECT{5, 6, 405, 206});
    RECT place{};
    GetWindowRect(part, &place);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, 20);
    EXPECT_EQ(place.top, 40);
    EXPECT_EQ(place.right, 80);
    EXPECT_EQ(place.bottom, 120);
    GetWindowRect(window, &place);
    EXPECT_EQ(place.left, 5);
    EXPECT_EQ(place.right - place.left, 400);
    DestroyWindow(window);
}

TEST(Win32Pictures, TheLogoIsABubbleOnABlueTileAndMakesAnIcon) {
    constexpr int kSize = 64;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, kSize, kSize);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, picture);
    PatBlt(dc, 0, 0, kSize, kSize, BLACKNESS);
    drawLogo(dc, 0, 0, kSize);
    const COLORREF bubble = GetPixel(dc, 50, 14);
    const COLORREF tile = GetPixel(dc, 6, 50);
    const COLORREF outside = GetPixel(dc, 0, 0);
    const COLORREF note = GetPixel(dc, 29, 25);
    SelectObject(dc, old);
    DeleteObject(picture);
    DeleteDC(dc);
    EXPECT_EQ(bubble, RGB(0xff, 0xff, 0xff));
    EXPECT_GT(GetBValue(tile), GetRValue(tile));
    EXPECT_NE(tile, RGB(0xff, 0xff, 0xff));
    EXPECT_EQ(outside, RGB(0, 0, 0));  // the rounded corner leaves the background
    EXPECT_NE(note, RGB(0xff, 0xff, 0xff));

    HICON icon = makeLogoIcon(32);
    ASSERT_NE(icon, nullptr);
    DestroyIcon(icon);
}

// The program's own code on virtual seams, with the Windows views on it.
class Win32FrontEnd : public ::testing::Test {
  protected:
    Win32FrontEnd()
        : clock(host), platform{host, model, engine, dialogs, tray, clock}, amp(platform) {}

    // Hands the views the messages waiting for them (the window's changes are shown together,
    // once the messages in hand are handled).
    static void pump() {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    HWND item(int id) const { return GetDlgItem(view.handle(), id); }
    void click(int id) {
        SendMessageW(view.handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(item(id)));
    }

    VirtualTimerHost host;
    winsys::WindowModel model;
    ScriptedEngine engine;
    ScriptedDialogs dialogs;
    RecordedTray tray;
    VirtualClock clock;
    Platform platform;
    FrmAmp amp;
    MainWindow view{amp, nullptr};
};

TEST_F(Win32FrontEnd, TheDisplayShowsTheSongArtistUserAndTimeOfTheControls) {
    amp.Song.setCaption(u"  Low Hum ");
    amp.Artist.setCaption(u"Drone Club");
    amp.lblsn.setCaption(u"me");
    amp.Slider2.setMax(125);
    amp.Slider2.setValue(61);
    EXPECT_EQ(windowText(item(MainWindow::kSongId)), u"Low Hum");
    EXPECT_EQ(windowText(item(MainWindow::kArtistId)), u"Drone Club");
    EXPECT_EQ(windowText(item(MainWindow::kUserId)), u"User: me");
    EXPECT_EQ(windowText(item(MainWindow::kTimeId)), u"1:01 / 2:05");
    amp.lblsn.setCaption(u"");
    EXPECT_EQ(windowText(item(MainWindow::kUserId)), u"");
}

TEST_F(Win32FrontEnd, OptionBoxesTakeClicksAndTheKeysF1ToF8) {
    // The boxes in the window's order: Auto get song, Repeat, Shuffle, Keep from rating, Anti-lag.
    const HWND repeat = item(MainWindow::kOptionBase + 1);
    const int before = amp.chkRepeat.value();
    click(MainWindow::kOptionBase + 1);
    EXPECT_EQ(amp.chkRepeat.value(), before == 0 ? 1 : 0);
    EXPECT_EQ(SendMessageW(repeat, BM_GETCHECK, 0, 0), before == 0 ? BST_CHECKED : BST_UNCHECKED);

    // F1 to F8 pressed in any of the first four boxes: two keys a box, on then off.
    const HWND first = item(MainWindow::kOptionBase);
    SendMessageW(first, WM_KEYDOWN, VK_F6, 0);
    EXPECT_EQ(amp.chkRandomSong.value(), 0);
    SendMessageW(first, WM_KEYDOWN, VK_F5, 0);
    EXPECT_EQ(amp.chkRandomSong.value(), 1);
    SendMessageW(repeat, WM_KEYDOWN, VK_F2, 0);
    EXPECT_EQ(amp.chkAutoGetSong.value(), 0);
    EXPECT_EQ(SendMessageW(first, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SendMessageW(repeat, WM_KEYDOWN, VK_F9, 0);
    EXPECT_EQ(amp.chkAutoGetSong.value(), 0);
    // The last box takes no keys.
    SendMessageW(item(MainWindow::kOptionBase + 4), WM_KEYDOWN, VK_F1, 0);
    EXPECT_EQ(amp.chkAutoGetSong.value(), 0);
}

TEST_F(Win32FrontEnd, TheWindowFollowsItsControlAndItsHideButton) {
    amp.window.setCaption(u"\u2020- Taviks Ruz - User (me) -\u2020");
    amp.window.setVisible(true);
    pump();
    EXPECT_TRUE(IsWindowVisible(view.handle()));
    EXPECT_EQ(windowText(view.handle()), u"\u2020- Taviks Ruz - User (me) -\u2020");
    click(MainWindow::kPictureBase + 8);  // Image10: to the icon
    pump();
    EXPECT_FALSE(amp.window.visible());
    EXPECT_FALSE(IsWindowVisible(view.handle()));
    amp.window.setVisible(true);
    pump();
    EXPECT_TRUE(IsWindowVisible(view.handle()));
}

TEST_F(Win32FrontEnd, ControlsShowTheirTipsAndTheOptionBoxesNameTheirKeys) {
    const auto tipOf = [this](int id) {
        wchar_t text[256] = {};
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V1_SIZE;
        tool.hwnd = view.handle();
        tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(view.handle(), id));
        tool.lpszText = text;
        SendMessageW(view.toolTips(), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
        return fromWide(text);
    };
    ASSERT_FALSE(amp.File1.toolTip().empty());
    EXPECT_EQ(tipOf(MainWindow::kListId), amp.File1.toolTip());
    EXPECT_EQ(tipOf(MainWindow::kOptionBase + 1),
              u"Repeat song: F3 on, F4 off, while an option box has the focus");
    EXPECT_EQ(tipOf(MainWindow::kPictureBase + 2), amp.Image7.toolTip());
}

TEST_F(Win32FrontEnd, TheSkinsPictureDragsTheWindow) {
    amp.window.setVisible(true);
    pump();
    POINT logo{30, 30};
    ClientToScreen(view.handle(), &logo);
    EXPECT_EQ(SendMessageW(view.handle(), WM_NCHITTEST, 0, MAKELPARAM(logo.x, logo.y)), HTCAPTION);
    POINT list{30, 500};
    ClientToScreen(view.handle(), &list);
    EXPECT_NE(SendMessageW(view.handle(), WM_NCHITTEST, 0, MAKELPARAM(list.x, list.y)), HTCAPTION);
}

TEST_F(Win32FrontEnd, ThePlaylistShowsTheFolderAndAClickSelects) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"ruz-front-end-test";
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const wchar_t* name : {L"b song.mp3", L"A song.mp3", L"notes.txt"}) {
        std::ofstream(std::filesystem::path(folder + L"\\" + name)) << "x";
    }
    ASSERT_TRUE(amp.File1.setPath(corePath(fromWide(folder))));
    const HWND list = item(MainWindow::kListId);
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
    wchar_t first[64] = {};
    SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(first, L"A song.mp3");
    EXPECT_EQ(windowText(item(MainWindow::kFolderLabelId)), shownPath(amp.File1.path()));

    SendMessageW(list, LB_SETCURSEL, 1, 0);
    SendMessageW(view.handle(), WM_COMMAND, MAKEWPARAM(MainWindow::kListId, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(amp.File1.listIndex(), 1);
    amp.File1.setListIndex(0);
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
    for (const wchar_t* name : {L"b song.mp3", L"A song.mp3", L"notes.txt"}) {
        DeleteFileW((folder + L"\\" + name).c_str());
    }
    RemoveDirectoryW(folder.c_str());
}

TEST_F(Win32FrontEnd, TheCommandWordsWindowEditsItsBoxesAndStandsWhereItsControlSays) {
    Ccoms& words = amp.ccoms();
    CcomsWindow window(words, nullptr, nullptr);
    const HWND skip =
        GetDlgItem(window.handle(), CcomsWindow::kBoxBase + static_cast<int>(Word::Skip));
    ASSERT_NE(skip, nullptr);
    EXPECT_EQ(windowText(skip), words.box(Word::Skip).text());
    SetWindowTextW(skip, L"nxt");  // as typed: the box reports the change
    EXPECT_EQ(words.box(Word::Skip).text(), u"nxt");
    words.box(Word::Skip).setText(u"skip");
    EXPECT_EQ(windowText(skip), u"skip");

    words.window.move(150 * kTwipsPerPixel, 75 * kTwipsPerPixel);
    words.window.setVisible(true);
    RECT place{};
    GetWindowRect(window.handle(), &place);
    EXPECT_EQ(place.left, 150);
    EXPECT_EQ(place.top, 75);
    EXPECT_TRUE(IsWindowVisible(window.handle()));
    SendMessageW(window.handle(), WM_COMMAND, MAKEWPARAM(CcomsWindow::kHideId, BN_CLICKED), 0);
    EXPECT_FALSE(words.window.visible());
    EXPECT_FALSE(IsWindowVisible(window.handle()));
}

}  // namespace
}  // namespace ruz::win32
