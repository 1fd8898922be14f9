// The Windows program end to end, as a user's hands on its windows and on the messenger's room:
// answers Yes to the start-up question, finds the player at the top of the work area (the settings
// keep its place above the screen), finds the playlist's notice above the player with the focus
// (another notice, that no sound device opened, answered first), reads the start-up line and the
// first announcement from the room's transcript, types ".skip" into the room and reads the next
// announcement, types ".skip" again by keys (characters and Return sent to the box the user types
// into) and sees the line in the room's transcript and the announcement after it, finds the room's
// buttons labelled, sets a command word in the command-words window and uses it, finds the player,
// the command-words window, the room and the buddy list side by side on the screen, the player and
// the command-words window inside the screen's work area with every part of the player inside it
// (at whatever density the screen has), opens the folder picker and finds it at the player's
// folder, loads a folder of its own from the player's folder tree and finds its notice in front the
// same way, hides the player to its icon and shows it again, and ends it with ".end". Every look at
// the messenger room program's texts goes through the user32 backend and the messenger link, as the
// player's own does. The text of every notice answered is printed on a line of its own ("notice:
// TEXT").
//
// With --own-room, ruz.exe runs alone (no messenger): the room and the buddy list are its own
// windows ("TaviksRuzChatRoom", "TaviksRuzBuddyList"), the user is the Windows user, and every
// line is typed by keys into the room's input box and read from its transcript box; a line posted
// through "Post as" shows under the other member's name.
//
// Usage: ruz-desktop-check [--hold MS] [--own-room] [NAME]
//   NAME        the room's signed-on user (default "me"; with --own-room the Windows user)
//   --hold MS   before ending the program, with its main window and its command-words window on
//               the screen, prints "holding" and waits MS milliseconds (for pictures of them)
//   --own-room  the player's own room and buddy list, as above
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

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
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
constexpr int kSkipWordIndex = 15;
constexpr const wchar_t* kNewSkipWord = L"nxt";
// The messenger room program's windows, and its buttons' labels in their order.
constexpr const wchar_t* kRoomClass = L"AIM_ChatWnd";
constexpr const wchar_t* kEditFrameClass = L"WndAte32Class";
constexpr const wchar_t* kEditClass = L"Ate32Class";
constexpr const wchar_t* kButtonClass = L"_Oscar_IconBtn";
constexpr std::array<const wchar_t*, 5> kButtonLabels = {L"Clear", L"Smile", L"Post as", L"Leave",
                                                         L"Send"};
constexpr int kLeaveButton = 4;
// The player's own room and buddy list, and the room's parts.
constexpr const wchar_t* kOwnRoomClass = L"TaviksRuzChatRoom";
constexpr const wchar_t* kOwnBuddyListClass = L"TaviksRuzBuddyList";
constexpr int kOwnTranscriptId = 1001;
constexpr int kOwnInputId = 1002;
constexpr int kOwnMemberTextId = 1005;
constexpr const char* kMemberLine = "hello from guest";
constexpr const char* kDefaultMember = "guest";
// The screen the windows share (the virtual X server's).
constexpr RECT kScreen{0, 0, 1280, 800};
// The scan code of Return, in the key messages' lParam: the key goes down, then up.
constexpr LPARAM kReturnDown = 0x001C0001;
constexpr LPARAM kReturnUp = static_cast<LPARAM>(0xC01C0001u);
// The notice a folder load leaves up once its title list is built (it has closed the one before).
constexpr const wchar_t* kSendsOnNotice = L"Your Chat Sends Are Now Enabled";
constexpr const wchar_t* kSendsOffNotice = L"Your Chat Sends Will Now Be Disabled";

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

// A window's text as the window itself gives it (WM_GETTEXT): for another program's edit box,
// GetWindowText would give only the text it was created with.
std::wstring textOf(HWND window) {
    DWORD_PTR length = 0;
    if (window == nullptr ||
        SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kStepTimeoutMs,
                            &length) == 0 ||
        length == 0) {
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, kStepTimeoutMs, &copied);
    text.resize(copied < length ? copied : length);
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

std::string utf8(const std::wstring& wide) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), length,
                        nullptr, nullptr);
    return out;
}

std::wstring wide(const std::string& text) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

// The Windows user's name, as the player's own buddy list signs on.
std::string windowsUser() {
    std::array<wchar_t, 257> name{};
    DWORD length = static_cast<DWORD>(name.size());
    return GetUserNameW(name.data(), &length) ? utf8(name.data()) : std::string();
}

// The `n`th child of `parent` of class `className` (1 the first).
HWND nthChild(HWND parent, const wchar_t* className, int n) {
    HWND child = nullptr;
    for (int i = 0; i < n && parent != nullptr; ++i) {
        child = FindWindowExW(parent, child, className, nullptr);
        if (child == nullptr) {
            return nullptr;
        }
    }
    return child;
}

// Types `text` into `box` as the keyboard would: a character message for each, then Return.
bool typeByKeys(HWND box, const std::string& text) {
    if (box == nullptr) {
        return false;
    }
    for (const wchar_t c : wide(text)) {
        PostMessageW(box, WM_CHAR, c, 1);
    }
    PostMessageW(box, WM_KEYDOWN, VK_RETURN, kReturnDown);
    PostMessageW(box, WM_CHAR, L'\r', kReturnDown);
    return PostMessageW(box, WM_KEYUP, VK_RETURN, kReturnUp) != FALSE;
}

// The lines of a transcript box ("TIME SENDER: TEXT", one a line) that `sender` posted: each
// one's text.
std::vector<std::string> shownLinesOf(HWND box, const std::string& sender) {
    std::vector<std::string> texts;
    const std::string shown = utf8(textOf(box));
    const std::string mark = ' ' + sender + ": ";
    std::size_t start = 0;
    while (start < shown.size()) {
        std::size_t end = shown.find("\r\n", start);
        if (end == std::string::npos) {
            end = shown.size();
        }
        const std::string line = shown.substr(start, end - start);
        const std::size_t at = line.find(mark);
        if (at != std::string::npos) {
            texts.push_back(line.substr(at + mark.size()));
        }
        start = end + 2;
    }
    return texts;
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

// The one notice about the chat sends up once a folder's title list is built; nullptr while there
// is none, or more, or the one it overtook (the sends going off) is still up. Another notice (no
// sound device) may stand beside it.
HWND sendsOnNotice() {
    HWND found = nullptr;
    for (HWND dialog : dialogs()) {
        const std::wstring text = dialogText(dialog);
        if (text == kSendsOffNotice || (text == kSendsOnNotice && found != nullptr)) {
            return nullptr;
        }
        if (text == kSendsOnNotice) {
            found = dialog;
        }
    }
    return found;
}

// The player's notice stands above the player and is the foreground window; then it is answered.
bool noticeInFront() {
    HWND notice = nullptr;
    // The focus is the notice's, or another notice's of the player's that opened after it (one
    // saying that no sound device opened) and stands above the player too.
    const auto focusOnANotice = [&notice] {
        const HWND focus = GetForegroundWindow();
        if (focus == notice) {
            return true;
        }
        const std::vector<HWND> open = dialogs();
        return std::find(open.begin(), open.end(), focus) != open.end() &&
               standsAbove(focus, mainWindow());
    };
    const auto inFront = [&notice, &focusOnANotice] {
        notice = sendsOnNotice();
        return notice != nullptr && standsAbove(notice, mainWindow()) && focusOnANotice();
    };
    if (!waitFor(kStepTimeoutMs, inFront)) {
        std::printf("notice %p, above the player %d, foreground %p\n", static_cast<void*>(notice),
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
    Check(std::string name, DWORD holdMs, bool ownRoom)
        : name_(std::move(name)), holdMs_(holdMs), ownRoom_(ownRoom), chat_(windows_) {}

    int run() {
        struct Step {
            const char* what;
            bool (Check::*run)();
        };
        // Beside the messenger room program.
        static constexpr Step kBesideRoom[] = {
            {"the start-up question, answered Yes", &Check::answerQuestion},
            {"the main window, shown and titled for the user", &Check::mainWindowShown},
            {"the player's kept place, above the screen, brought onto its work area",
             &Check::placeOnScreen},
            {"the playlist's notice above the player with the focus", &Check::startNotice},
            {"the start-up line in the room", &Check::startLine},
            {"the first announcement once the notices are answered", &Check::firstAnnouncement},
            {"the next announcement after .skip", &Check::skip},
            {"the room's five buttons, labelled", &Check::labelledButtons},
            {".skip typed by keys, shown in the transcript box and obeyed", &Check::typedSkip},
            {"a new command word set in the command-words window and used", &Check::newWord},
            {"the player, the words, the room and the buddy list side by side", &Check::sideBySide},
            {"the player and the command-words window inside the work area, every part of the "
             "player inside it",
             &Check::fitTheScreen},
            {"the folder picker opened at the player's folder", &Check::pickerAtThePlayersFolder},
            {"a folder from the tree, its notice above the player with the focus",
             &Check::folderFromTree},
            {"hidden to the icon with .hide and shown again with .show", &Check::hideAndShow},
            {"the windows held for their pictures", &Check::hold},
            {"ended by .end", &Check::end},
            {"the room left by its Leave button", &Check::leave},
        };
        // Alone, in its own room.
        static constexpr Step kOwnRoom[] = {
            {"the start-up question, answered Yes", &Check::answerQuestion},
            {"the main window, shown and titled for the user", &Check::mainWindowShown},
            {"its own room and the user's buddy list", &Check::ownWindows},
            {"the start-up line in the room", &Check::startLine},
            {"the first announcement once the notices are answered", &Check::firstAnnouncement},
            {".skip typed by keys, shown in the transcript box and obeyed", &Check::typedSkip},
            {"a line posted as another member, shown under that name", &Check::postAs},
            {"a new command word set in the command-words window and used", &Check::newWord},
            {"the player, the words, the room and the buddy list side by side", &Check::sideBySide},
            {"the windows held for their pictures", &Check::hold},
            {"ended by .end", &Check::end},
        };
        const auto run = [this](const auto& steps) {
            for (const Step& step : steps) {
                if (!(this->*step.run)()) {
                    std::printf("desktop check: FAIL at %s (last announced: %s)\n", step.what,
                                lastAnnouncement().c_str());
                    return 1;
                }
            }
            std::printf("desktop check: ok, %zu steps%s; announced \"%s\" then \"%s\"\n",
                        std::size(steps), ownRoom_ ? " in its own room" : "", first_.c_str(),
                        second_.c_str());
            return 0;
        };
        return ownRoom_ ? run(kOwnRoom) : run(kBesideRoom);
    }

  private:
    // Presses Yes, else OK, in every message box of the player, printing the text of each the
    // first time it is seen; whether there was one.
    bool answerDialogs() {
        const std::vector<HWND> open = dialogs();
        for (HWND dialog : open) {
            tell(dialog);
        }
        return ruz::win32::answerDialogs(open);
    }
    // Prints the texts of `dialog` not printed before.
    void tell(HWND dialog) {
        for (const std::wstring& text : labelsOf(dialog)) {
            if (std::find(told_.begin(), told_.end(), text) == told_.end()) {
                told_.push_back(text);
                std::printf("notice: %ls\n", text.c_str());
                std::fflush(stdout);
            }
        }
    }
    // The room program's room, or the player's own room.
    HWND room() { return FindWindowW(ownRoom_ ? kOwnRoomClass : kRoomClass, nullptr); }
    // The box the user types into, and the box that shows the transcript's lines.
    HWND typingBox() {
        if (ownRoom_) {
            return GetDlgItem(room(), kOwnInputId);
        }
        return GetWindow(nthChild(nthChild(room(), kEditFrameClass, 2), kEditClass, 1), GW_CHILD);
    }
    HWND transcriptBox() {
        if (ownRoom_) {
            return GetDlgItem(room(), kOwnTranscriptId);
        }
        return GetWindow(nthChild(nthChild(room(), kEditFrameClass, 1), kEditClass, 1), GW_CHILD);
    }
    HWND buddyList() {
        return ownRoom_ ? FindWindowW(kOwnBuddyListClass, nullptr)
                        : FindWindowW(L"#32770", wide(name_ + "'s Buddy List").c_str());
    }
    // A line said in the room: through the messenger link beside the room program, by keys in
    // the player's own room.
    bool say(const std::string& text) {
        return ownRoom_ ? typeByKeys(typingBox(), text) : chat_.SendChatText(text) != 0;
    }

    // The texts of the user's own lines in the room, oldest first.
    std::vector<std::string> ownTexts() {
        if (ownRoom_) {
            return shownLinesOf(transcriptBox(), name_);
        }
        std::vector<std::string> own;
        for (ruz::standin::ReadBack& line :
             ruz::standin::readTranscript(chat_.ReadChatTranscript())) {
            if (line.sender == name_) {
                own.push_back(std::move(line.text));
            }
        }
        return own;
    }
    // The user's lines after the last one that is `typed`; all of them when there is none.
    std::vector<std::string> linesAfter(const std::string& typed) {
        std::vector<std::string> after;
        for (std::string& text : ownTexts()) {
            if (text == typed) {
                after.clear();
            } else {
                after.push_back(std::move(text));
            }
        }
        return after;
    }
    static bool announcement(const std::string& text) {
        return text.rfind(kAnnouncementMark, 0) == 0 && text != kStartLine;
    }
    std::string lastAnnouncement() {
        std::string last;
        for (const std::string& text : ownTexts()) {
            if (announcement(text)) {
                last = text;
            }
        }
        return last;
    }
    // Says `text` in the room; then waits for an announcement after that line, other than
    // `previous`.
    bool sayAndHearAnnouncement(const std::string& text, const std::string& previous,
                                std::string& heard) {
        if (!say(text)) {
            return false;
        }
        const bool announced = waitFor(kStepTimeoutMs, [&] {
            answerDialogs();
            for (const std::string& line : linesAfter(text)) {
                if (announcement(line) && line != previous) {
                    heard = line;
                    return true;
                }
            }
            return false;
        });
        if (!announced) {
            for (const std::string& line : ownTexts()) {
                std::printf("    the user's line: %s\n", line.c_str());
            }
        }
        return announced;
    }

    bool answerQuestion() {
        if (!waitFor(kStartTimeoutMs, [] { return !dialogs().empty(); })) {
            return false;
        }
        // The question alone: the notices that follow are the later steps' to find.
        return waitFor(kStepTimeoutMs, [this] {
            for (HWND dialog : dialogs()) {
                if (GetDlgItem(dialog, IDYES) != nullptr) {
                    tell(dialog);
                    ruz::win32::answerDialogs({dialog});
                }
            }
            return mainShown();
        });
    }
    // The caption follows the window's showing within a step, under a busy machine too.
    bool mainWindowShown() {
        const std::wstring expected = L"\u2020- Taviks Ruz - User (" + wide(name_) + L") -\u2020";
        return waitFor(kStepTimeoutMs, [&] {
            wchar_t title[256] = {};
            GetWindowTextW(mainWindow(), title, 256);
            return mainShown() && !IsIconic(mainWindow()) && expected == title;
        });
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
    // Once the first song plays, a notice beside the playlist's (no sound device) is read and
    // answered first, as the user would: the playlist's notice is then the one up.
    bool startNotice() {
        waitFor(kStepTimeoutMs,
                [this] { return sendsOnNotice() != nullptr && !lastAnnouncement().empty(); });
        for (HWND dialog : dialogs()) {
            if (dialogText(dialog) != kSendsOnNotice) {
                tell(dialog);
                ruz::win32::answerDialogs({dialog});
            }
        }
        waitFor(kStepTimeoutMs, [] { return dialogs().size() == 1; });
        return noticeInFront();
    }
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
            for (const std::string& text : ownTexts()) {
                if (text == kStartLine) {
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
    bool ownWindows() {
        return waitFor(kStepTimeoutMs, [&] {
            return room() != nullptr && IsWindowVisible(room()) && buddyList() != nullptr &&
                   IsWindowVisible(buddyList()) &&
                   textOf(buddyList()) == wide(name_ + "'s Buddy List");
        });
    }
    bool labelledButtons() {
        for (std::size_t i = 0; i < kButtonLabels.size(); ++i) {
            const HWND button = nthChild(room(), kButtonClass, static_cast<int>(i) + 1);
            if (button == nullptr || !IsWindowVisible(button) ||
                textOf(button) != kButtonLabels[i]) {
                std::printf("    button %zu: \"%s\"\n", i + 1, utf8(textOf(button)).c_str());
                return false;
            }
        }
        return nthChild(room(), kButtonClass, static_cast<int>(kButtonLabels.size()) + 1) ==
               nullptr;
    }
    // ".skip" typed by keys: its line shows in the transcript box, and the next song is
    // announced.
    bool typedSkip() {
        const std::string previous = lastAnnouncement();
        std::string heard;
        if (!typeByKeys(typingBox(), ".skip") || !waitFor(kStepTimeoutMs, [&] {
                const std::vector<std::string> shown = shownLinesOf(transcriptBox(), name_);
                return std::find(shown.begin(), shown.end(), ".skip") != shown.end();
            })) {
            return false;
        }
        return waitFor(kStepTimeoutMs, [&] {
            answerDialogs();
            for (const std::string& line : linesAfter(".skip")) {
                if (announcement(line) && line != previous) {
                    second_ = line;
                    return true;
                }
            }
            return false;
        });
    }
    // "Post as": a line of the member "guest" shows under that name.
    bool postAs() {
        return typeByKeys(GetDlgItem(room(), kOwnMemberTextId), kMemberLine) &&
               waitFor(kStepTimeoutMs, [&] {
                   const std::vector<std::string> shown =
                       shownLinesOf(transcriptBox(), kDefaultMember);
                   return std::find(shown.begin(), shown.end(), kMemberLine) != shown.end();
               });
    }
    // The four windows stand on the screen and none covers another.
    bool sideBySide() {
        HWND words = FindWindowW(kCcomsClass, nullptr);
        const std::array<HWND, 4> windows = {mainWindow(), words, room(), buddyList()};
        std::array<RECT, 4> places{};
        for (std::size_t i = 0; i < windows.size(); ++i) {
            RECT inside{};
            if (windows[i] == nullptr || !IsWindowVisible(windows[i]) ||
                !GetWindowRect(windows[i], &places[i]) ||
                !IntersectRect(&inside, &places[i], &kScreen) || !EqualRect(&inside, &places[i])) {
                std::printf("    window %zu is not on the screen\n", i + 1);
                return false;
            }
        }
        // A smaller or denser screen holds less of the windows' design (1280x800 at the usual
        // density): there they need only stand on it.
        const UINT dpi = GetDpiForWindow(mainWindow());
        const int width = GetSystemMetrics(SM_CXSCREEN);
        const int height = GetSystemMetrics(SM_CYSCREEN);
        if (dpi == 0 ||
            MulDiv(width, USER_DEFAULT_SCREEN_DPI, static_cast<int>(dpi)) < kScreen.right ||
            MulDiv(height, USER_DEFAULT_SCREEN_DPI, static_cast<int>(dpi)) < kScreen.bottom) {
            std::printf(
                "    at %u dpi on %dx%d each window on the screen, side by side where it "
                "fits\n",
                dpi, width, height);
            return true;
        }
        for (std::size_t i = 0; i < places.size(); ++i) {
            for (std::size_t j = i + 1; j < places.size(); ++j) {
                RECT both{};
                if (IntersectRect(&both, &places[i], &places[j])) {
                    std::printf(
                        "    windows %zu and %zu overlap: (%ld,%ld)-(%ld,%ld) and "
                        "(%ld,%ld)-(%ld,%ld)\n",
                        i + 1, j + 1, places[i].left, places[i].top, places[i].right,
                        places[i].bottom, places[j].left, places[j].top, places[j].right,
                        places[j].bottom);
                    return false;
                }
            }
        }
        return true;
    }
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
        return say(".end") && waitFor(kStepTimeoutMs, [] { return mainWindow() == nullptr; });
    }

    bool leave() {
        const HWND button = nthChild(room(), kButtonClass, kLeaveButton);
        if (button == nullptr) {
            return false;
        }
        PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        PostMessageW(button, WM_LBUTTONUP, 0, 0);
        return waitFor(kStepTimeoutMs, [this] { return room() == nullptr; });
    }

    std::string name_;
    DWORD holdMs_;
    bool ownRoom_;
    ruz::winsys::User32WindowSystem windows_;
    ruz::messenger::AimChat chat_;
    std::string first_;
    std::string second_;
    // The notices' texts printed so far.
    std::vector<std::wstring> told_;
};

}  // namespace

int main(int argc, char** argv) {
    std::optional<std::string> name;
    DWORD holdMs = 0;
    bool ownRoom = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--hold" && i + 1 < argc) {
            holdMs = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        } else if (argument == "--own-room") {
            ownRoom = true;
        } else {
            name = argument;
        }
    }
    return Check(name.value_or(ownRoom ? windowsUser() : "me"), holdMs, ownRoom).run();
}
