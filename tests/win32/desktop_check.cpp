// The Windows program end to end, as a user's hands on its windows and on the messenger's room:
// answers Yes to the start-up question, reads the start-up line and the first announcement from
// the room's transcript, types ".skip" into the room and reads the next announcement, sets a
// command word in the command-words window and uses it, finds the player and the command-words
// window inside the screen's work area with every part of the player inside it (at whatever
// density the screen has), opens the folder picker and finds it at the player's folder, hides the
// player to its icon and shows it again, and ends it with ".end". Every look at another program's
// windows goes through the user32 backend and the messenger link, as the player's own does. The
// text of every notice answered is printed on a line of its own ("notice: TEXT").
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

#include <algorithm>
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
// The main window's Open Folder button and the label that shows the player's folder.
constexpr int kOpenFolderButtonId = 107;
constexpr int kFolderLabelId = 14;
// Parts the player must show whole: the first and the last option box.
constexpr int kFirstOptionBoxId = 200;
constexpr int kLastOptionBoxId = 204;
constexpr int kTextCapacity = 1024;
constexpr int kSkipWordIndex = 15;
constexpr const wchar_t* kNewSkipWord = L"nxt";

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

std::wstring textOf(HWND window) {
    wchar_t text[kTextCapacity] = {};
    GetWindowTextW(window, text, kTextCapacity);
    return text;
}

// The texts of a dialog's labels.
std::vector<std::wstring> labelsOf(HWND dialog) {
    std::vector<std::wstring> labels;
    for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t kind[32] = {};
        GetClassNameW(c, kind, 32);
        const std::wstring text = textOf(c);
        if (std::wstring(kind) == L"Static" && !text.empty()) {
            labels.push_back(text);
        }
    }
    return labels;
}

// Whether `inner` lies inside `outer`.
bool inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Whether `window` lies inside the work area of its screen; says where when it does not.
bool onItsScreen(HWND window, const char* what) {
    RECT place{};
    MONITORINFO screen{};
    screen.cbSize = sizeof screen;
    if (!GetWindowRect(window, &place) ||
        !GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &screen)) {
        return false;
    }
    const bool ok = inside(place, screen.rcWork);
    if (!ok) {
        std::printf("%s at %ld,%ld-%ld,%ld, the work area %ld,%ld-%ld,%ld\n", what, place.left,
                    place.top, place.right, place.bottom, screen.rcWork.left, screen.rcWork.top,
                    screen.rcWork.right, screen.rcWork.bottom);
    }
    return ok;
}

// The folder picker the player opened: a dialog window of its process other than its notices.
HWND folderPicker(HWND player) {
    DWORD process = 0;
    GetWindowThreadProcessId(player, &process);
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"#32770", nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process && IsWindowVisible(window) && textOf(window) != kDialogTitle) {
            return window;
        }
    }
    return nullptr;
}

HWND mainWindow() {
    return FindWindowW(kMainClass, nullptr);
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
            {"the start-up line in the room", &Check::startLine},
            {"the first announcement once the notices are answered", &Check::firstAnnouncement},
            {"the next announcement after .skip", &Check::skip},
            {"a new command word set in the command-words window and used", &Check::newWord},
            {"the player and the command-words window inside the work area, every part of the "
             "player inside it",
             &Check::fitTheScreen},
            {"the folder picker opened at the player's folder", &Check::pickerAtThePlayersFolder},
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
    // Presses Yes, else OK, in every message box of the player, printing the text of each the
    // first time it is seen; whether there was one.
    bool answerDialogs() {
        const std::vector<HWND> open = dialogs();
        for (HWND dialog : open) {
            for (const std::wstring& text : labelsOf(dialog)) {
                if (std::find(told_.begin(), told_.end(), text) == told_.end()) {
                    told_.push_back(text);
                    std::printf("notice: %ls\n", text.c_str());
                    std::fflush(stdout);
                }
            }
        }
        return ruz::win32::answerDialogs(open);
    }
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
        return waitFor(kStepTimeoutMs, [this] {
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
    bool fitTheScreen() {
        HWND player = mainWindow();
        HWND words = FindWindowW(kCcomsClass, nullptr);
        if (player == nullptr || words == nullptr || !IsWindowVisible(words)) {
            return false;
        }
        bool ok = onItsScreen(player, "the player") && onItsScreen(words, "the command words");
        RECT client{};
        GetClientRect(player, &client);
        int parts = 0;
        for (HWND c = GetWindow(player, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
            RECT place{};
            GetWindowRect(c, &place);
            MapWindowPoints(nullptr, player, reinterpret_cast<POINT*>(&place), 2);
            if (!inside(place, client)) {
                std::printf("part %d of the player at %ld,%ld-%ld,%ld, its client area %ldx%ld\n",
                            GetDlgCtrlID(c), place.left, place.top, place.right, place.bottom,
                            client.right, client.bottom);
                ok = false;
            }
            ++parts;
        }
        for (const int box : {kFirstOptionBoxId, kLastOptionBoxId}) {
            HWND part = GetDlgItem(player, box);
            ok = ok && part != nullptr && IsWindowVisible(part);
        }
        RECT outer{};
        GetWindowRect(player, &outer);
        std::printf("player %ldx%ld with %d parts\n", outer.right - outer.left,
                    outer.bottom - outer.top, parts);
        return ok;
    }
    bool pickerAtThePlayersFolder() {
        HWND player = mainWindow();
        const std::wstring before = textOf(GetDlgItem(player, kFolderLabelId));
        PostMessageW(player, WM_COMMAND, MAKEWPARAM(kOpenFolderButtonId, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(player, kOpenFolderButtonId)));
        HWND picker = nullptr;
        HWND nameBox = nullptr;
        if (!waitFor(kStepTimeoutMs, [&] {
                picker = folderPicker(player);
                nameBox =
                    picker == nullptr ? nullptr : FindWindowExW(picker, nullptr, L"Edit", nullptr);
                return nameBox != nullptr;
            })) {
            return false;
        }
        // The folder the picker shows, taken as it is: the player's folder stays.
        SendMessageW(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"."));
        PostMessageW(picker, WM_COMMAND, IDOK, 0);
        if (!waitFor(kStepTimeoutMs, [&] { return !IsWindow(picker); })) {
            return false;
        }
        SendMessageW(player, WM_NULL, 0, 0);  // the player has handled the choice
        const std::wstring after = textOf(GetDlgItem(player, kFolderLabelId));
        if (after != before) {
            std::printf("the picker opened elsewhere: %ls, not %ls\n", after.c_str(),
                        before.c_str());
        }
        return !before.empty() && after == before;
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
    // The notices' texts printed so far.
    std::vector<std::wstring> told_;
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
