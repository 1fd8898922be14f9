// The Windows front end: its windows on the system's controls (the main window, the
// command-words window, the chat rooms' windows and the sign-on window, with the program's own
// code on virtual seams), driven through the messages a user's clicks and keys send; the
// pictures; the command line and paths.
#include "app/frmamp.h"
#include "common/settings_store.h"
#include "platform/clock.h"
#include "platform/native_name.h"
#include "platform/scripted_dialogs.h"
#include "platform/scripted_engine.h"
#include "platform/virtual_timer_host.h"
#include "platform/winsys/window_model.h"
#include "standin/messenger_standin.h"
#include "text/text.h"
#include "win32/ccoms_window.h"
#include "win32/chat_windows.h"
#include "win32/command_line.h"
#include "win32/main_window.h"
#include "win32/pictures.h"
#include "win32/sign_on_dialog.h"
#include "win32/view_support.h"
#include "win32/wide.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace ruz::win32 {
namespace {

// What the line means is the desktop layer's (tested with the core); here, that the system's
// UTF-16 arguments reach it as UTF-8 and the folder comes back as the system names it.
TEST(Win32CommandLine, TheWideArgumentsReachTheDesktopLineAsUtf8) {
    const CommandLine folder = parseCommandLine({L"C:\\M\u00fcsic"});
    EXPECT_EQ(folder.wideFolder, L"C:\\M\u00fcsic");
    EXPECT_EQ(folder.folder, "C:\\M\u00fcsic");
    const CommandLine line = parseCommandLine({L"--tls", L"--irc", L"h:7000", L"--nick", L"n\u00e9",
                                               L"--channel", L"#caf\u00e9", L"--channel", L"b"});
    ASSERT_TRUE(line.irc) << line.error;
    EXPECT_EQ(line.irc->nick, "n\u00e9");
    EXPECT_EQ(line.irc->channels, (std::vector<std::string>{"#caf\u00e9", "#b"}));
    EXPECT_EQ(parseCommandLine({L""}).error, "an empty argument");
}

TEST(Win32CommandLine, ThePasswordFileOpensByItsWideName) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + L"ruz-p\u00e4ss\u20ac";
    std::ofstream(std::filesystem::path(file), std::ios::binary) << "s3cret\r\nnext\n";
    const CommandLine line = parseCommandLine(
        {L"--irc", L"h", L"--nick", L"me", L"--channel", L"a", L"--password-file", file});
    DeleteFileW(file.c_str());
    ASSERT_TRUE(line.irc) << line.error;
    EXPECT_EQ(line.irc->password, "s3cret");
    EXPECT_FALSE(parseCommandLine({L"--irc", L"h", L"--nick", L"me", L"--channel", L"a",
                                   L"--password-file", file})
                     .error.empty());
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

TEST(Win32Pictures, SkipAndBackEndInABarForwardAndRewindInAPoint) {
    // Drawn as on a button, the side a glyph points to ends in a full-height bar (">|", "|<")
    // or in the tip of a triangle (">>", "<<").
    constexpr int kSize = 30;
    constexpr COLORREF kInk = RGB(0, 0, 0);
    enum class End { Bar, Point };
    struct Row {
        Glyph glyph;
        bool right;  // the side it points to
        End end;
    };
    const Row rows[] = {
        {Glyph::Skip, true, End::Bar},
        {Glyph::Forward, true, End::Point},
        {Glyph::Back, false, End::Bar},
        {Glyph::Rewind, false, End::Point},
    };
    for (const Row& row : rows) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP picture = CreateCompatibleBitmap(screen, kSize, kSize);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, picture);
        PatBlt(dc, 0, 0, kSize, kSize, WHITENESS);
        const RECT face{0, 0, kSize, kSize};
        drawGlyph(dc, face, row.glyph, kInk);
        // The ink of each column, and of the glyph's tallest column.
        std::vector<int> ink(kSize, 0);
        for (int x = 0; x < kSize; ++x) {
            for (int y = 0; y < kSize; ++y) {
                ink[static_cast<std::size_t>(x)] += GetPixel(dc, x, y) == kInk ? 1 : 0;
            }
        }
        SelectObject(dc, old);
        DeleteObject(picture);
        DeleteDC(dc);
        const int tallest = *std::max_element(ink.begin(), ink.end());
        ASSERT_GT(tallest, 0) << static_cast<int>(row.glyph);
        // The outermost two columns with ink on the side it points to.
        int outer = row.right ? kSize - 1 : 0;
        while (ink[static_cast<std::size_t>(outer)] == 0) {
            outer += row.right ? -1 : 1;
        }
        const int inner = ink[static_cast<std::size_t>(outer + (row.right ? -1 : 1))];
        const int edge = std::min(ink[static_cast<std::size_t>(outer)], inner);
        if (row.end == End::Bar) {
            EXPECT_GE(edge + 1, tallest) << static_cast<int>(row.glyph);  // within a pixel
        } else {
            EXPECT_LT(edge * 3, tallest) << static_cast<int>(row.glyph);
        }
    }
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

TEST_F(Win32FrontEnd, TheChatMenuShowsTheConnectionsStateAndOffersEachCommandWhileItHolds) {
    bool signedOn = false;
    std::u16string status = u"Not signed on";
    int joins = 0;
    int signOffs = 0;
    view.setChatCommands({[] {}, [&signOffs] { ++signOffs; }, [&signedOn] { return !signedOn; },
                          [&signedOn] { return signedOn; }, [&joins] { ++joins; },
                          [&signedOn] { return signedOn; }, [&status] { return status; }});
    const HMENU menu = GetMenu(view.handle());
    ASSERT_NE(menu, nullptr);
    const auto shown = [&](int id) {
        SendMessageW(view.handle(), WM_INITMENUPOPUP, 0, 0);
        std::wstring text(256, L'\0');
        const int length = GetMenuStringW(menu, static_cast<UINT>(id), text.data(),
                                          static_cast<int>(text.size()), MF_BYCOMMAND);
        text.resize(static_cast<std::size_t>(std::max(length, 0)));
        return text;
    };
    const auto grey = [&](int id) {
        return (GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND) & MF_GRAYED) != 0;
    };
    struct Step {
        bool signedOn;
        std::u16string status;
    };
    const Step steps[] = {{false, u"Not signed on"},
                          {true, u"Connecting to irc.test:6697..."},
                          {true,
                           u"Not connected: the server did not answer TLS (is 6667 a plain "
                           u"port?)"},
                          {true, u"Online as me"}};
    for (const Step& step : steps) {
        signedOn = step.signedOn;
        status = step.status;
        EXPECT_EQ(shown(MainWindow::kChatStatusId), wide(step.status));
        EXPECT_TRUE(grey(MainWindow::kChatStatusId));
        EXPECT_EQ(grey(MainWindow::kJoinId), !step.signedOn);
        EXPECT_EQ(grey(MainWindow::kSignOffId), !step.signedOn);
        EXPECT_EQ(grey(MainWindow::kSignOnId), step.signedOn);
        const int before = joins;
        SendMessageW(view.handle(), WM_COMMAND, MAKEWPARAM(MainWindow::kJoinId, 0), 0);
        EXPECT_EQ(joins, before + (step.signedOn ? 1 : 0));
    }
    SendMessageW(view.handle(), WM_COMMAND, MAKEWPARAM(MainWindow::kSignOffId, 0), 0);
    EXPECT_EQ(signOffs, 1);
}

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
    const int dpi = view.arrangement().dpi;
    POINT logo{MulDiv(30, dpi, USER_DEFAULT_SCREEN_DPI), MulDiv(30, dpi, USER_DEFAULT_SCREEN_DPI)};
    ClientToScreen(view.handle(), &logo);
    EXPECT_EQ(SendMessageW(view.handle(), WM_NCHITTEST, 0, MAKELPARAM(logo.x, logo.y)), HTCAPTION);
    POINT list{MulDiv(30, dpi, USER_DEFAULT_SCREEN_DPI), MulDiv(500, dpi, USER_DEFAULT_SCREEN_DPI)};
    ClientToScreen(view.handle(), &list);
    EXPECT_NE(SendMessageW(view.handle(), WM_NCHITTEST, 0, MAKELPARAM(list.x, list.y)), HTCAPTION);
}

TEST(Win32MainWindowArrangement, TheDesignWhereItFitsElseShorterListsElseSmaller) {
    struct Row {
        int dpi;
        SIZE room;
        MainWindow::Arrangement arrangement;
    };
    const Row rows[] = {
        {96, {1280, 760}, {96, 130, 150}},  {144, {1280, 900}, {144, 130, 150}},
        {144, {1280, 760}, {144, 95, 111}}, {192, {1280, 740}, {169, 56, 64}},
        {192, {1280, 700}, {160, 56, 64}},  {192, {500, 1600}, {133, 130, 150}},
        {96, {0, 0}, {kLeastDpi, 56, 64}},  {0, {-5, -5}, {kLeastDpi, 56, 64}},
    };
    for (const Row& row : rows) {
        const MainWindow::Arrangement got = MainWindow::arrange(row.dpi, row.room);
        EXPECT_EQ(got.dpi, row.arrangement.dpi) << row.dpi << " " << row.room.cy;
        EXPECT_EQ(got.treeHeight, row.arrangement.treeHeight) << row.dpi << " " << row.room.cy;
        EXPECT_EQ(got.listHeight, row.arrangement.listHeight) << row.dpi << " " << row.room.cy;
    }
}

// Every part of the window lies inside its client area, and the window inside `area`.
void expectInside(HWND window, const RECT& area, int dpi) {
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_GE(outer.left, area.left) << dpi;
    EXPECT_GE(outer.top, area.top) << dpi;
    EXPECT_LE(outer.right, area.right) << dpi;
    EXPECT_LE(outer.bottom, area.bottom) << dpi;
    RECT client{};
    GetClientRect(window, &client);
    int parts = 0;
    for (HWND c = GetWindow(window, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT place{};
        GetWindowRect(c, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        EXPECT_GE(place.left, 0) << dpi << " part " << GetDlgCtrlID(c);
        EXPECT_GE(place.top, 0) << dpi << " part " << GetDlgCtrlID(c);
        EXPECT_LE(place.right, client.right) << dpi << " part " << GetDlgCtrlID(c);
        EXPECT_LE(place.bottom, client.bottom) << dpi << " part " << GetDlgCtrlID(c);
        ++parts;
    }
    EXPECT_GT(parts, 20);
}

TEST_F(Win32FrontEnd, AtEveryDensityTheWindowAndItsPartsFitTheWorkArea) {
    const RECT area{0, 0, 1280, 800};
    for (const int dpi : {96, 144, 192}) {
        view.fitTo(dpi, area);
        expectInside(view.handle(), area, dpi);
    }
    // At 96 dots an inch the window is as designed.
    view.fitTo(96, area);
    RECT client{};
    GetClientRect(view.handle(), &client);
    EXPECT_EQ(client.right, MainWindow::kWidth);
    EXPECT_EQ(view.arrangement(), (MainWindow::Arrangement{96, 130, 150}));
}

TEST_F(Win32FrontEnd, MovedToADenserScreenTheFontsAndPartsFollow) {
    view.fitTo(96, RECT{0, 0, 1280, 800});
    const auto fontHeight = [this] {
        const auto font =
            reinterpret_cast<HFONT>(SendMessageW(item(MainWindow::kListId), WM_GETFONT, 0, 0));
        LOGFONTW shape{};
        GetObjectW(font, sizeof shape, &shape);
        return shape.lfHeight < 0 ? -shape.lfHeight : shape.lfHeight;
    };
    const LONG before = fontHeight();
    RECT suggested{100, 50, 900, 1250};
    SendMessageW(view.handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(view.arrangement().dpi, 144);
    EXPECT_GT(fontHeight(), before);
    expectInside(view.handle(), workAreaNear(suggested), 144);
}

TEST_F(Win32FrontEnd, EveryMenuHasKeysOfItsOwn) {
    // Each menu of the window with the access keys of its entries, in their order.
    struct Row {
        const char* menu;
        int position;  // in the menu bar; -1: the bar itself
        std::wstring keys;
    };
    const Row rows[] = {
        {"menu bar", -1, L"OCR"},
        {"Options", 0, L"CAIMRPOQ"},
        {"Chat", 1, L"SJF"},
        {"Credits", 2, L"T"},
    };
    HMENU bar = GetMenu(view.handle());
    ASSERT_NE(bar, nullptr);
    for (const Row& row : rows) {
        HMENU menu = row.position < 0 ? bar : GetSubMenu(bar, row.position);
        ASSERT_NE(menu, nullptr) << row.menu;
        std::wstring keys;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[128] = {};
            if (GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION) == 0 ||
                GetMenuItemID(menu, i) == static_cast<UINT>(MainWindow::kChatStatusId)) {
                continue;  // a separator, or the connection's state, which runs nothing
            }
            const std::wstring caption = text;
            wchar_t key = 0;
            for (std::size_t at = 0; at + 1 < caption.size(); ++at) {
                if (caption[at] == L'&') {
                    if (caption[at + 1] != L'&') {
                        key = static_cast<wchar_t>(std::towupper(caption[at + 1]));
                        break;
                    }
                    ++at;  // "&&" shows one "&"
                }
            }
            EXPECT_NE(key, 0) << row.menu << ": " << narrow(caption);
            EXPECT_EQ(keys.find(key), std::wstring::npos) << row.menu << ": " << narrow(caption);
            keys += key;
        }
        EXPECT_EQ(keys, row.keys) << row.menu;
    }
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

    // Inside the work area at the screen's density, and again on a screen of twice it, with
    // larger fonts; the control knows where the window went.
    const auto insideWorkArea = [&window] {
        RECT outer{};
        GetWindowRect(window.handle(), &outer);
        const RECT area = workAreaNear(outer);
        return outer.left >= area.left && outer.top >= area.top && outer.right <= area.right &&
               outer.bottom <= area.bottom;
    };
    const auto fontHeight = [skip] {
        LOGFONTW shape{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(skip, WM_GETFONT, 0, 0)), sizeof shape,
                   &shape);
        return shape.lfHeight < 0 ? -shape.lfHeight : shape.lfHeight;
    };
    words.window.move(0, 0);
    EXPECT_TRUE(insideWorkArea());
    const LONG before = fontHeight();
    const int doubled = 2 * screenDpi();
    RECT suggested{10, 10, 3000, 2000};
    SendMessageW(window.handle(), WM_DPICHANGED, MAKEWPARAM(doubled, doubled),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_TRUE(insideWorkArea());
    EXPECT_GT(fontHeight(), before);
    RECT moved{};
    GetWindowRect(window.handle(), &moved);
    EXPECT_EQ(words.window.left(), moved.left * kTwipsPerPixel);
    EXPECT_EQ(words.window.top(), moved.top * kTwipsPerPixel);
}

// The rooms of a chat network's channels in the stand-in, with their windows; no network: the
// members' lines are played here, and what the rooms post is recorded.
class Win32ChatRooms : public ::testing::Test {
  protected:
    Win32ChatRooms() {
        messenger.signOn("me");
        for (const char* channel : {"#a", "#b"}) {
            rooms.push_back(messenger.openLinkedRoom(
                channel,
                [this, channel](const std::string& line) { posted.emplace_back(channel, line); },
                kKeepBytes));
        }
        pump();  // the windows come once the messages in hand are handled
    }

    static void pump() {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    HWND part(int room, int id) const { return GetDlgItem(windows.windowOf(room), id); }

    static constexpr std::size_t kKeepBytes = 64 * 1024;
    winsys::WindowModel model;
    standin::MessengerStandIn messenger{model, [] { return std::string("10:31:02 PM"); }};
    std::vector<int> rooms;
    std::vector<std::pair<std::string, std::string>> posted;  // channel, line
    ChatWindows windows{messenger, nullptr};
};

TEST_F(Win32ChatRooms, EachRoomHasAWindowThatShowsItsLinesAsPlainText) {
    const int a = rooms[0];
    const int b = rooms[1];
    const HWND roomA = FindWindowW(ChatWindows::kClassName, L"#a");
    ASSERT_NE(roomA, nullptr);
    EXPECT_EQ(roomA, windows.windowOf(a));
    EXPECT_EQ(FindWindowW(ChatWindows::kClassName, L"#b"), windows.windowOf(b));
    EXPECT_TRUE(IsWindowUnicode(roomA));
    // At the screen's density, inside its work area.
    for (const int room : {a, b}) {
        RECT outer{};
        GetWindowRect(windows.windowOf(room), &outer);
        const RECT area = workAreaNear(outer);
        EXPECT_GE(outer.left, area.left);
        EXPECT_GE(outer.top, area.top);
        EXPECT_LE(outer.right, area.right);
        EXPECT_LE(outer.bottom, area.bottom);
    }
    const std::u16string before = windowText(part(a, ChatWindows::kTranscriptId));

    messenger.memberSaysIn(a, "alice", "h\u00e9llo <b>x</b> & y");
    messenger.memberSaysIn(a, "bob", "second");
    messenger.memberSaysIn(b, "carol", "elsewhere");
    // A flood of lines is shown together, once the messages in hand are handled.
    EXPECT_EQ(windowText(part(a, ChatWindows::kTranscriptId)), before);
    pump();
    const std::u16string lines =
        u"10:31:02 PM alice: h\u00e9llo <b>x</b> & y\r\n"
        u"10:31:02 PM bob: second";
    const std::u16string shownA = windowText(part(a, ChatWindows::kTranscriptId));
    ASSERT_GE(shownA.size(), lines.size());
    EXPECT_EQ(shownA.substr(shownA.size() - lines.size()), lines);
    EXPECT_NE(windowText(part(b, ChatWindows::kTranscriptId)).find(u"carol: elsewhere"),
              std::u16string::npos);
    EXPECT_EQ(windowText(part(b, ChatWindows::kTranscriptId)).find(u"alice"), std::u16string::npos);
    // Scrolled to its end: the last line is in view.
    const HWND transcript = part(a, ChatWindows::kTranscriptId);
    const auto lastLine = SendMessageW(transcript, EM_GETLINECOUNT, 0, 0) - 1;
    EXPECT_GE(lastLine, SendMessageW(transcript, EM_GETFIRSTVISIBLELINE, 0, 0));

    // A busy room: only the new lines are added, and the window keeps the newest lines, whole.
    constexpr int kBusyLines = 2600;
    constexpr int kShownEvery = 100;
    for (int i = 0; i < kBusyLines; ++i) {
        messenger.memberSaysIn(a, "carol", "busy " + std::to_string(i));
        if (i % kShownEvery == 0) {
            pump();
        }
    }
    pump();
    const std::u16string busy = windowText(transcript);
    const auto shown = std::count(busy.begin(), busy.end(), u'\n') + 1;
    EXPECT_GE(shown, static_cast<std::ptrdiff_t>(ChatWindows::kScrollbackLines));
    EXPECT_LE(shown,
              static_cast<std::ptrdiff_t>(ChatWindows::kScrollbackLines + ChatWindows::kTrimChunk));
    EXPECT_EQ(busy.rfind(u"10:31:02 PM carol: busy ", 0), 0U);
    EXPECT_TRUE(busy.ends_with(u"\r\n10:31:02 PM carol: busy " +
                               text::fromUtf8(std::to_string(kBusyLines - 1))));
    EXPECT_EQ(busy.find(u"alice"), std::u16string::npos);
}

TEST_F(Win32ChatRooms, SendPostsTheInputInItsOwnRoomAndActivatingBringsTheRoomInFront) {
    const int a = rooms[0];
    const int b = rooms[1];
    ASSERT_EQ(messenger.frontRoomNumber(), b);  // the newest room is in front
    SetWindowTextW(part(a, ChatWindows::kInputId), L"to a \u2020");
    SendMessageW(part(a, ChatWindows::kSendId), BM_CLICK, 0, 0);
    EXPECT_EQ(posted, (std::vector<std::pair<std::string, std::string>>{{"#a", "to a \u2020"}}));
    EXPECT_EQ(windowText(part(a, ChatWindows::kInputId)), u"");
    EXPECT_EQ(messenger.frontRoomNumber(), a);
    pump();
    EXPECT_NE(windowText(part(a, ChatWindows::kTranscriptId)).find(u"me: to a \u2020"),
              std::u16string::npos);

    // Return in the input box sends too; an empty box posts nothing.
    SetWindowTextW(part(b, ChatWindows::kInputId), L"to b");
    SendMessageW(part(b, ChatWindows::kInputId), WM_KEYDOWN, VK_RETURN, 0);
    SendMessageW(part(b, ChatWindows::kSendId), BM_CLICK, 0, 0);
    EXPECT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted.back(), (std::pair<std::string, std::string>{"#b", "to b"}));
    EXPECT_EQ(messenger.frontRoomNumber(), b);

    SendMessageW(windows.windowOf(a), WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_EQ(messenger.frontRoomNumber(), a);
}

TEST_F(Win32ChatRooms, OnlyTheStandInsOwnRoomPostsAsAnotherMember) {
    // A chat network's rooms have no "Post as" line: their members post from elsewhere.
    EXPECT_EQ(part(rooms[0], ChatWindows::kMemberTextId), nullptr);
    EXPECT_EQ(part(rooms[0], ChatWindows::kPostId), nullptr);
    const int own = messenger.openRoom();
    pump();
    ASSERT_NE(part(own, ChatWindows::kPostId), nullptr);
    EXPECT_EQ(windowText(part(own, ChatWindows::kMemberId)), u"guest");

    struct Row {
        const wchar_t* member;
        const wchar_t* line;
        bool byReturn;
        const char16_t* shown;  // nullptr: nothing is posted, the line stays in its box
    };
    const Row rows[] = {
        {L"guest", L"hello †", false, u"guest: hello †"},
        {L"  carol ", L"by Return", true, u"carol: by Return"},
        {L"   ", L"no name", false, nullptr},
        {L"dave", L"", false, nullptr},
    };
    for (const Row& row : rows) {
        const std::u16string before = windowText(part(own, ChatWindows::kTranscriptId));
        SetWindowTextW(part(own, ChatWindows::kMemberId), row.member);
        SetWindowTextW(part(own, ChatWindows::kMemberTextId), row.line);
        if (row.byReturn) {
            SendMessageW(part(own, ChatWindows::kMemberTextId), WM_KEYDOWN, VK_RETURN, 0);
        } else {
            SendMessageW(part(own, ChatWindows::kPostId), BM_CLICK, 0, 0);
        }
        pump();
        const std::u16string after = windowText(part(own, ChatWindows::kTranscriptId));
        if (row.shown == nullptr) {
            EXPECT_EQ(after, before) << text::toUtf8(fromWide(row.line));
            EXPECT_EQ(windowText(part(own, ChatWindows::kMemberTextId)), fromWide(row.line));
            continue;
        }
        EXPECT_NE(after.find(row.shown), std::u16string::npos) << text::toUtf8(row.shown);
        EXPECT_EQ(windowText(part(own, ChatWindows::kMemberTextId)), u"");
    }
    // Nothing of it went to the chat network.
    EXPECT_TRUE(posted.empty());
}

TEST_F(Win32ChatRooms, ClosingAWindowMinimisesItAndWindowsGoWithTheirRooms) {
    const int a = rooms[0];
    const int b = rooms[1];
    const HWND roomB = windows.windowOf(b);
    SendMessageW(roomB, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(roomB));
    EXPECT_TRUE(IsIconic(roomB));
    EXPECT_EQ(messenger.openRoomCount(), 2);

    ASSERT_TRUE(messenger.frontRoom(a));
    ASSERT_TRUE(messenger.leaveFrontRoom());
    pump();
    EXPECT_EQ(windows.windowOf(a), nullptr);
    EXPECT_EQ(FindWindowW(ChatWindows::kClassName, L"#a"), nullptr);
    EXPECT_EQ(windows.windowOf(b), roomB);
    const int c = messenger.openLinkedRoom("#c", nullptr, kKeepBytes);
    pump();
    EXPECT_EQ(FindWindowW(ChatWindows::kClassName, L"#c"), windows.windowOf(c));
}

TEST(Win32SignOnDialog, EachFieldSaysWhatItIsForAndTheWindowFitsTheScreen) {
    SignOnDialog dialog({});
    const HWND window = dialog.open(nullptr);
    ASSERT_NE(window, nullptr);
    RECT client{};
    GetClientRect(window, &client);
    for (const int id :
         {SignOnDialog::kServerId, SignOnDialog::kPortId, SignOnDialog::kTlsId,
          SignOnDialog::kNickId, SignOnDialog::kChannelsId, SignOnDialog::kPasswordId}) {
        const HWND field = GetDlgItem(window, id);
        const HWND hint = GetDlgItem(window, id + SignOnDialog::kHintOffset);
        ASSERT_NE(hint, nullptr) << id;
        EXPECT_GT(windowText(hint).size(), 20u) << id;
        RECT fieldPlace{};
        RECT hintPlace{};
        GetWindowRect(field, &fieldPlace);
        GetWindowRect(hint, &hintPlace);
        EXPECT_GE(hintPlace.top, fieldPlace.bottom) << id;  // under its field
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&hintPlace), 2);
        EXPECT_LE(hintPlace.bottom, client.bottom) << id;
        EXPECT_LE(hintPlace.right, client.right) << id;
    }
    EXPECT_NE(windowText(GetDlgItem(window, SignOnDialog::kServerId + SignOnDialog::kHintOffset))
                  .find(u"irc.libera.chat"),
              std::u16string::npos);
    EXPECT_EQ(windowText(GetDlgItem(window, SignOnDialog::kPortId)), u"6697");
    EXPECT_EQ(IsDlgButtonChecked(window, SignOnDialog::kTlsId), BST_CHECKED);
    RECT outer{};
    GetWindowRect(window, &outer);
    const RECT area = workAreaNear(outer);
    EXPECT_GE(outer.top, area.top);
    EXPECT_LE(outer.bottom, area.bottom);
    DestroyWindow(window);
}

TEST(Win32SignOnDialog, RefusesWhatTheCoreRefusesAndTakesGoodFields) {
    SignOnDialog dialog({"irc.example.org", 6697, true, "me", "#a"});
    std::vector<std::string> problems;
    dialog.showProblem = [&problems](const std::string& problem) { problems.push_back(problem); };
    const HWND window = dialog.open(nullptr);
    ASSERT_NE(window, nullptr);
    const auto field = [window](int id) { return windowText(GetDlgItem(window, id)); };
    const auto setField = [window](int id, const wchar_t* text) {
        SetDlgItemTextW(window, id, text);
    };
    EXPECT_EQ(windowText(window), u"Sign on to a chat network");
    EXPECT_EQ(field(SignOnDialog::kServerId), u"irc.example.org");
    EXPECT_EQ(field(SignOnDialog::kPortId), u"6697");
    EXPECT_EQ(IsDlgButtonChecked(window, SignOnDialog::kTlsId), BST_CHECKED);
    EXPECT_EQ(field(SignOnDialog::kNickId), u"me");
    EXPECT_EQ(field(SignOnDialog::kChannelsId), u"#a");
    EXPECT_EQ(field(SignOnDialog::kPasswordId), u"");
    EXPECT_NE(
        GetWindowLongPtrW(GetDlgItem(window, SignOnDialog::kPasswordId), GWL_STYLE) & ES_PASSWORD,
        0);

    // The TLS box flips the usual port; a port of one's own stays.
    struct Flip {
        const wchar_t* port;
        UINT checked;
        std::u16string after;
    };
    const Flip flips[] = {{L"6697", BST_UNCHECKED, u"6667"},
                          {L"6667", BST_CHECKED, u"6697"},
                          {L"7000", BST_UNCHECKED, u"7000"},
                          {L"6697", BST_CHECKED, u"6697"}};
    for (const Flip& flip : flips) {
        setField(SignOnDialog::kPortId, flip.port);
        SendMessageW(GetDlgItem(window, SignOnDialog::kTlsId), BM_CLICK, 0, 0);
        EXPECT_EQ(IsDlgButtonChecked(window, SignOnDialog::kTlsId), flip.checked);
        EXPECT_EQ(field(SignOnDialog::kPortId), flip.after);
    }

    // Each refusal names its problem, and the window stays open.
    struct Refusal {
        const wchar_t *server, *port, *nick, *channels;
        std::string problem;
    };
    const Refusal refusals[] = {
        {L"irc.example.org", L"6697", L"9 lives", L"#a", "Enter a nickname without blanks."},
        {L"", L"6697", L"me", L"#a", "Enter the server's name."},
        {L"irc.example.org", L"6697", L"me", L" , ", "Enter one or more channels, such as #music."},
        {L"irc.example.org", L"0", L"me", L"#a", "Enter a port from 1 to 65535."},
        {L"irc.example.org", L"65536", L"me", L"#a", "Enter a port from 1 to 65535."},
    };
    for (const Refusal& refusal : refusals) {
        setField(SignOnDialog::kServerId, refusal.server);
        setField(SignOnDialog::kPortId, refusal.port);
        setField(SignOnDialog::kNickId, refusal.nick);
        setField(SignOnDialog::kChannelsId, refusal.channels);
        problems.clear();
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_EQ(problems, std::vector<std::string>{refusal.problem}) << refusal.problem;
        EXPECT_TRUE(IsWindow(window));
        EXPECT_FALSE(dialog.accepted());
    }

    setField(SignOnDialog::kServerId, L" irc.example.net ");
    setField(SignOnDialog::kPortId, L"6697");
    setField(SignOnDialog::kNickId, L" n\u00e9 ");
    setField(SignOnDialog::kChannelsId, L"music, #caf\u00e9");
    setField(SignOnDialog::kPasswordId, L"s3cret");
    problems.clear();
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(problems.empty());
    EXPECT_FALSE(IsWindow(window));
    ASSERT_TRUE(dialog.accepted());
    const irc::Settings& settings = *dialog.accepted();
    EXPECT_EQ(settings.endpoint.host, "irc.example.net");
    EXPECT_EQ(settings.endpoint.port, 6697);
    EXPECT_TRUE(settings.endpoint.tls);
    EXPECT_EQ(settings.nick, "n\u00e9");
    EXPECT_EQ(settings.channels, (std::vector<std::string>{"#music", "#caf\u00e9"}));
    EXPECT_EQ(settings.password, "s3cret");
    // What is kept: the fields as taken, without the password.
    EXPECT_EQ(dialog.fields().server, "irc.example.net");
    EXPECT_EQ(dialog.fields().nick, "n\u00e9");
    EXPECT_EQ(dialog.fields().channels, "music, #caf\u00e9");

    // Cancel takes nothing.
    SignOnDialog cancelled({});
    const HWND second = cancelled.open(nullptr);
    ASSERT_NE(second, nullptr);
    SendMessageW(second, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(second));
    EXPECT_FALSE(cancelled.accepted());
}

}  // namespace
}  // namespace ruz::win32
