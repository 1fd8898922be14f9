// The real ruz.exe (beside this program) in a channel of the ngircd that
// scripts/wine-irc-check.sh starts, as a user's hands on its windows: another member joins "#ruz",
// the program starts on a folder of two songs (RUZ_FIXTURES names the test audio), its start-up
// question is answered Yes, and the member hears the start-up line and the first announcement.
// The member's own ".end" is refused; the owner's ".skip", typed into the program's room window,
// announces the next song, and the owner's ".end" ends the program with its QUIT. With TLS asked
// for on the plain port, the room says why nothing is sent and shows no line as said. A sign-on
// kept in the settings file is resumed at start without --irc, and signing off is kept. The
// program is ended at once when a step fails.
#include "channel_member.h"
#include "common/settings_store.h"
#include "platform/scratch_folder.h"
#include "text/text.h"
#include "win32/answer_dialogs.h"
#include "win32/command_line_quote.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ruz::irc {
namespace {

// Bounds of the waits, never asserted on: a wait that runs out fails its check.
constexpr int kStartMs = 60000;  // the program's first window under a cold Wine
constexpr int kStepMs = 20000;   // each later step
// After the program has heard a refused ".end", it runs on at least this long.
constexpr int kRefusedEndMs = 3000;
constexpr DWORD kEndMs = 10000;  // the program's exit after its QUIT
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
constexpr WPARAM kSignOffCommand = 404;

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

// ruz.exe running; ended when this object ends if it has not ended by itself.
class Program {
  public:
    explicit Program(const std::vector<std::wstring>& arguments) {
        std::wstring line = win32::quoteArgument(besideThisProgram(L"ruz.exe").wstring());
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
    // Presses Yes, else OK, in every message box of the program; whether there was one.
    bool answerDialogs() const { return win32::answerDialogs(windows(kDialogClass)); }
    HWND room() const {
        const std::vector<HWND> rooms = windows(kRoomClass, kRoomCaption);
        return rooms.empty() ? nullptr : rooms.front();
    }
    // The room window's transcript, one entry a line; empty when there is no room.
    std::vector<std::string> transcript() const {
        HWND view = GetDlgItem(room(), kTranscriptId);
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
    bool typeInRoom(const std::wstring& text) const {
        HWND input = GetDlgItem(room(), kInputId);
        HWND send = GetDlgItem(room(), kSendId);
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

    // The owner's ".end": the program quits the server and ends well.
    ASSERT_TRUE(ruz.typeInRoom(L".end"));
    const std::optional<DWORD> code = ruz.ended(kEndMs);
    ASSERT_TRUE(code.has_value()) << "still running after .end";
    EXPECT_EQ(*code, 0U);
    EXPECT_TRUE(pumpUntil([&] { return guest.sawQuitOf("owner"); }, kLineMs));
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

}  // namespace
}  // namespace ruz::irc
