// The link checks against real Win32 windows, through the user32 backend. Every room and every
// dialog window is a separate ruz-win32-room process, as the messenger is a separate program: a
// room started later is in front of the earlier ones.
//
// Usage: ruz-linkcheck-win32 [PATH-TO-ruz-win32-room.exe]
//   (default: ruz-win32-room.exe beside this program)
#include "link_checks.h"

#include "platform/winsys/user32_window_system.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace ruz::linkcheck {
namespace {

// Every wait of the driver is bounded by these.
constexpr DWORD kStartTimeoutMs = 20000;  // a room program's windows appear
constexpr DWORD kExitTimeoutMs = 5000;    // a room program ends
constexpr UINT kMessageTimeoutMs = 5000;  // a room answers one direct message
constexpr DWORD kPollMs = 10;
// A room program ends by itself after this long, should the checks not end it.
constexpr const char* kRoomLifetimeMs = "120000";

// One argument of a Windows command line, quoted so that the C runtime reads it back unchanged.
std::string quoted(const std::string& arg) {
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
        } else if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
            backslashes = 0;
        } else {
            out.append(backslashes, '\\');
            backslashes = 0;
        }
        if (c != '\\') {
            out += c;
        }
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

DWORD processOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

// The first top-level window of `className` that belongs to process `pid`.
HWND topLevelOf(const char* className, DWORD pid) {
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, className, nullptr)) != nullptr) {
        if (processOf(window) == pid) {
            return window;
        }
    }
    return nullptr;
}

HWND nthChild(HWND parent, const char* className, int n) {
    HWND child = nullptr;
    for (int i = 0; i < n && parent != nullptr; ++i) {
        child = FindWindowExA(parent, child, className, nullptr);
        if (child == nullptr) {
            return nullptr;
        }
    }
    return child;
}

class Win32RoomDriver final : public RoomDriver {
  public:
    explicit Win32RoomDriver(std::string roomProgram) : roomProgram_(std::move(roomProgram)) {}
    Win32RoomDriver(const Win32RoomDriver&) = delete;
    Win32RoomDriver& operator=(const Win32RoomDriver&) = delete;
    ~Win32RoomDriver() override { closeAll(); }

    winsys::WindowSystem& windows() override { return windows_; }

    int openRoom(const std::string& screenName, const std::string& timeText) override {
        return open(screenName, timeText, false);
    }

    int openUnicodeRoom(const std::string& screenName, const std::string& timeText) override {
        return open(screenName, timeText, true);
    }

    int open(const std::string& screenName, const std::string& timeText, bool unicode) {
        const std::string title = "Chat Room " + std::to_string(rooms_.size() + 1);
        Room room;
        std::vector<std::string> args = {"--name",  screenName, "--time",       timeText,
                                         "--title", title,      "--quit-after", kRoomLifetimeMs};
        if (unicode) {
            args.push_back("--unicode");
        }
        room.process = start(args);
        if (room.process.hProcess == nullptr) {
            return 0;
        }
        // The fifth button is the room's last window: once it is there, the room is complete.
        const bool ready = waitFor(room.process, [&] {
            room.window = topLevelOf("AIM_ChatWnd", room.process.dwProcessId);
            room.send = nthChild(room.window, "_Oscar_IconBtn", 5);
            return room.send != nullptr;
        });
        room.view = nthChild(nthChild(room.window, "WndAte32Class", 1), "Ate32Class", 1);
        room.input = nthChild(nthChild(room.window, "WndAte32Class", 2), "Ate32Class", 1);
        rooms_.push_back(room);
        if (!ready || room.view == nullptr || room.input == nullptr) {
            std::printf("    (room program %s did not show its room)\n", roomProgram_.c_str());
            return 0;
        }
        return static_cast<int>(rooms_.size());
    }

    bool openDialog(const std::string& captionBytes) override {
        PROCESS_INFORMATION process =
            start({"--no-room", "--dialog", captionBytes, "--quit-after", kRoomLifetimeMs});
        if (process.hProcess == nullptr) {
            return false;
        }
        dialogs_.push_back(process);
        return waitFor(process,
                       [&] { return topLevelOf("#32770", process.dwProcessId) != nullptr; });
    }

    bool frontRoom(int number) override {
        const Room* room = find(number);
        if (room == nullptr || !IsWindow(room->window)) {
            return false;
        }
        return SetWindowPos(room->window, HWND_TOP, 0, 0, 0, 0,
                            SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE) != FALSE;
    }

    bool roomOpen(int number) override {
        const Room* room = find(number);
        return room != nullptr && IsWindow(room->window) != FALSE;
    }

    std::string transcriptBytes(int number) override { return textOf(viewOf(number)); }

    std::string transcriptUtf8(int number) override {
        const HWND view = viewOf(number);
        DWORD_PTR length = 0;
        if (view == nullptr || !sendW(view, WM_GETTEXTLENGTH, 0, 0, &length) || length == 0) {
            return {};
        }
        std::wstring wide(length + 1, L'\0');
        DWORD_PTR copied = 0;
        sendW(view, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(wide.data()), &copied);
        wide.resize(copied < length ? copied : length);
        const int bytes = WideCharToMultiByte(
            CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                            bytes, nullptr, nullptr);
        return utf8;
    }

    std::string inputBytes(int number) override { return textOf(inputOf(number)); }

    bool setTranscriptBytes(int number, const std::string& bytes) override {
        return setTextOf(viewOf(number), bytes);
    }
    bool typeInputBytes(int number, const std::string& bytes) override {
        return setTextOf(inputOf(number), bytes);
    }

    int sendPresses(int number) override {
        const Room* room = find(number);
        // The room counts the presses it has handled in a property of the send button.
        return room != nullptr ? static_cast<int>(reinterpret_cast<std::intptr_t>(
                                     GetPropA(room->send, "RuzSendPresses")))
                               : -1;
    }

    void closeAll() override {
        for (Room& room : rooms_) {
            end(room.process);
        }
        rooms_.clear();
        for (PROCESS_INFORMATION& dialog : dialogs_) {
            end(dialog);
        }
        dialogs_.clear();
    }

  private:
    struct Room {
        PROCESS_INFORMATION process{};
        HWND window = nullptr;
        HWND view = nullptr;
        HWND input = nullptr;
        HWND send = nullptr;
    };

    PROCESS_INFORMATION start(const std::vector<std::string>& args) {
        std::string commandLine = quoted(roomProgram_);
        for (const std::string& arg : args) {
            commandLine += ' ' + quoted(arg);
        }
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(roomProgram_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                            nullptr, nullptr, &startup, &process)) {
            std::printf("    (cannot start %s: error %lu)\n", roomProgram_.c_str(), GetLastError());
            return {};
        }
        return process;
    }

    // Polls `done` until it holds, the process ends, or the start timeout passes.
    template <class Done>
    static bool waitFor(const PROCESS_INFORMATION& process, Done done) {
        const ULONGLONG deadline = GetTickCount64() + kStartTimeoutMs;
        while (!done()) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0 ||
                GetTickCount64() > deadline) {
                return false;
            }
            Sleep(kPollMs);
        }
        return true;
    }

    static void end(PROCESS_INFORMATION& process) {
        if (process.hProcess == nullptr) {
            return;
        }
        if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 0);
            WaitForSingleObject(process.hProcess, kExitTimeoutMs);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        process = {};
    }

    static bool sendA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
        return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                                   kMessageTimeoutMs, result) != 0;
    }
    static bool sendW(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
        return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                                   kMessageTimeoutMs, result) != 0;
    }

    static std::string textOf(HWND window) {
        DWORD_PTR length = 0;
        if (window == nullptr || !sendA(window, WM_GETTEXTLENGTH, 0, 0, &length) || length == 0) {
            return {};
        }
        std::string text(length + 1, '\0');
        DWORD_PTR copied = 0;
        sendA(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), &copied);
        text.resize(copied < length ? copied : length);
        return text;
    }

    static bool setTextOf(HWND window, const std::string& bytes) {
        DWORD_PTR result = 0;
        return window != nullptr &&
               sendA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(bytes.c_str()), &result) &&
               result != 0;
    }

    const Room* find(int number) const {
        return number >= 1 && number <= static_cast<int>(rooms_.size()) ? &rooms_[number - 1]
                                                                        : nullptr;
    }
    HWND viewOf(int number) const {
        const Room* room = find(number);
        return room != nullptr ? room->view : nullptr;
    }
    HWND inputOf(int number) const {
        const Room* room = find(number);
        return room != nullptr ? room->input : nullptr;
    }

    std::string roomProgram_;
    winsys::User32WindowSystem windows_;
    std::vector<Room> rooms_;
    std::vector<PROCESS_INFORMATION> dialogs_;
};

std::string besideThisProgram(const char* name) {
    std::string path(MAX_PATH, '\0');
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), MAX_PATH);
    path.resize(length);
    const std::size_t slash = path.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + name;
}

}  // namespace
}  // namespace ruz::linkcheck

int main(int argc, char** argv) {
    const std::string roomProgram =
        argc > 1 ? argv[1] : ruz::linkcheck::besideThisProgram("ruz-win32-room.exe");
    // The dagger check needs code page 1252 as the ANSI code page, as on a Western Windows.
    std::printf("ANSI code page %u, room program %s\n", GetACP(), roomProgram.c_str());
    ruz::linkcheck::Win32RoomDriver driver(roomProgram);
    return ruz::linkcheck::runLinkChecks(driver);
}
