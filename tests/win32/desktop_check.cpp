// The Windows program end to end, as a user's hands on its windows and on the messenger's room:
// answers Yes to the start-up question, finds the player at the top of the work area (the settings
// keep its place above the screen), finds the playlist's notice above the player with the
// focus (also after a click on it), reads the start-up line and the first announcement from the
// room's transcript, types ".skip" into the room and reads the next announcement, sets a command
// word in the command-words window and uses it, loads a folder of its own from the player's folder
// tree and finds its notice in front the same way, hides the player to its icon and shows it
// again, and ends it with ".end". Every look at another program's windows goes through the user32
// backend and the messenger link, as the player's own does.
//
// Usage: ruz-desktop-check [--hold MS] [NAME]
//   NAME       the room's signed-on user (default "me")
//   --hold MS  before ending the program, with its main window and its command-words window on
//              the screen, prints "holding" and waits MS milliseconds (for pictures of them)
// Prints one closing line; exits 0 when every step passed, 1 at the first that failed.
#include "messenger/aimchat.h"
#include "platform/winsys/user32_window_system.h"
#include "standin/transcript_markup.h"
#include "win32/answer_dialogs.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

// Every wait is bounded.
constexpr DWORD kStartTimeoutMs = 60000;  // the program's first window under a cold Wine
constexpr DWORD kStepTimeoutMs = 30000;   // each later step
constexpr DWORD kPollMs = 50;
constexpr int kQuietPolls = 20;  // no notice for a second: the first announcement had its turn
constexpr const char* kAnnouncementMark = "\xE2\x80\xA0-";  // "†-"
constexpr const char* kStartLine = "\xE2\x80\xA0- Loads Taviks Ruz -\xE2\x80\xA0";
constexpr const wchar_t* kMainClass = L"TaviksRuzMain";
constexpr const wchar_t* kCcomsClass = L"TaviksRuzCcoms";
constexpr const wchar_t* kDialogTitle = L"Taviks Ruz";
// The main window's menu entry that opens the command-words window, and the first word box.
constexpr WPARAM kCcomsMenuId = 300;
constexpr int kWordBoxBase = 100;
constexpr int kSkipWordIndex = 15;
constexpr const wchar_t* kNewSkipWord = L"nxt";
// The notice a folder load leaves up once its title list is built (it has closed the one before).
constexpr const wchar_t* kSendsOnNotice = L"Your Chat Sends Are Now Enabled";
constexpr int kNoticeClickInset = 12;  // pixels into a notice's client area: its text
constexpr DWORD kClickSettleMs = 500;

bool waitFor(DWORD timeoutMs, const std::function<bool()>& done) {
    const ULONGLONG until = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < until) {
        if (done()) {
            return true;
        }
        Sleep(kPollMs);
    }
    return done();
}

// The player's message boxes on the screen.
std::vector<HWND> dialogs() {
    std::vector<HWND> found;
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"#32770", kDialogTitle)) != nullptr) {
        if (IsWindowVisible(window)) {
            found.push_back(window);
        }
    }
    return found;
}

// Presses Yes, else OK, in every message box of the player; whether there was one.
bool answerDialogs() {
    return ruz::win32::answerDialogs(dialogs());
}

HWND mainWindow() {
    return FindWindowW(kMainClass, nullptr);
}

// The text of a message box, as its label shows it.
std::wstring dialogText(HWND dialog) {
    wchar_t text[256] = {};
    GetWindowTextW(FindWindowExW(dialog, nullptr, L"Static", nullptr), text, 256);
    return text;
}

// Whether `upper` stands above `lower` among the windows on the screen.
bool standsAbove(HWND upper, HWND lower) {
    for (HWND below = GetWindow(upper, GW_HWNDNEXT); below != nullptr;
         below = GetWindow(below, GW_HWNDNEXT)) {
        if (below == lower) {
            return true;
        }
    }
    return false;
}

// The one notice up once a folder's title list is built; nullptr while there is none, or more.
HWND sendsOnNotice() {
    const std::vector<HWND> open = dialogs();
    return open.size() == 1 && dialogText(open.front()) == kSendsOnNotice ? open.front() : nullptr;
}

// A left click at a point of the screen, through the system's input.
void clickAt(POINT at) {
    SetCursorPos(at.x, at.y);
    INPUT press[2] = {};
    press[0].type = INPUT_MOUSE;
    press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    press[1].type = INPUT_MOUSE;
    press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, press, sizeof(INPUT));
}

// The player's notice stands above the player and is the foreground window, also after a click on
// its text; then it is answered.
bool noticeInFront() {
    HWND notice = nullptr;
    const auto inFront = [&notice] {
        notice = sendsOnNotice();
        return notice != nullptr && standsAbove(notice, mainWindow()) &&
               GetForegroundWindow() == notice;
    };
    if (!waitFor(kStepTimeoutMs, inFront)) {
        std::printf("notice %p, above the player %d, foreground %p\n", static_cast<void*>(notice),
                    notice != nullptr && standsAbove(notice, mainWindow()),
                    static_cast<void*>(GetForegroundWindow()));
        return false;
    }
    POINT corner{kNoticeClickInset, kNoticeClickInset};
    ClientToScreen(notice, &corner);
    clickAt(corner);
    Sleep(kClickSettleMs);
    const HWND clicked = notice;
    if (!inFront() || notice != clicked) {
        std::printf("after a click: notice %p, above the player %d, foreground %p\n",
                    static_cast<void*>(notice),
                    notice != nullptr && standsAbove(notice, mainWindow()),
                    static_cast<void*>(GetForegroundWindow()));
        return false;
    }
    return ruz::win32::answerDialogs({notice});
}

// The player's folder tree.
HWND folderTree() {
    HWND tree = nullptr;
    EnumChildWindows(
        mainWindow(),
        [](HWND child, LPARAM found) {
            wchar_t kind[64] = {};
            GetClassNameW(child, kind, 64);
            if (std::wstring(kind) != WC_TREEVIEWW) {
                return TRUE;
            }
            *reinterpret_cast<HWND*>(found) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&tree));
    return tree;
}
bool mainShown() {
    return mainWindow() != nullptr && IsWindowVisible(mainWindow());
}

class Check {
  public:
    Check(std::string name, DWORD holdMs)
        : name_(std::move(name)), holdMs_(holdMs), chat_(windows_) {}

    int run() {
        struct Step {
            const char* what;
            bool (Check::*run)();
        };
        const Step steps[] = {
            {"the start-up question, answered Yes", &Check::answerQuestion},
            {"the main window, shown and titled for the user", &Check::mainWindowShown},
            {"the player's kept place, above the screen, brought onto its work area",
             &Check::placeOnScreen},
            {"the playlist's notice above the player with the focus", &Check::startNotice},
            {"the start-up line in the room", &Check::startLine},
            {"the first announcement once the notices are answered", &Check::firstAnnouncement},
            {"the next announcement after .skip", &Check::skip},
            {"a new command word set in the command-words window and used", &Check::newWord},
            {"a folder from the tree, its notice above the player with the focus",
             &Check::folderFromTree},
            {"hidden to the icon with .hide and shown again with .show", &Check::hideAndShow},
            {"the windows held for their pictures", &Check::hold},
            {"ended by .end", &Check::end},
        };
        for (const Step& step : steps) {
            if (!(this->*step.run)()) {
                std::printf("desktop check: FAIL at %s (last announced: %s)\n", step.what,
                            lastAnnouncement().c_str());
                return 1;
            }
        }
        std::printf("desktop check: ok, %zu steps; announced \"%s\" then \"%s\"\n",
                    std::size(steps), first_.c_str(), second_.c_str());
        return 0;
    }

  private:
    std::vector<ruz::standin::ReadBack> ownLines() {
        std::vector<ruz::standin::ReadBack> own;
        for (ruz::standin::ReadBack& line :
             ruz::standin::readTranscript(chat_.ReadChatTranscript())) {
            if (line.sender == name_) {
                own.push_back(std::move(line));
            }
        }
        return own;
    }
    // The user's lines after the last one that is `typed`; all of them when there is none.
    std::vector<std::string> linesAfter(const std::string& typed) {
        std::vector<std::string> after;
        for (const ruz::standin::ReadBack& line : ownLines()) {
            if (line.text == typed) {
                after.clear();
            } else {
                after.push_back(line.text);
            }
        }
        return after;
    }
    static bool announcement(const std::string& text) {
        return text.rfind(kAnnouncementMark, 0) == 0 && text != kStartLine;
    }
    std::string lastAnnouncement() {
        std::string last;
        for (const ruz::standin::ReadBack& line : ownLines()) {
            if (announcement(line.text)) {
                last = line.text;
            }
        }
        return last;
    }
    // Types `text` into the room's input box and presses its send button; then waits for an
    // announcement after that line, other than `previous`.
    bool sayAndHearAnnouncement(const std::string& text, const std::string& previous,
                                std::string& heard) {
        if (chat_.SendChatText(text) == 0) {
            return false;
        }
        return waitFor(kStepTimeoutMs, [&] {
            answerDialogs();
            for (const std::string& line : linesAfter(text)) {
                if (announcement(line) && line != previous) {
                    heard = line;
                    return true;
                }
            }
            return false;
        });
    }

    bool answerQuestion() {
        if (!waitFor(kStartTimeoutMs, [] { return !dialogs().empty(); })) {
            return false;
        }
        return waitFor(kStepTimeoutMs, [] {
            answerDialogs();
            return mainShown();
        });
    }
    bool mainWindowShown() {
        wchar_t title[256] = {};
        GetWindowTextW(mainWindow(), title, 256);
        const std::wstring expected = L"\u2020- Taviks Ruz - User (" +
                                      std::wstring(name_.begin(), name_.end()) + L") -\u2020";
        return mainShown() && !IsIconic(mainWindow()) && expected == title;
    }
    // The settings keep the player's frame above the screen: it stands at the work area's top.
    bool placeOnScreen() {
        RECT frame{};
        RECT area{};
        if (!GetWindowRect(mainWindow(), &frame) ||
            !SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
            return false;
        }
        if (frame.top != area.top || frame.left < area.left || frame.left >= area.right) {
            std::printf("the player's frame at %ld %ld, the work area's corner at %ld %ld\n",
                        frame.left, frame.top, area.left, area.top);
            return false;
        }
        return true;
    }
    bool startNotice() { return noticeInFront(); }
    // The first folder below the one listed, picked with a key in the player's folder tree.
    bool folderFromTree() {
        answerDialogs();
        const HWND tree = folderTree();
        if (tree == nullptr) {
            return false;
        }
        const auto listed =
            reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(listed));
        const auto below = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(listed)));
        if (listed == nullptr || below == nullptr) {
            return false;
        }
        waitFor(kStepTimeoutMs, [] { return dialogs().empty(); });
        // Down from the listed folder, as a key on the tree: its first folder, open already.
        PostMessageW(tree, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(tree, WM_KEYUP, VK_DOWN, 0);
        return waitFor(kStepTimeoutMs,
                       [&] {
                           return SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) ==
                                  reinterpret_cast<LRESULT>(below);
                       }) &&
               noticeInFront();
    }
    bool startLine() {
        return waitFor(kStepTimeoutMs, [&] {
            for (const ruz::standin::ReadBack& line : ownLines()) {
                if (line.text == kStartLine) {
                    return true;
                }
            }
            return false;
        });
    }
    bool firstAnnouncement() {
        int quiet = 0;
        return waitFor(kStepTimeoutMs, [&] {
            if (answerDialogs() || lastAnnouncement().empty()) {
                quiet = 0;
                return false;
            }
            first_ = lastAnnouncement();
            return ++quiet >= kQuietPolls;
        });
    }
    bool skip() { return sayAndHearAnnouncement(".skip", first_, second_); }
    bool newWord() {
        PostMessageW(mainWindow(), WM_COMMAND, kCcomsMenuId, 0);
        HWND words = nullptr;
        if (!waitFor(kStepTimeoutMs, [&] {
                words = FindWindowW(kCcomsClass, nullptr);
                return words != nullptr && IsWindowVisible(words);
            })) {
            return false;
        }
        HWND box = GetDlgItem(words, kWordBoxBase + kSkipWordIndex);
        if (box == nullptr) {
            return false;
        }
        SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kNewSkipWord));
        std::string heard;
        return sayAndHearAnnouncement(".nxt", second_, heard);
    }
    bool hideAndShow() {
        if (chat_.SendChatText(".hide") == 0 ||
            !waitFor(kStepTimeoutMs, [] { return mainWindow() != nullptr && !mainShown(); })) {
            return false;
        }
        return chat_.SendChatText(".show") != 0 && waitFor(kStepTimeoutMs, mainShown);
    }
    bool hold() {
        if (holdMs_ == 0) {
            return true;
        }
        HWND open = FindWindowW(kCcomsClass, nullptr);
        if (open == nullptr || !IsWindowVisible(open)) {
            PostMessageW(mainWindow(), WM_COMMAND, kCcomsMenuId, 0);
        }
        const bool both = waitFor(kStepTimeoutMs, [] {
            HWND words = FindWindowW(kCcomsClass, nullptr);
            return mainShown() && words != nullptr && IsWindowVisible(words);
        });
        std::printf("holding\n");
        std::fflush(stdout);
        Sleep(holdMs_);
        return both;
    }
    bool end() {
        return chat_.SendChatText(".end") != 0 &&
               waitFor(kStepTimeoutMs, [] { return mainWindow() == nullptr; });
    }

    std::string name_;
    DWORD holdMs_;
    ruz::winsys::User32WindowSystem windows_;
    ruz::messenger::AimChat chat_;
    std::string first_;
    std::string second_;
};

}  // namespace

int main(int argc, char** argv) {
    std::string name = "me";
    DWORD holdMs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--hold" && i + 1 < argc) {
            holdMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            name = argument;
        }
    }
    return Check(name, holdMs).run();
}
