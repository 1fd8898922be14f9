// The real ruz.exe (beside this program) in a channel of the ngircd that
// scripts/wine-irc-check.sh starts, as a user's hands on its windows: another member joins "#ruz",
// the program starts on a folder of two songs (RUZ_FIXTURES names the test audio), its start-up
// question is answered Yes, and the member hears the start-up line and the first announcement.
// The member's own ".end" is refused; the owner's ".skip", typed into the program's room window,
// announces the next song, and the owner's ".end" behind a burst of the owner's lines ends the
// program once the member has heard them, ".end" and the closing line, then its QUIT. Beside the
// messenger's own room (the stand-in room program), the program signs on through its sign-on
// window and off again and runs none of the room's old lines. Started alone (no messenger, no
// --irc), the program signs on to the channel from its own buddy list, obeys the owner there, and
// after signing off obeys the user in its own room again. With TLS asked for on the plain port,
// the room says why nothing is sent and shows no line as said. A sign-on kept in the settings
// file is resumed at start without --irc, and signing off is kept. In a flood of members entering
// and leaving from a server of the test's own, at a thousand a second and as fast as the socket
// takes them, the window takes every line the owner types, and every one is sent and obeyed, in
// bounded memory. The programs are ended at once when a step fails.
#include "channel_member.h"
#include "common/settings_store.h"
#include "irc/session.h"
#include "messenger/aimchat.h"
#include "platform/scratch_folder.h"
#include "platform/winsys/user32_window_system.h"
#include "standin/transcript_markup.h"
#include "text/text.h"
#include "win32/answer_dialogs.h"
#include "win32/command_line_quote.h"
#include "win32/main_window.h"
#include "win32/sign_on_dialog.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace ruz::irc {
namespace {

// Bounds of the waits, never asserted on: a wait that runs out fails its check.
constexpr int kStartMs = 60000;  // the program's first window under a cold Wine
constexpr int kStepMs = 20000;   // each later step
// After the program has heard a refused ".end", it runs on at least this long.
constexpr int kRefusedEndMs = 3000;
// The program's exit after ".end": the lines that still wait leave, then its QUIT.
constexpr DWORD kEndMs = Session::kQuitDrainMs + 10000;
constexpr UINT kSendTimeoutMs = 5000;
constexpr std::size_t kMaxTranscript = 1 << 20;

constexpr const wchar_t* kRoomClass = L"TaviksRuzChatRoom";
constexpr const wchar_t* kRoomCaption = L"#ruz";
constexpr int kTranscriptId = 1001;
constexpr int kInputId = 1002;
constexpr int kSendId = 1003;
constexpr const wchar_t* kDialogClass = L"#32770";
constexpr const wchar_t* kMainClass = L"TaviksRuzMain";
// The main window's menu command "Chat, Sign off".
constexpr WPARAM kSignOffCommand = win32::MainWindow::kSignOffId;
// The program's own message boxes and notices carry its name as their caption.
constexpr const wchar_t* kBoxCaption = L"Taviks Ruz";
// Polls of the program's chat scanner (500 ms each) given to a room that came back, for any
// replay to show.
constexpr int kReplayWindowMs = 4000;
// How long the stand-in room lives at the most: past every step of its test.
constexpr int kRoomLifetimeMs = 300000;
// The program's own room and buddy list when it runs alone, the buddy list's buttons, and the
// sign-on window with its fields.
constexpr const wchar_t* kOwnRoomCaption = L"Chat Room 1";
constexpr const wchar_t* kBuddyListClass = L"TaviksRuzBuddyList";
constexpr int kSignOnButtonId = 1103;
constexpr int kSignOffButtonId = 1104;
constexpr const wchar_t* kSignOnCaption = L"Sign on to a chat network";
constexpr int kServerFieldId = 101;
constexpr int kPortFieldId = 102;
constexpr int kTlsBoxId = 103;
constexpr int kNickFieldId = 104;
constexpr int kChannelsFieldId = 105;

const std::string kDagger = "\xE2\x80\xA0";
const std::string kStartLine = kDagger + "- Loads Taviks Ruz -" + kDagger;
// The songs of the folder: their file names, and how the program announces each.
struct Song {
    const wchar_t* file;
    std::string announced;  // the announcement's start
};
const Song kSongs[] = {{L"Сплин - Романс.mp3", kDagger + "-Сплин  -  Романс - "},
                       {L"Zz - Second.mp3", kDagger + "-Zz  -  Second - "}};

// Which song `text` announces; -1 for none.
int songAnnounced(const std::string& text) {
    for (std::size_t i = 0; i < std::size(kSongs); ++i) {
        if (text.starts_with(kSongs[i].announced)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::filesystem::path besideThisProgram(const wchar_t* name) {
    std::array<wchar_t, 4 * MAX_PATH> self{};
    const DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    if (length == 0 || length >= self.size()) {
        return {};
    }
    return std::filesystem::path(std::wstring(self.data(), length)).parent_path() / name;
}

// ruz.exe (or another program beside this one) running; ended when this object ends if it has
// not ended by itself.
class Program {
  public:
    explicit Program(const std::vector<std::wstring>& arguments,
                     const wchar_t* program = L"ruz.exe") {
        std::wstring line = win32::quoteArgument(besideThisProgram(program).wstring());
        for (const std::wstring& argument : arguments) {
            line += L" " + win32::quoteArgument(argument);
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &process_)) {
            CloseHandle(process_.hThread);
            process_.hThread = nullptr;
        } else {
            process_ = {};
        }
    }
    ~Program() {
        if (process_.hProcess == nullptr) {
            return;
        }
        if (running()) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, kEndMs);
        }
        CloseHandle(process_.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return process_.hProcess != nullptr; }
    bool running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
    // Waits up to `timeoutMs` for the program to end, running this thread's messages; its exit
    // code, or nothing when it still runs.
    std::optional<DWORD> ended(int timeoutMs) const {
        if (!pumpUntil([this] { return !running(); }, timeoutMs)) {
            return std::nullopt;
        }
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }

    // The program's visible top-level windows of `windowClass` (and `caption`, when given).
    std::vector<HWND> windows(const wchar_t* windowClass, const wchar_t* caption = nullptr) const {
        std::vector<HWND> found;
        HWND window = nullptr;
        while ((window = FindWindowExW(nullptr, window, windowClass, caption)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == process_.dwProcessId && IsWindowVisible(window)) {
                found.push_back(window);
            }
        }
        return found;
    }
    // Asks the program's main window to run menu command `id`, or to close; whether it could.
    bool command(WPARAM id) const { return postToMain(WM_COMMAND, id); }
    bool close() const { return postToMain(WM_CLOSE, 0); }
    // Whether some line of the room window's transcript contains `part`.
    bool roomShows(const std::string& part) const {
        for (const std::string& line : transcript()) {
            if (line.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
    // The program's working set in bytes; 0 when the system does not tell.
    std::size_t memoryBytes() const {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        return GetProcessMemoryInfo(process_.hProcess, &counters, sizeof counters)
                   ? counters.WorkingSetSize
                   : 0;
    }
    // The processor time the program has taken so far, in ms, for the measurement's line.
    long long cpuMs() const {
        FILETIME created{};
        FILETIME exited{};
        FILETIME kernel{};
        FILETIME user{};
        if (!GetProcessTimes(process_.hProcess, &created, &exited, &kernel, &user)) {
            return 0;
        }
        const auto ms = [](const FILETIME& t) {
            constexpr long long kTicksPerMs = 10000;
            return ((static_cast<long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
                   kTicksPerMs;
        };
        return ms(kernel) + ms(user);
    }
    // Presses Yes, else OK, in every message box of the program; whether there was one.
    bool answerDialogs() const { return win32::answerDialogs(windows(kDialogClass)); }
    // The program's message boxes and notices open now.
    std::size_t boxesOpen() const { return windows(kDialogClass, kBoxCaption).size(); }
    HWND mainWindow() const {
        const std::vector<HWND> found = windows(kMainClass);
        return found.empty() ? nullptr : found.front();
    }
    std::wstring caption() const {
        std::array<wchar_t, 512> text{};
        GetWindowTextW(mainWindow(), text.data(), static_cast<int>(text.size()));
        return text.data();
    }
    // Chooses an entry of the main window's menu, as a click on it does.
    bool choose(int command) const {
        HWND main = mainWindow();
        return main != nullptr && PostMessageW(main, WM_COMMAND, MAKEWPARAM(command, 0), 0) != 0;
    }
    HWND room(const wchar_t* caption = kRoomCaption) const {
        const std::vector<HWND> rooms = windows(kRoomClass, caption);
        return rooms.empty() ? nullptr : rooms.front();
    }
    // The room window's transcript, one entry a line; empty when there is no room.
    std::vector<std::string> transcript(const wchar_t* caption = kRoomCaption) const {
        HWND view = GetDlgItem(room(caption), kTranscriptId);
        DWORD_PTR length = 0;
        if (view == nullptr ||
            SendMessageTimeoutW(view, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                                &length) == 0 ||
            length > kMaxTranscript) {
            return {};
        }
        std::wstring text(length + 1, L'\0');
        DWORD_PTR copied = 0;
        if (SendMessageTimeoutW(view, WM_GETTEXT, text.size(),
                                reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                                kSendTimeoutMs, &copied) == 0) {
            return {};
        }
        text.resize(std::min<std::size_t>(copied, length));
        std::vector<std::string> lines;
        std::size_t from = 0;
        for (std::size_t end = text.find(L'\n'); from < text.size(); end = text.find(L'\n', from)) {
            const std::size_t stop = end == std::wstring::npos ? text.size() : end;
            std::wstring line = text.substr(from, stop - from);
            if (!line.empty() && line.back() == L'\r') {
                line.pop_back();
            }
            lines.push_back(text::toUtf8(std::u16string(line.begin(), line.end())));
            from = stop + 1;
        }
        return lines;
    }
    // Types `text` into the room's input box and presses its send button, as the user does.
    bool typeInRoom(const std::wstring& text, const wchar_t* caption = kRoomCaption) const {
        HWND input = GetDlgItem(room(caption), kInputId);
        HWND send = GetDlgItem(room(caption), kSendId);
        DWORD_PTR result = 0;
        return input != nullptr && send != nullptr &&
               SendMessageTimeoutW(input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                   SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) != 0 &&
               SendMessageTimeoutW(send, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                                   &result) != 0;
    }

  private:
    bool postToMain(UINT message, WPARAM wParam) const {
        const std::vector<HWND> main = windows(kMainClass);
        return !main.empty() && PostMessageW(main.front(), message, wParam, 0) != FALSE;
    }

    PROCESS_INFORMATION process_{};
};

// The program's settings file in the profile of the Wine prefix; set aside while a test writes
// its own, and put back afterwards.
class KeptSettings {
  public:
    KeptSettings() {
        const wchar_t* appData = _wgetenv(L"APPDATA");
        if (appData != nullptr) {
            file_ = std::filesystem::path(appData) / L"Taviks Ruz" / L"settings";
            std::error_code error;
            std::filesystem::create_directories(file_.parent_path(), error);
            if (std::filesystem::exists(file_, error)) {
                aside_ = file_;
                aside_ += L".aside";
                std::filesystem::rename(file_, aside_, error);
            }
        }
    }
    ~KeptSettings() {
        std::error_code error;
        std::filesystem::remove(file_, error);
        if (!aside_.empty()) {
            std::filesystem::rename(aside_, file_, error);
        }
    }
    KeptSettings(const KeptSettings&) = delete;
    KeptSettings& operator=(const KeptSettings&) = delete;

    bool valid() const { return !file_.empty(); }
    bool write(const SettingsStore::Values& values) const {
        SettingsStore store;
        for (const auto& [name, value] : values) {
            store.set(name, value);
        }
        DiskSettingsFile disk(file_);
        return store.save(disk).empty();
    }
    SettingsStore::Values read() const {
        SettingsStore store;
        DiskSettingsFile disk(file_);
        store.load(disk);
        return store.values();
    }

  private:
    std::filesystem::path file_;
    std::filesystem::path aside_;
};

class RuzInChannel : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(serverPort(), 0) << "RUZ_IRC_PORT names no port";
        const char* fixtures = std::getenv("RUZ_FIXTURES");
        ASSERT_NE(fixtures, nullptr) << "RUZ_FIXTURES names no folder";
        ASSERT_TRUE(music.valid());
        const std::filesystem::path tone = std::filesystem::path(fixtures) / "tone-60s.mp3";
        for (const Song& song : kSongs) {
            ASSERT_TRUE(std::filesystem::copy_file(tone, music.path() / song.file));
        }
        ASSERT_TRUE(std::filesystem::exists(besideThisProgram(L"ruz.exe")));
    }

    ScratchFolder music{"ruz-songs"};
};

std::string joined(const std::vector<std::string>& lines);

TEST_F(RuzInChannel, AnnouncesRefusesAMembersEndAndObeysTheOwnersSkipAndEnd) {
    Member guest("guest");
    ASSERT_TRUE(guest.join(kJoinMs));
    const Program ruz({L"--irc", L"127.0.0.1:" + std::to_wstring(serverPort()), L"--nick", L"owner",
                       L"--channel", kRoomCaption, music.path().wstring()});
    ASSERT_TRUE(ruz.started()) << "cannot start " << besideThisProgram(L"ruz.exe");
    const auto owner = [&] { return guest.textsFrom("owner"); };

    // The start-up question, once the program has the server's welcome.
    ASSERT_TRUE(pumpUntil([&] { return ruz.answerDialogs() || !ruz.running(); }, kStartMs));
    ASSERT_TRUE(ruz.running());
    ASSERT_TRUE(pumpUntil(
        [&] {
            ruz.answerDialogs();
            return owner().size() >= 2 || !ruz.running();
        },
        kStepMs));
    ASSERT_GE(owner().size(), 2U) << (ruz.running() ? "no announcement" : "ruz.exe ended");
    EXPECT_EQ(owner().at(0), kStartLine);
    const int first = songAnnounced(owner().at(1));
    ASSERT_NE(first, -1) << owner().at(1);

    // The member's ".end" reaches the program's room, and the program goes on.
    guest.say(".end");
    ASSERT_TRUE(pumpUntil(
        [&] {
            for (const std::string& line : ruz.transcript()) {
                if (line.find("guest") != std::string::npos && line.ends_with(".end")) {
                    return true;
                }
            }
            return false;
        },
        kStepMs))
        << "the member's .end is not in the room";
    EXPECT_FALSE(ruz.ended(kRefusedEndMs).has_value()) << "ended by another member's .end";
    ASSERT_TRUE(ruz.running());

    // The owner's ".skip" in the room window.
    ASSERT_NE(ruz.room(), nullptr);
    const std::size_t before = owner().size();
    ASSERT_TRUE(ruz.typeInRoom(L".skip"));
    ASSERT_TRUE(pumpUntil([&] { return owner().size() >= before + 2 || !ruz.running(); }, kStepMs));
    ASSERT_GE(owner().size(), before + 2);
    EXPECT_EQ(owner().at(before), ".skip");
    const int next = songAnnounced(owner().at(before + 1));
    EXPECT_NE(next, -1) << owner().at(before + 1);
    EXPECT_NE(next, first) << owner().at(before + 1);

    // The owner's ".end" right after two lines of the owner's, which, with ".skip" and the
    // announcement just before, use the send pace's burst up: the program quits the server only
    // after the member has heard them, the ".end" and the closing line, and ends well.
    constexpr int kTyped = 2;
    const std::size_t beforeEnd = owner().size();
    for (int i = 1; i <= kTyped; ++i) {
        ASSERT_TRUE(ruz.typeInRoom(L"line " + std::to_wstring(i)));
    }
    ASSERT_TRUE(ruz.typeInRoom(L".end"));
    const std::optional<DWORD> code = ruz.ended(kEndMs);
    ASSERT_TRUE(code.has_value()) << "still running after .end";
    EXPECT_EQ(*code, 0U);
    EXPECT_TRUE(pumpUntil([&] { return guest.sawQuitOf("owner"); }, kLineMs));
    const std::vector<std::string> heard = owner();
    ASSERT_EQ(heard.size(), beforeEnd + kTyped + 2) << joined(heard);
    for (int i = 1; i <= kTyped; ++i) {
        EXPECT_EQ(heard.at(beforeEnd + i - 1), "line " + std::to_string(i));
    }
    EXPECT_EQ(heard.at(beforeEnd + kTyped), ".end");
    EXPECT_EQ(heard.back(), kDagger + "- Closes Ruz -" + kDagger);
}

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) {
        all += "[" + line + "] ";
    }
    return all;
}

// The messenger's own room, a program of its own (the stand-in room, ruz-win32-room.exe, with the
// buddy list of its user "owner"), holding the lines of an earlier run; ruz.exe starts beside it,
// signs on to the channel through its sign-on window and off again, with its two start-up notices
// still open. Nothing the room held runs again, the screen name is still the buddy list's, and
// the room is heard on: ".skip" announces, ".end" ends.
TEST_F(RuzInChannel, SigningOnAndOffReplaysNothingOfTheMessengersRoom) {
    // A settings file of an earlier test could sign on at start: this run starts afresh.
    const wchar_t* appData = _wgetenv(L"APPDATA");
    ASSERT_NE(appData, nullptr);
    const std::filesystem::path settings =
        std::filesystem::path(appData) / L"Taviks Ruz" / L"settings";
    std::error_code ignored;
    std::filesystem::remove(settings, ignored);
    const Program room({L"--unicode", L"--name", L"owner", L"--dialog", L"owner's Buddy List",
                        L"--quit-after", std::to_wstring(kRoomLifetimeMs)},
                       L"ruz-win32-room.exe");
    ASSERT_TRUE(room.started()) << "cannot start the stand-in room";
    winsys::User32WindowSystem windows;
    messenger::AimChat chat(windows);
    ASSERT_TRUE(pumpUntil([&] { return chat.PressChatSendButton(); }, kStartMs));
    const auto ownLines = [&] {
        std::vector<std::string> own;
        for (const standin::ReadBack& line : standin::readTranscript(chat.ReadChatTranscript())) {
            if (line.sender == "owner") {
                own.push_back(line.text);
            }
        }
        return own;
    };
    // An earlier run's commands, the last one ".end".
    const std::vector<std::string> history = {".vol -2000", ".mute", ".idle lunch", ".end"};
    for (const std::string& line : history) {
        chat.SendChatText(line);
    }
    ASSERT_EQ(ownLines(), history);

    Member guest("guest");
    ASSERT_TRUE(guest.join(kJoinMs));
    const Program ruz({music.path().wstring()});
    ASSERT_TRUE(ruz.started());
    ASSERT_TRUE(pumpUntil([&] { return ruz.answerDialogs() || !ruz.running(); }, kStartMs));
    // The start-up line, and the two notices of the title list left open.
    ASSERT_TRUE(pumpUntil([&] { return ruz.boxesOpen() >= 2 || !ruz.running(); }, kStepMs));
    ASSERT_TRUE(ruz.running()) << "ended by the room's history";
    std::vector<std::string> said = ownLines();
    ASSERT_GT(said.size(), history.size());
    EXPECT_EQ(said.at(history.size()), kStartLine);
    const std::wstring named = ruz.caption();
    EXPECT_NE(named.find(L"User (owner)"), std::wstring::npos);

    // Chat -> Sign on, filled in as the user does.
    ASSERT_TRUE(ruz.choose(win32::MainWindow::kSignOnId));
    HWND form = nullptr;
    ASSERT_TRUE(pumpUntil(
        [&] {
            const std::vector<HWND> found =
                ruz.windows(kDialogClass, win32::SignOnDialog::kCaption);
            form = found.empty() ? nullptr : found.front();
            return form != nullptr;
        },
        kStepMs));
    const struct {
        int id;
        std::wstring text;
    } fields[] = {{win32::SignOnDialog::kServerId, L"127.0.0.1"},
                  {win32::SignOnDialog::kPortId, std::to_wstring(serverPort())},
                  {win32::SignOnDialog::kNickId, L"owner"},
                  {win32::SignOnDialog::kChannelsId, kRoomCaption}};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(GetDlgItem(form, win32::SignOnDialog::kTlsId), BM_SETCHECK, BST_UNCHECKED,
                        0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    for (const auto& field : fields) {
        ASSERT_NE(SendMessageTimeoutW(GetDlgItem(form, field.id), WM_SETTEXT, 0,
                                      reinterpret_cast<LPARAM>(field.text.c_str()),
                                      SMTO_ABORTIFHUNG, kSendTimeoutMs, &result),
                  0);
    }
    ASSERT_NE(PostMessageW(form, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                           reinterpret_cast<LPARAM>(GetDlgItem(form, IDOK))),
              0);
    ASSERT_TRUE(pumpUntil([&] { return guest.sawJoinOf("owner") || !ruz.running(); }, kStepMs))
        << "the program did not join the channel";

    // Chat -> Sign off: the messenger's room is in front again.
    ASSERT_TRUE(ruz.choose(win32::MainWindow::kSignOffId));
    ASSERT_TRUE(pumpUntil([&] { return guest.sawQuitOf("owner") || !ruz.running(); }, kStepMs))
        << "the program did not leave the channel";
    said = ownLines();
    EXPECT_FALSE(ruz.ended(kReplayWindowMs).has_value()) << "ended by the room's history";
    ASSERT_TRUE(ruz.running());
    const std::vector<std::string> after = ownLines();
    // Only the program's greeting and a song's announcement may come; no answer to a command.
    for (std::size_t i = said.size(); i < after.size(); ++i) {
        EXPECT_TRUE(after[i] == kStartLine || songAnnounced(after[i]) != -1)
            << "said after signing off: " << after[i];
    }
    EXPECT_EQ(ruz.caption(), named) << "the screen name changed at sign-off";

    // The room is heard on.
    chat.SendChatText(".skip");
    ASSERT_TRUE(pumpUntil(
        [&] {
            const std::vector<std::string> now = ownLines();
            return std::any_of(now.begin() + static_cast<std::ptrdiff_t>(after.size()), now.end(),
                               [](const std::string& line) { return songAnnounced(line) != -1; });
        },
        kStepMs))
        << "no announcement after .skip; the room: " << joined(ownLines());
    // The user's session ends: the settings are kept as at the end of the program, the
    // sign-on window's fields with them.
    std::filesystem::remove(settings, ignored);
    for (const UINT message : {WM_QUERYENDSESSION, WM_ENDSESSION}) {
        EXPECT_NE(SendMessageTimeoutW(ruz.mainWindow(), message, TRUE, 0, SMTO_ABORTIFHUNG,
                                      kSendTimeoutMs, &result),
                  0);
    }
    std::string keptText;
    {
        std::ifstream kept(settings, std::ios::binary);
        keptText.assign(std::istreambuf_iterator<char>(kept), {});
    }
    EXPECT_NE(keptText.find("irc.server=127.0.0.1\n"), std::string::npos) << keptText;

    chat.SendChatText(".end");
    const std::optional<DWORD> code = ruz.ended(kEndMs);
    ASSERT_TRUE(code.has_value()) << "still running after .end";
    EXPECT_EQ(*code, 0U);
}

// Presses button `id` of `window` as a click does, without waiting for what it opens.
void click(HWND window, int id) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

// Whether a line of `lines` ("TIME SENDER: TEXT") ends with ": " + `text`, and the first such
// line after line `from`.
std::optional<std::size_t> lineSaying(const std::vector<std::string>& lines,
                                      const std::string& text, std::size_t from = 0) {
    for (std::size_t i = from; i < lines.size(); ++i) {
        if (lines[i].ends_with(": " + text)) {
            return i;
        }
    }
    return std::nullopt;
}

// An announcement in `lines` after line `from`.
bool announcedAfter(const std::vector<std::string>& lines, std::size_t from) {
    for (std::size_t i = from + 1; i < lines.size(); ++i) {
        if (lines[i].find(": " + kDagger + "-") != std::string::npos &&
            lines[i].find(kStartLine) == std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST_F(RuzInChannel, AloneSignsOnFromItsBuddyListAndComesBackToItsOwnRoom) {
    Member guest("guest");
    ASSERT_TRUE(guest.join(kJoinMs));
    const Program ruz({music.path().wstring()});
    ASSERT_TRUE(ruz.started()) << "cannot start " << besideThisProgram(L"ruz.exe");

    // No messenger runs: its own buddy list and room, where it says hello and announces.
    ASSERT_TRUE(pumpUntil([&] { return ruz.answerDialogs() || !ruz.running(); }, kStartMs));
    ASSERT_TRUE(pumpUntil(
        [&] {
            ruz.answerDialogs();
            const std::vector<std::string> own = ruz.transcript(kOwnRoomCaption);
            const std::optional<std::size_t> hello = lineSaying(own, kStartLine);
            return (hello && announcedAfter(own, *hello)) || !ruz.running();
        },
        kStepMs))
        << "no start-up line and announcement in its own room";
    const std::vector<HWND> buddyLists = ruz.windows(kBuddyListClass);
    ASSERT_EQ(buddyLists.size(), 1U);
    const HWND buddies = buddyLists.front();
    // The notices are answered; from now on no message box is pressed blindly.
    ASSERT_TRUE(pumpUntil([&] { return ruz.windows(kDialogClass).empty(); }, kStepMs));

    // Signing on from the buddy list: the fields filled as a user types them.
    click(buddies, kSignOnButtonId);
    HWND signOn = nullptr;
    ASSERT_TRUE(pumpUntil(
        [&] {
            const std::vector<HWND> open = ruz.windows(kDialogClass, kSignOnCaption);
            signOn = open.empty() ? nullptr : open.front();
            return signOn != nullptr;
        },
        kStepMs));
    const auto fill = [&](int id, const std::wstring& text) {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(GetDlgItem(signOn, id), WM_SETTEXT, 0,
                                   reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                                   kSendTimeoutMs, &result) != 0;
    };
    DWORD_PTR unchecked = 0;
    ASSERT_TRUE(SendMessageTimeoutW(GetDlgItem(signOn, kTlsBoxId), BM_SETCHECK, BST_UNCHECKED, 0,
                                    SMTO_ABORTIFHUNG, kSendTimeoutMs, &unchecked) != 0);
    ASSERT_TRUE(fill(kServerFieldId, L"127.0.0.1"));
    ASSERT_TRUE(fill(kPortFieldId, std::to_wstring(serverPort())));
    ASSERT_TRUE(fill(kNickFieldId, L"owner"));
    ASSERT_TRUE(fill(kChannelsFieldId, kRoomCaption));
    click(signOn, IDOK);
    ASSERT_TRUE(
        pumpUntil([&] { return guest.sawJoinOf("owner") && ruz.room() != nullptr; }, kStepMs))
        << "not in the channel";

    // The channel's new room hears the start-up line and the song that plays; then the owner's
    // ".skip" in that room is obeyed there.
    const auto owner = [&] { return guest.textsFrom("owner"); };
    ASSERT_TRUE(pumpUntil([&] { return owner().size() >= 2 || !ruz.running(); }, kStepMs));
    EXPECT_EQ(owner().at(0), kStartLine);
    EXPECT_NE(songAnnounced(owner().at(1)), -1) << owner().at(1);
    const std::size_t before = owner().size();
    ASSERT_TRUE(ruz.typeInRoom(L".skip"));
    ASSERT_TRUE(pumpUntil([&] { return owner().size() >= before + 2 || !ruz.running(); }, kStepMs));
    ASSERT_GE(owner().size(), before + 2);
    EXPECT_EQ(owner().at(before), ".skip");
    EXPECT_NE(songAnnounced(owner().at(before + 1)), -1) << owner().at(before + 1);

    // Signing off from the buddy list: the program quits the network and obeys its own room
    // again.
    click(buddies, kSignOffButtonId);
    ASSERT_TRUE(pumpUntil([&] { return guest.sawQuitOf("owner"); }, kStepMs)) << "no QUIT";
    ASSERT_TRUE(ruz.running());
    ASSERT_TRUE(pumpUntil([&] { return ruz.room() == nullptr; }, kStepMs));
    ASSERT_NE(ruz.room(kOwnRoomCaption), nullptr);
    const std::size_t ownBefore = ruz.transcript(kOwnRoomCaption).size();
    // The channel's .skip played the folder's last song: .first goes back to the first.
    ASSERT_TRUE(ruz.typeInRoom(L".first", kOwnRoomCaption));
    ASSERT_TRUE(pumpUntil(
        [&] {
            const std::vector<std::string> own = ruz.transcript(kOwnRoomCaption);
            const std::optional<std::size_t> first = lineSaying(own, ".first", ownBefore);
            return first && announcedAfter(own, *first);
        },
        kStepMs))
        << "its own room's .first is not obeyed after signing off; the room holds:\n"
        << [&] {
               std::string all;
               for (const std::string& line : ruz.transcript(kOwnRoomCaption)) {
                   all += line + '\n';
               }
               return all;
           }();

    ASSERT_TRUE(ruz.typeInRoom(L".end", kOwnRoomCaption));
    const std::optional<DWORD> code = ruz.ended(kEndMs);
    ASSERT_TRUE(code.has_value()) << "still running after .end";
    EXPECT_EQ(*code, 0U);
}

// TLS asked for on the plain port: the server never answers the handshake, and the program
// gives up after its own time for the answer. The room says why, the start-up line is shown as
// not sent, and the other member hears nothing of the program.
TEST_F(RuzInChannel, TlsToAPlainPortSaysWhyAndShowsNoLineAsSaid) {
    Member guest("guest");
    ASSERT_TRUE(guest.join(kJoinMs));
    const Program ruz({L"--irc", L"127.0.0.1:" + std::to_wstring(serverPort()), L"--tls", L"--nick",
                       L"owner", L"--channel", kRoomCaption, music.path().wstring()});
    ASSERT_TRUE(ruz.started());
    ASSERT_TRUE(pumpUntil([&] { return ruz.answerDialogs() || !ruz.running(); }, kStartMs));
    // The start-up line comes after the program gave up (not sent), or while it still waited
    // for the answer (then dropped with the others that waited, the first announcement too):
    // the wait at start for the welcome and the time for the answer end about together.
    const auto startLineNotSent = [&] {
        return ruz.roomShows("(not sent: not connected) " + kStartLine) ||
               (ruz.roomShows("(waiting: not connected) " + kStartLine) &&
                (ruz.roomShows("line that waited was not sent.") ||
                 ruz.roomShows("lines that waited were not sent.")));
    };
    ASSERT_TRUE(pumpUntil(
        [&] {
            ruz.answerDialogs();
            return (ruz.roomShows("did not answer TLS") && startLineNotSent()) || !ruz.running();
        },
        kStepMs))
        << (ruz.running() ? "the start-up line is not shown as not sent" : "ruz.exe ended")
        << ::testing::PrintToString(ruz.transcript());
    EXPECT_TRUE(ruz.roomShows("is " + std::to_string(serverPort()) + " a plain port?"));
    EXPECT_FALSE(ruz.roomShows("owner: "));
    EXPECT_FALSE(ruz.roomShows("connecting again"));
    EXPECT_TRUE(guest.textsFrom("owner").empty());
    ASSERT_TRUE(ruz.close());
    EXPECT_TRUE(ruz.ended(kEndMs).has_value());
}

// The network the user signed on to is signed on to again at the next start, without --irc; the
// new room hears the start-up line and the first song. Signing off is kept, and no password is.
TEST_F(RuzInChannel, AKeptSignOnIsResumedAtStartAndSigningOffIsKept) {
    KeptSettings kept;
    ASSERT_TRUE(kept.valid()) << "APPDATA names no folder";
    ASSERT_TRUE(kept.write({{"irc.server", "127.0.0.1"},
                            {"irc.port", std::to_string(serverPort())},
                            {"irc.tls", "0"},
                            {"irc.nick", "owner"},
                            {"irc.channels", "ruz"},
                            {"irc.signedOn", "1"}}));
    Member guest("guest");
    ASSERT_TRUE(guest.join(kJoinMs));
    const Program ruz({music.path().wstring()});
    ASSERT_TRUE(ruz.started());
    const auto owner = [&] { return guest.textsFrom("owner"); };
    ASSERT_TRUE(pumpUntil(
        [&] {
            ruz.answerDialogs();
            return owner().size() >= 2 || !ruz.running();
        },
        kStartMs))
        << (ruz.running() ? "the room heard no start" : "ruz.exe ended");
    EXPECT_EQ(owner().at(0), kStartLine);
    EXPECT_NE(songAnnounced(owner().at(1)), -1) << owner().at(1);

    ASSERT_TRUE(ruz.command(kSignOffCommand));
    EXPECT_TRUE(pumpUntil([&] { return guest.sawQuitOf("owner"); }, kStepMs));
    ASSERT_TRUE(ruz.close());
    const std::optional<DWORD> code = ruz.ended(kEndMs);
    ASSERT_TRUE(code.has_value()) << "still running after its window closed";
    const SettingsStore::Values after = kept.read();
    const auto signedOn = after.find("irc.signedOn");
    ASSERT_NE(signedOn, after.end());
    EXPECT_EQ(signedOn->second, "0");
    EXPECT_EQ(after.at("irc.server"), "127.0.0.1");
    for (const auto& [name, value] : after) {
        EXPECT_EQ(name.find("password"), std::string::npos) << name;
    }
}

// A server of the test's own on a free port of 127.0.0.1, for one program: it welcomes the
// program into "#ruz" and, while asked to, floods the room with members entering and leaving,
// at a rate or as fast as the socket takes them. It runs on a thread of its own and keeps what
// the program sent.
class FloodServer {
  public:
    // Pairs of lines (a member entering and leaving) written at once when the socket takes them.
    static constexpr int kBatchPairs = 256;
    // How long the thread waits for the socket at most before it looks at the flood again.
    static constexpr long kWaitUs = 1000;

    FloodServer() {
        WSADATA data{};
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        if (listener_ == INVALID_SOCKET ||
            bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener_, 1) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~FloodServer() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        if (listener_ != INVALID_SOCKET) {
            closesocket(listener_);
        }
        if (started_) {
            WSACleanup();
        }
    }
    FloodServer(const FloodServer&) = delete;
    FloodServer& operator=(const FloodServer&) = delete;

    std::uint16_t port() const { return port_; }
    // Floods from now on at `pairsPerSecond` (0: as fast as the socket takes it).
    void flood(int pairsPerSecond) {
        const std::lock_guard<std::mutex> lock(lock_);
        pairsPerSecond_ = pairsPerSecond;
        floodStart_ = GetTickCount64();
        flooding_ = true;
    }
    void calm() { flooding_ = false; }
    long long pairsSent() const { return pairs_; }
    // How many of the program's lines hold `part`.
    int linesWith(const std::string& part) const {
        const std::lock_guard<std::mutex> lock(lock_);
        int count = 0;
        for (std::size_t at = heard_.find(part); at != std::string::npos;
             at = heard_.find(part, at + part.size())) {
            ++count;
        }
        return count;
    }

  private:
    void serve() {
        SOCKET peer = INVALID_SOCKET;
        std::string outgoing;
        bool welcomed = false;
        while (!stop_) {
            fd_set readable;
            fd_set writable;
            FD_ZERO(&readable);
            FD_ZERO(&writable);
            FD_SET(peer == INVALID_SOCKET ? listener_ : peer, &readable);
            if (peer != INVALID_SOCKET && !outgoing.empty()) {
                FD_SET(peer, &writable);
            }
            timeval wait{0, kWaitUs};
            if (select(0, &readable, &writable, nullptr, &wait) < 0) {
                return;
            }
            if (peer == INVALID_SOCKET) {
                if (FD_ISSET(listener_, &readable)) {
                    peer = accept(listener_, nullptr, nullptr);
                }
                continue;
            }
            if (FD_ISSET(peer, &readable)) {
                std::array<char, 4096> buffer{};
                const int got = recv(peer, buffer.data(), static_cast<int>(buffer.size()), 0);
                if (got <= 0) {
                    break;
                }
                const std::lock_guard<std::mutex> lock(lock_);
                heard_.append(buffer.data(), static_cast<std::size_t>(got));
                if (!welcomed && heard_.find("USER ") != std::string::npos) {
                    welcomed = true;
                    outgoing += ":irc.test 001 owner :Welcome\r\n:owner!u@h JOIN #ruz\r\n";
                }
            }
            if (flooding_ && outgoing.empty()) {
                outgoing = floodLines();
            }
            if (!outgoing.empty() && FD_ISSET(peer, &writable)) {
                const int sent = send(peer, outgoing.data(), static_cast<int>(outgoing.size()), 0);
                if (sent < 0) {
                    break;
                }
                outgoing.erase(0, static_cast<std::size_t>(sent));
            }
        }
        if (peer != INVALID_SOCKET) {
            closesocket(peer);
        }
    }
    // The flood's next lines: those due at its rate, or a batch.
    std::string floodLines() {
        long long due = pairs_ + kBatchPairs;
        {
            const std::lock_guard<std::mutex> lock(lock_);
            if (pairsPerSecond_ > 0) {
                due = std::min<long long>(
                    due, static_cast<long long>(GetTickCount64() - floodStart_) * pairsPerSecond_ /
                             1000);
            }
        }
        std::string lines;
        for (; pairs_ < due; ++pairs_) {
            const std::string who = ":guest" + std::to_string(pairs_) + "!u@h ";
            lines += who + "JOIN #ruz\r\n" + who + "PART #ruz :bye\r\n";
        }
        return lines;
    }

    bool started_ = false;
    SOCKET listener_ = INVALID_SOCKET;
    std::uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_ = false;
    std::atomic<bool> flooding_ = false;
    std::atomic<long long> pairs_ = 0;
    mutable std::mutex lock_;
    int pairsPerSecond_ = 0;
    ULONGLONG floodStart_ = 0;
    std::string heard_;
};

// Members enter and leave the room without pause, at a thousand a second and as fast as the
// socket takes them, while the owner asks for the song's length in the room window: the window
// takes every line, and each is sent and answered, in memory that stays bounded.
TEST_F(RuzInChannel, AFloodOfMembersLosesNoneOfTheOwnersLinesNorFreezesTheWindow) {
    // A thousand pairs a second, then as fast as the socket takes them (0).
    constexpr int kRates[] = {1000, 0};
    constexpr int kAsks = 3;
    constexpr int kAskSpacingMs = 1200;
    // The program's working set may grow by this much in a flood: the rooms keep a bounded
    // transcript, the link a bounded portion.
    constexpr std::size_t kMemoryGrowth = std::size_t{48} << 20;
    // Answers go at the send pace: a line every 2 s after the first four.
    constexpr int kAnswersMs = 30000;
    const std::string kAsk = "PRIVMSG #ruz :.set?";
    const std::string kAnswer = "PRIVMSG #ruz :Song Is ";
    for (const int rate : kRates) {
        SCOPED_TRACE(rate == 0 ? "as fast as the socket takes it" : "a thousand a second");
        FloodServer server;
        ASSERT_NE(server.port(), 0);
        const Program ruz({L"--irc", L"127.0.0.1:" + std::to_wstring(server.port()), L"--nick",
                           L"owner", L"--channel", kRoomCaption, music.path().wstring()});
        ASSERT_TRUE(ruz.started());
        ASSERT_TRUE(pumpUntil(
            [&] {
                ruz.answerDialogs();
                return server.linesWith("PRIVMSG #ruz :") >= 2 || !ruz.running();
            },
            kStartMs))
            << "no start-up line and announcement";
        ASSERT_TRUE(pumpUntil([&] { return ruz.room() != nullptr; }, kStepMs));
        const std::size_t before = ruz.memoryBytes();
        const long long cpuBefore = ruz.cpuMs();
        const ULONGLONG floodStart = GetTickCount64();
        server.flood(rate);
        int typed = 0;
        for (int ask = 0; ask < kAsks; ++ask) {
            pumpUntil([] { return false; }, kAskSpacingMs);
            typed += ruz.typeInRoom(L".set?") ? 1 : 0;
        }
        pumpUntil([] { return false; }, kAskSpacingMs);
        const std::size_t during = ruz.memoryBytes();
        server.calm();
        EXPECT_EQ(typed, kAsks) << "the room window did not take every line";
        EXPECT_TRUE(pumpUntil([&] { return server.linesWith(kAnswer) >= kAsks; }, kAnswersMs))
            << server.linesWith(kAsk) << " of " << kAsks << " questions sent, "
            << server.linesWith(kAnswer) << " answered, after " << server.pairsSent()
            << " members came and went";
        EXPECT_EQ(server.linesWith(kAsk), kAsks);
        EXPECT_GT(server.pairsSent(), 0);
        if (before > 0 && during > 0) {
            EXPECT_LE(during, before + kMemoryGrowth)
                << "memory " << (before >> 20) << " MiB before, " << (during >> 20)
                << " MiB in the flood";
        }
        const std::string measured =
            std::string("flood ") + (rate == 0 ? "at socket speed" : "of 1000 pairs/s") + ": " +
            std::to_string(server.pairsSent()) + " pairs, " +
            std::to_string(server.linesWith(kAnswer)) + " of " + std::to_string(kAsks) +
            " answered after " + std::to_string(GetTickCount64() - floodStart) + " ms, CPU " +
            std::to_string(ruz.cpuMs() - cpuBefore) + " ms, memory " +
            std::to_string(before >> 10) + " -> " + std::to_string(during >> 10) + " KiB\n";
        std::fputs(measured.c_str(), stdout);
        ASSERT_TRUE(ruz.close());
        EXPECT_TRUE(ruz.ended(kEndMs).has_value());
    }
}

}  // namespace
}  // namespace ruz::irc
