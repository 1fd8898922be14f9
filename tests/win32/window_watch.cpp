// ruz-window-watch: starts a program and waits for it to show a window, for the install check and
// the start-up measurement under Wine.
//
// Usage: ruz-window-watch [--keep] [--timeout MS] [--text TEXT] CLASS TITLE PROGRAM [ARGUMENT...]
//   CLASS, TITLE  what the awaited window must have: its class name and its caption, each
//                 matched whole; "*" matches any
//   --text TEXT   the window must also have a child window with this text (a message box's
//                 message), matched whole
//   --keep        leaves the program running once its window is there (by default it is ended)
//   --timeout MS  how long to wait for the window (default 30000)
// Only visible top-level windows of the started process count. The time runs from just before
// the process is created to the first poll that finds the window.
//
// Prints one line and ends with:
//   0  "window after MS ms, process ID: class "CLASS", caption "CAPTION""
//   1  the program ended, or the time ran out, before such a window ("no window: ...")
//   2  bad usage
//   3  the program could not be started
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <string_view>

#include "win32/command_line_quote.h"

namespace {

constexpr DWORD kDefaultTimeoutMs = 30000;
constexpr DWORD kLongestTimeoutMs = 600000;
constexpr DWORD kPollMs = 1;
constexpr DWORD kEndWaitMs = 5000;
constexpr int kClassNameCapacity = 256;
constexpr int kCaptionCapacity = 512;

enum Exit : int { kFound = 0, kNoWindow = 1, kUsage = 2, kNotStarted = 3 };

struct Wanted {
    DWORD processId = 0;
    std::wstring_view className;
    std::wstring_view caption;
    std::wstring_view childText = L"*";
    HWND found = nullptr;
};

struct WantedChild {
    std::wstring_view text;
    bool found = false;
};

BOOL CALLBACK visitChild(HWND window, LPARAM context) {
    auto& wanted = *reinterpret_cast<WantedChild*>(context);
    wchar_t text[kCaptionCapacity] = {};
    GetWindowTextW(window, text, kCaptionCapacity);
    wanted.found = wanted.text == text;
    return wanted.found ? FALSE : TRUE;
}

bool matches(std::wstring_view pattern, const wchar_t* text) {
    return pattern == L"*" || pattern == text;
}

BOOL CALLBACK visit(HWND window, LPARAM context) {
    auto& wanted = *reinterpret_cast<Wanted*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != wanted.processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    wchar_t className[kClassNameCapacity] = {};
    wchar_t caption[kCaptionCapacity] = {};
    GetClassNameW(window, className, kClassNameCapacity);
    GetWindowTextW(window, caption, kCaptionCapacity);
    if (!matches(wanted.className, className) || !matches(wanted.caption, caption)) {
        return TRUE;
    }
    if (wanted.childText != L"*") {
        WantedChild child{wanted.childText};
        EnumChildWindows(window, visitChild, reinterpret_cast<LPARAM>(&child));
        if (!child.found) {
            return TRUE;
        }
    }
    wanted.found = window;
    return FALSE;
}

double millisecondsSince(LARGE_INTEGER start) {
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

struct ArgumentsFree {
    void operator()(wchar_t** arguments) const { LocalFree(arguments); }
};

int usage() {
    std::fputs(
        "usage: ruz-window-watch [--keep] [--timeout MS] [--text TEXT] CLASS TITLE PROGRAM "
        "[ARGUMENT...]\n",
        stderr);
    return kUsage;
}

}  // namespace

int main() {
    int count = 0;
    std::unique_ptr<wchar_t*, ArgumentsFree> arguments(
        CommandLineToArgvW(GetCommandLineW(), &count));
    if (!arguments) {
        return usage();
    }
    wchar_t** argv = arguments.get();
    bool keep = false;
    DWORD timeoutMs = kDefaultTimeoutMs;
    std::wstring_view childText = L"*";
    int next = 1;
    for (; next < count && argv[next][0] == L'-' && argv[next][1] == L'-'; ++next) {
        const std::wstring_view option = argv[next];
        if (option == L"--keep") {
            keep = true;
        } else if (option == L"--timeout" && next + 1 < count) {
            wchar_t* end = nullptr;
            const unsigned long value = std::wcstoul(argv[++next], &end, 10);
            if (*end != L'\0' || value == 0 || value > kLongestTimeoutMs) {
                return usage();
            }
            timeoutMs = static_cast<DWORD>(value);
        } else if (option == L"--text" && next + 1 < count) {
            childText = argv[++next];
        } else {
            return usage();
        }
    }
    if (count - next < 3) {
        return usage();
    }
    Wanted wanted;
    wanted.className = argv[next];
    wanted.caption = argv[next + 1];
    wanted.childText = childText;
    std::wstring commandLine;
    for (int i = next + 2; i < count; ++i) {
        if (!commandLine.empty()) {
            commandLine += L' ';
        }
        commandLine += ruz::win32::quoteArgument(argv[i]);
    }

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER started;
    QueryPerformanceCounter(&started);
    if (!CreateProcessW(argv[next + 2], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        std::printf("not started: error %lu\n", GetLastError());
        return kNotStarted;
    }
    CloseHandle(process.hThread);
    wanted.processId = process.dwProcessId;

    int result = kNoWindow;
    for (;;) {
        EnumWindows(visit, reinterpret_cast<LPARAM>(&wanted));
        const double elapsed = millisecondsSince(started);
        if (wanted.found) {
            wchar_t className[kClassNameCapacity] = {};
            wchar_t caption[kCaptionCapacity] = {};
            GetClassNameW(wanted.found, className, kClassNameCapacity);
            GetWindowTextW(wanted.found, caption, kCaptionCapacity);
            std::printf("window after %.1f ms, process %lu: class \"%ls\", caption \"%ls\"\n",
                        elapsed, process.dwProcessId, className, caption);
            result = kFound;
            break;
        }
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code) && code != STILL_ACTIVE) {
            std::printf("no window: the program ended with %lu\n", code);
            break;
        }
        if (elapsed > timeoutMs) {
            std::printf("no window: none after %lu ms\n", timeoutMs);
            break;
        }
        Sleep(kPollMs);
    }
    if (!keep || result != kFound) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, kEndWaitMs);
    }
    CloseHandle(process.hProcess);
    std::fflush(stdout);
    return result;
}
