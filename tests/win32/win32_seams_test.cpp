// The Win32 seams against the system itself (under Wine in the checks): timers and posted work on a
// pumped message loop, the clock's regional formats, the dialogs answered as a user would answer
// them, the notification-area icon's bookkeeping, and another program's windows as the messenger
// link reaches them.
#include "platform/winsys/user32_window_system.h"
#include "win32/win32_clock.h"
#include "win32/win32_dialogs.h"
#include "win32/win32_timer_host.h"
#include "win32/win32_tray.h"

#include "text/text.h"
#include "win32/wide.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace ruz::win32 {
namespace {

constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kTitle[] = L"Taviks Ruz";
// A loop that waits for something that never comes gives up after this long: the test then fails
// on what it waited for.
constexpr int kGiveUpMs = 20000;
// How often a user looking for a dialog looks again, and how many times.
constexpr DWORD kLookAgainMs = 10;
constexpr int kLooks = 2000;
constexpr int kShortMs = 10;
constexpr int kLongMs = 200;

// Runs the thread's messages until `done` holds or the loop gives up; the result is `done`.
bool pumpUntil(Win32TimerHost& host, const std::function<bool()>& done) {
    bool gaveUp = false;
    const TimerHost::TimerId guard = host.createTimer([&gaveUp] { gaveUp = true; });
    host.startTimer(guard, kGiveUpMs);
    MSG message{};
    while (!done() && !gaveUp && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    host.destroyTimer(guard);
    return done();
}

// Delivers every message that is waiting, without waiting for more.
void drainMessages() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::wstring windowText(HWND window) {
    wchar_t buffer[512] = {};
    GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
    return buffer;
}

// A top-level window of the class and caption, found as they stand on the screen once it is shown
// (a dialog is shown when its controls are ready): no message goes to a window, whatever its thread
// is doing.
HWND findOnScreen(const wchar_t* windowClass, const std::wstring& caption) {
    struct Search {
        const wchar_t* windowClass;
        const std::wstring& caption;
        HWND found = nullptr;
    } search{windowClass, caption};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(data);
            wchar_t name[256] = {};
            wchar_t text[512] = {};
            GetClassNameW(window, name, static_cast<int>(std::size(name)));
            InternalGetWindowText(window, text, static_cast<int>(std::size(text)));
            if (std::wstring_view(name) == search.windowClass && text == search.caption &&
                IsWindowVisible(window)) {
                search.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A user on another thread: looks for a top-level window by class and caption and, once it is
// there, acts on it.
class User {
  public:
    User(const wchar_t* windowClass, std::wstring caption, std::function<void(HWND)> act)
        : thread_([this, windowClass, caption = std::move(caption), act = std::move(act)] {
              for (int look = 0; look < kLooks; ++look) {
                  if (const HWND window = findOnScreen(windowClass, caption)) {
                      found_ = true;
                      act(window);
                      return;
                  }
                  Sleep(kLookAgainMs);
              }
          }) {}
    ~User() { thread_.join(); }
    User(const User&) = delete;
    User& operator=(const User&) = delete;
    bool found() const { return found_; }

  private:
    std::atomic<bool> found_{false};
    std::thread thread_;
};

// A visible top-level window standing in for the player.
class OwnerWindow {
  public:
    OwnerWindow()
        : window_(CreateWindowExW(0, L"STATIC", L"Player", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {
    }
    ~OwnerWindow() { DestroyWindow(window_); }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND get() const { return window_; }

  private:
    HWND window_;
};

// ---- timers and posted work

TEST(Win32TimerHost, TimersTickInTheOrderTheyFallDueOnThePumpedLoop) {
    Win32TimerHost host;
    std::vector<char> ticks;
    const auto fast = host.createTimer([&ticks] { ticks.push_back('f'); });
    const auto slow = host.createTimer([&ticks] { ticks.push_back('s'); });
    host.startTimer(slow, kLongMs);
    host.startTimer(fast, kShortMs);
    EXPECT_TRUE(ticks.empty()) << "a tick comes one interval after the start, not at once";
    ASSERT_TRUE(
        pumpUntil(host, [&ticks] { return std::count(ticks.begin(), ticks.end(), 's') == 2; }));
    EXPECT_EQ(ticks.front(), 'f');
    EXPECT_GT(std::count(ticks.begin(), ticks.end(), 'f'), 2);
}

TEST(Win32TimerHost, AStoppedOrDestroyedTimerNeverTicks) {
    Win32TimerHost host;
    int stopped = 0, destroyed = 0, stopsItself = 0, destroysItself = 0, neverStarted = 0,
        watch = 0;
    const auto stoppedTimer = host.createTimer([&stopped] { ++stopped; });
    const auto destroyedTimer = host.createTimer([&destroyed] { ++destroyed; });
    host.createTimer([&neverStarted] { ++neverStarted; });
    TimerHost::TimerId self = 0;
    self = host.createTimer([&] {
        ++stopsItself;
        host.stopTimer(self);
    });
    TimerHost::TimerId selfDestroying = 0;
    selfDestroying = host.createTimer([&] {
        ++destroysItself;
        host.destroyTimer(selfDestroying);
    });
    const auto watcher = host.createTimer([&watch] { ++watch; });
    for (const auto id : {stoppedTimer, destroyedTimer, self, selfDestroying}) {
        host.startTimer(id, kShortMs);
    }
    host.stopTimer(stoppedTimer);
    host.destroyTimer(destroyedTimer);
    // Unknown timers are no timers: nothing happens.
    host.startTimer(9999, kShortMs);
    host.stopTimer(9999);
    host.destroyTimer(9999);
    host.startTimer(watcher, kLongMs);
    ASSERT_TRUE(pumpUntil(host, [&watch] { return watch == 2; }));
    EXPECT_EQ(stopped, 0);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(neverStarted, 0);
    EXPECT_EQ(stopsItself, 1);
    EXPECT_EQ(destroysItself, 1);
    // Started again, a stopped timer ticks again.
    host.startTimer(self, kShortMs);
    ASSERT_TRUE(pumpUntil(host, [&stopsItself] { return stopsItself == 2; }));
}

TEST(Win32TimerHost, PostedWorkRunsOnTheLoopInOrderFromAnyThread) {
    constexpr int kJobs = 200;
    Win32TimerHost host;
    const DWORD loopThread = GetCurrentThreadId();
    std::vector<int> seen;
    bool allOnTheLoop = true;
    host.post([&seen] { seen.push_back(-1); });
    EXPECT_TRUE(seen.empty()) << "posted work waits for the loop";
    std::thread worker([&] {
        for (int job = 0; job < kJobs; ++job) {
            host.post([&, job] {
                seen.push_back(job);
                allOnTheLoop = allOnTheLoop && GetCurrentThreadId() == loopThread;
            });
        }
    });
    worker.join();
    host.post(nullptr);  // empty work is no work
    ASSERT_TRUE(pumpUntil(host, [&seen] { return seen.size() == kJobs + 1; }));
    for (int job = -1; job < kJobs; ++job) {
        EXPECT_EQ(seen[static_cast<std::size_t>(job + 1)], job);
    }
    EXPECT_TRUE(allOnTheLoop);
}

TEST(Win32TimerHost, WorkStillPostedWhenTheHostGoesIsDroppedAndTheClockOnlyGoesForward) {
    bool ran = false;
    {
        Win32TimerHost host;
        host.post([&ran] { ran = true; });
        std::int64_t last = host.nowMs();
        EXPECT_GE(last, 0);
        for (int read = 0; read < 1000; ++read) {
            const std::int64_t now = host.nowMs();
            EXPECT_GE(now, last);
            last = now;
        }
    }
    drainMessages();
    EXPECT_FALSE(ran);
}

// ---- the clock

TEST(Win32Clock, TwoDigitYearsBecomeFourAndQuotedTextStays) {
    struct Row {
        std::u16string_view format;
        std::u16string_view widened;
    };
    constexpr Row kRows[] = {
        {u"M/d/yy", u"M/d/yyyy"},
        {u"M/d/yyyy", u"M/d/yyyy"},
        {u"yy/MM/dd", u"yyyy/MM/dd"},
        {u"dd.MM.yy", u"dd.MM.yyyy"},
        {u"d/M/y", u"d/M/y"},
        {u"yyyyy", u"yyyyy"},
        {u"'yy' M/d/yy", u"'yy' M/d/yyyy"},
        {u"d 'of' MMMM yy", u"d 'of' MMMM yyyy"},
        {u"dd-MM-yy 'yy", u"dd-MM-yyyy 'yy"},
        {u"", u""},
    };
    for (const Row& row : kRows) {
        EXPECT_EQ(withFourDigitYear(row.format), row.widened);
    }
}

std::u16string systemTime(const SYSTEMTIME& at) {
    wchar_t buffer[128] = {};
    GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &at, nullptr, buffer,
                    static_cast<int>(std::size(buffer)));
    return fromWide(buffer);
}

std::u16string systemShortDate(const SYSTEMTIME& at) {
    wchar_t buffer[128] = {};
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &at, nullptr, buffer,
                    static_cast<int>(std::size(buffer)), nullptr);
    return fromWide(buffer);
}

TEST(Win32Clock, TheFormatsAreTheSystemsForTheUsersLocaleInTheMachinesZone) {
    const Win32Clock clock;
    const WallTime at = utcTime(2026, 12, 6, 22, 31, 2);
    SYSTEMTIME utc{};
    utc.wYear = 2026;
    utc.wMonth = 12;
    utc.wDay = 6;
    utc.wHour = 22;
    utc.wMinute = 31;
    utc.wSecond = 2;
    SYSTEMTIME local{};
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
    EXPECT_FALSE(clock.longTime(at).empty());
    EXPECT_EQ(clock.longTime(at), systemTime(local));
    wchar_t userFormat[80] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE, userFormat,
                    static_cast<int>(std::size(userFormat)));
    std::cout << "user's formats: short date \"" << text::toUtf8(fromWide(userFormat))
              << "\", 2026-12-06 22:31:02 UTC reads \"" << text::toUtf8(clock.shortDate(at))
              << "\" \"" << text::toUtf8(clock.longTime(at)) << "\"\n";
    const std::u16string shortDate = clock.shortDate(at);
    EXPECT_NE(shortDate.find(u"2026"), std::u16string::npos) << "the year in four digits";
    if (withFourDigitYear(fromWide(userFormat)) == fromWide(userFormat)) {
        EXPECT_EQ(shortDate, systemShortDate(local));
    }
    // Now is now, not some other moment.
    const auto now = std::chrono::system_clock::now();
    EXPECT_LE(std::chrono::abs(clock.now() - now), std::chrono::hours(1));
}

TEST(Win32Clock, AMomentTheSystemCannotExpressIsReadInUtcWithUnitedStatesFormats) {
    const Win32Clock clock;
    for (const WallTime at : {utcTime(1500, 3, 1, 9, 5, 7), utcTime(40000, 1, 1, 0, 0, 0)}) {
        EXPECT_EQ(clock.longTime(at), usLongTime(at));
        EXPECT_EQ(clock.shortDate(at), usShortDate(at));
    }
}

// ---- the dialogs

TEST(Win32Dialogs, TheQuestionLetsTimersTickAndTakesItsAnswer) {
    struct Row {
        int button;
        bool answer;
    };
    constexpr Row kRows[] = {{IDYES, true}, {IDNO, false}};
    for (const Row& row : kRows) {
        Win32TimerHost host;
        Win32Dialogs dialogs;
        int ticks = 0;
        int posted = 0;
        // The timer ticks while the box waits, and the work it posts runs there too: it answers.
        const auto timer = host.createTimer([&] {
            ++ticks;
            host.post([&posted, &row] {
                ++posted;
                if (const HWND box = FindWindowW(kDialogClass, kTitle)) {
                    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(row.button), 0);
                }
            });
        });
        host.startTimer(timer, kShortMs);
        EXPECT_EQ(dialogs.askYesNo(u"Are you using messenger:mate?"), row.answer);
        EXPECT_GE(ticks, 1);
        EXPECT_GE(posted, 1);
        EXPECT_EQ(FindWindowW(kDialogClass, kTitle), nullptr);
    }
}

TEST(Win32Dialogs, WorkWaitingForTheFirstDialogRunsOnceWhileItIsUp) {
    Win32Dialogs dialogs;
    int runs = 0;
    bool questionUp = false;
    dialogs.whenFirstShown([&] {
        ++runs;
        questionUp = FindWindowW(kDialogClass, kTitle) != nullptr;
    });
    std::wstring question;
    {
        const User user(kDialogClass, kTitle, [&question](HWND box) {
            question = windowText(FindWindowExW(box, nullptr, L"Static", L"Is it you?"));
            PostMessageW(box, WM_COMMAND, IDNO, 0);
        });
        EXPECT_FALSE(dialogs.askYesNo(u"Is it you?"));
        EXPECT_TRUE(user.found());
    }
    EXPECT_EQ(question, L"Is it you?");
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(questionUp);
    dialogs.notice(u"later");
    EXPECT_EQ(runs, 1);
}

TEST(Win32Dialogs, NoticesHoldNothingBackAndTheNewestStandsAbove) {
    Win32TimerHost host;
    const OwnerWindow owner;
    Win32Dialogs dialogs;
    dialogs.setOwner(owner.get());
    dialogs.notice(u"Sends are off \u2020");
    dialogs.notice(u"Sends are on");
    const std::vector<HWND> open = dialogs.openNotices();
    ASSERT_EQ(open.size(), 2u);
    const std::wstring texts[] = {L"Sends are off \u2020", L"Sends are on"};
    for (std::size_t i = 0; i < open.size(); ++i) {
        EXPECT_EQ(windowText(open[i]), kTitle);
        EXPECT_EQ(windowText(FindWindowExW(open[i], nullptr, L"Static", nullptr)), texts[i]);
        EXPECT_EQ(GetWindow(open[i], GW_OWNER), owner.get());
        EXPECT_TRUE(IsWindowVisible(open[i]));
    }
    EXPECT_TRUE(IsWindowEnabled(owner.get())) << "the player stays usable";
    bool newestAbove = false;
    for (HWND below = GetWindow(open[1], GW_HWNDNEXT); below != nullptr;
         below = GetWindow(below, GW_HWNDNEXT)) {
        newestAbove = newestAbove || below == open[0];
    }
    EXPECT_TRUE(newestAbove);
    // Return on the older one's button closes it; the newer stays.
    PostMessageW(GetDlgItem(open[0], IDOK), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(pumpUntil(host, [&dialogs] { return dialogs.openNotices().size() == 1; }));
    EXPECT_EQ(dialogs.openNotices().front(), open[1]);
    EXPECT_FALSE(IsWindow(open[0]));
    PostMessageW(open[1], WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(pumpUntil(host, [&dialogs] { return dialogs.openNotices().empty(); }));

    // Notices about one subject: each closes the one before it and stands above the owner, the
    // active window; a notice about another subject stays.
    dialogs.notice(u"later");
    const HWND other = dialogs.openNotices().front();
    for (const std::u16string_view text : {u"Sends are off", u"Sends are on", u"Sends are off"}) {
        dialogs.noticeAbout(u"sends", text);
        ASSERT_EQ(dialogs.openNotices().size(), 2u) << text::toUtf8(text);
        EXPECT_EQ(dialogs.openNotices().front(), other);
        const HWND notice = dialogs.openNotices().back();
        EXPECT_EQ(windowText(FindWindowExW(notice, nullptr, L"Static", nullptr)), wide(text));
        EXPECT_EQ(GetActiveWindow(), notice);
        bool aboveOwner = false;
        for (HWND below = GetWindow(notice, GW_HWNDNEXT); below != nullptr;
             below = GetWindow(below, GW_HWNDNEXT)) {
            aboveOwner = aboveOwner || below == owner.get();
        }
        EXPECT_TRUE(aboveOwner);
    }
}

// Where a control of a dialog stands in the dialog's client area.
RECT placeOf(HWND control) {
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

TEST(Win32Dialogs, ANoticeGrowsToItsTextWithTheButtonBelowAndGoesWithTheDialogs) {
    HWND longer = nullptr;
    HWND shorter = nullptr;
    {
        Win32Dialogs dialogs;
        dialogs.notice(u"Short.");
        dialogs.notice(std::u16string(40, u'x') + u" " + text::repeated(u"a word that wraps ", 30) +
                       u"\nand a line of its own");
        ASSERT_EQ(dialogs.openNotices().size(), 2u);
        shorter = dialogs.openNotices()[0];
        longer = dialogs.openNotices()[1];
        for (const HWND notice : {shorter, longer}) {
            const RECT label = placeOf(FindWindowExW(notice, nullptr, L"Static", nullptr));
            const RECT ok = placeOf(GetDlgItem(notice, IDOK));
            RECT client{};
            GetClientRect(notice, &client);
            EXPECT_GE(ok.top, label.bottom);
            EXPECT_LE(ok.bottom, client.bottom);
            EXPECT_LE(label.right, client.right);
            EXPECT_LE(ok.right, client.right);
        }
        const auto height = [](HWND notice) {
            const RECT label = placeOf(FindWindowExW(notice, nullptr, L"Static", nullptr));
            return label.bottom - label.top;
        };
        EXPECT_GT(height(longer), 2 * height(shorter)) << "the long text wraps";
    }
    EXPECT_FALSE(IsWindow(shorter));
    EXPECT_FALSE(IsWindow(longer));
}

TEST(Win32Dialogs, ThePromptTakesWhatIsTypedAndCancelGivesNothing) {
    struct Row {
        std::u16string_view typed;
        UINT message;  // a key on the edit box, or a command to the dialog
        WPARAM what;
        std::optional<std::u16string_view> answer;
    };
    const Row kRows[] = {
        {u"lunch", WM_KEYDOWN, VK_RETURN, u"lunch"},
        {u"", WM_COMMAND, IDOK, u""},
        {u"Mittagspause \u2020 \u00e9", WM_COMMAND, IDOK, u"Mittagspause \u2020 \u00e9"},
        {u"away", WM_KEYDOWN, VK_ESCAPE, std::nullopt},
        {u"away", WM_COMMAND, IDCANCEL, std::nullopt},
    };
    const OwnerWindow owner;
    Win32Dialogs dialogs;
    dialogs.setOwner(owner.get());
    for (const Row& row : kRows) {
        bool ownerHeldBack = false;
        std::wstring label;
        std::optional<std::u16string> answer;
        {
            const User user(kDialogClass, L"Idle reason", [&](HWND dialog) {
                ownerHeldBack = !IsWindowEnabled(owner.get());
                label = windowText(FindWindowExW(dialog, nullptr, L"Static", nullptr));
                const HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
                SendMessageW(edit, WM_SETTEXT, 0,
                             reinterpret_cast<LPARAM>(wide(row.typed).c_str()));
                PostMessageW(row.message == WM_KEYDOWN ? edit : dialog, row.message, row.what, 0);
            });
            answer = dialogs.prompt(u"Why are you away?", u"Idle reason");
            EXPECT_TRUE(user.found());
        }
        EXPECT_TRUE(ownerHeldBack) << "modal to the player";
        EXPECT_EQ(label, L"Why are you away?");
        EXPECT_EQ(answer.has_value(), row.answer.has_value());
        if (answer && row.answer) {
            EXPECT_EQ(*answer, *row.answer);
        }
        EXPECT_TRUE(IsWindowEnabled(owner.get()));
    }
}

// A folder of the test's own below the temporary folder, removed when the test ends.
class ScratchFolder {
  public:
    explicit ScratchFolder(std::wstring_view name) {
        wchar_t temporary[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temporary);
        path_ = std::wstring(temporary) + std::wstring(name);
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { RemoveDirectoryW(path_.c_str()); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::u16string path() const { return fromWide(path_); }

  private:
    std::wstring path_;
};

TEST(Win32Dialogs, ThePickerOpensAtThePlayersFolderElseTheOneAskedForAndCancelGivesNothing) {
    const ScratchFolder songs(L"ruz-picker-songs");
    const ScratchFolder current(L"ruz-picker-current");
    // The player's folder as the system's own code holds it, "/" between its parts.
    std::u16string playerFolder = current.path();
    std::replace(playerFolder.begin(), playerFolder.end(), u'\\', u'/');
    std::u16string songsForward = songs.path();
    std::replace(songsForward.begin(), songsForward.end(), u'\\', u'/');
    struct Row {
        std::u16string initial;
        std::u16string current;  // the player's folder; "" for none
        int button;
        std::u16string picked;
    };
    const Row kRows[] = {
        {u"C:/", playerFolder, IDOK, current.path()},
        {songs.path(), playerFolder, IDOK, current.path()},
        {u"C:\\no such folder", playerFolder, IDOK, current.path()},
        {u"", playerFolder, IDOK, current.path()},
        {songs.path(), u"C:\\no such folder", IDOK, songs.path()},
        {songsForward, u"", IDOK, songs.path()},
        {songs.path(), playerFolder, IDCANCEL, u""},
    };
    const OwnerWindow owner;
    Win32Dialogs dialogs;
    dialogs.setOwner(owner.get());
    for (const Row& row : kRows) {
        dialogs.currentFolder = nullptr;
        if (!row.current.empty()) {
            dialogs.currentFolder = [&row] { return row.current; };
        }
        std::u16string picked;
        {
            // The user waits for the name box, types "." (the folder the picker shows) and
            // presses the button.
            const User user(kDialogClass, L"Open Folder", [&row](HWND picker) {
                HWND nameBox = nullptr;
                for (int look = 0; look < kLooks && nameBox == nullptr; ++look) {
                    nameBox = FindWindowExW(picker, nullptr, L"Edit", nullptr);
                    Sleep(kLookAgainMs);
                }
                SendMessageW(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"."));
                PostMessageW(picker, WM_COMMAND, static_cast<WPARAM>(row.button), 0);
            });
            picked = dialogs.pickFolder(u"Open Folder", row.initial);
            EXPECT_TRUE(user.found());
        }
        EXPECT_EQ(text::lower(picked), text::lower(row.picked)) << text::toUtf8(row.initial);
    }
}

// ---- the notification area

NotifyIconData trayRecord(std::uint32_t id) {
    NotifyIconData record;
    record.cbSize = sizeof record;
    record.uID = id;
    record.uFlags = kNifMessage | kNifIcon | kNifTip;
    record.uCallbackMessage = kWmMouseMove;
    record.szTip.fill(' ');
    std::memcpy(record.szTip.data(), "Click To Maximize", sizeof "Click To Maximize");
    return record;
}

TEST(Win32Tray, TheShellsBookkeepingHoldsWhateverTheShellSays) {
    struct Step {
        std::uint32_t message;
        std::uint32_t id;
        bool accepted;
        bool presentAfter;
    };
    constexpr std::uint32_t kOtherMessage = 1;  // NIM_MODIFY: not the seam's
    constexpr Step kSteps[] = {
        {kNimDelete, 1, false, false}, {kNimAdd, 1, true, true},
        {kNimAdd, 1, false, true},     {kNimAdd, 2, false, true},
        {kNimDelete, 2, false, true},  {kOtherMessage, 1, false, true},
        {kNimDelete, 1, true, false},  {kNimDelete, 1, false, false},
        {kNimAdd, 1, true, true},
    };
    Win32Tray tray;
    ASSERT_NE(tray.window(), nullptr);
    bool everShown = false;
    for (const Step& step : kSteps) {
        EXPECT_EQ(tray.notifyIcon(step.message, trayRecord(step.id)), step.accepted);
        EXPECT_EQ(tray.present(), step.presentAfter);
        EXPECT_TRUE(step.presentAfter || !tray.shown()) << "no icon left with the shell";
        everShown = everShown || tray.shown();
    }
    std::cout << "the shell " << (everShown ? "took" : "refused") << " the icon\n";
}

TEST(Win32Tray, TheIconsMouseMessagesReachTheProgramUnlessTheWindowCameForward) {
    Win32Tray tray;
    std::vector<int> heard;
    tray.onIconMessage = [&heard](int message) { heard.push_back(message); };
    tray.notifyIcon(kNimAdd, trayRecord(1));
    const auto click = [&tray](UINT mouseMessage) {
        SendMessageW(tray.window(), Win32Tray::kCallbackMessage, 0, MAKELPARAM(mouseMessage, 1));
    };
    click(WM_MOUSEMOVE);
    click(WM_LBUTTONDBLCLK);
    bool cameForward = true;
    tray.bringForward = [&cameForward] { return cameForward; };
    click(WM_LBUTTONDBLCLK);
    click(WM_RBUTTONUP);
    cameForward = false;
    click(WM_LBUTTONDBLCLK);
    EXPECT_EQ(heard,
              (std::vector<int>{WM_MOUSEMOVE, WM_LBUTTONDBLCLK, WM_RBUTTONUP, WM_LBUTTONDBLCLK}));
}

TEST(Win32Tray, ANewNotificationAreaGetsTheIconOnlyWhileItIsThere) {
    Win32Tray tray;
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    tray.notifyIcon(kNimAdd, trayRecord(1));
    const bool shownBefore = tray.shown();
    SendMessageW(tray.window(), taskbarCreated, 0, 0);
    EXPECT_TRUE(tray.present());
    EXPECT_EQ(tray.shown(), shownBefore);
    tray.notifyIcon(kNimDelete, trayRecord(1));
    SendMessageW(tray.window(), taskbarCreated, 0, 0);
    EXPECT_FALSE(tray.present());
    EXPECT_FALSE(tray.shown());
}

// A window of another thread that stops handling its messages, as a hung messenger's does: every
// message to it comes back with 0 in bounded time, and once the window answers again, so does the
// link.
TEST(User32WindowSystem, AWindowThatStopsAnsweringHoldsNothingUp) {
    std::mutex mutex;
    std::condition_variable changed;
    HWND window = nullptr;
    bool hung = true;
    bool done = false;
    std::thread other([&] {
        HWND made = CreateWindowExW(0, L"STATIC", L"room text", WS_POPUP, 0, 0, 10, 10, nullptr,
                                    nullptr, nullptr, nullptr);
        std::unique_lock lock(mutex);
        window = made;
        changed.notify_all();
        // Hung: no message of the window is handled until the test lets it go.
        changed.wait(lock, [&] { return !hung; });
        lock.unlock();
        MSG message{};
        while (true) {
            {
                const std::lock_guard held(mutex);
                if (done) {
                    break;
                }
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, kShortMs, QS_ALLINPUT);
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&message);
            }
        }
        DestroyWindow(made);
    });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return window != nullptr; });
    }
    winsys::User32WindowSystem windows;
    const auto handle = reinterpret_cast<winsys::Hwnd>(window);
    EXPECT_EQ(windows.sendMessageW(handle, winsys::kWmGetTextLength, 0, 0), 0);
    EXPECT_EQ(windows.sendMessage(handle, winsys::kWmGetTextLength, 0, 0), 0);
    {
        const std::lock_guard held(mutex);
        hung = false;
    }
    changed.notify_all();
    EXPECT_EQ(windows.sendMessageW(handle, winsys::kWmGetTextLength, 0, 0), 9);
    {
        const std::lock_guard held(mutex);
        done = true;
    }
    other.join();
}

}  // namespace
}  // namespace ruz::win32
