// ruz-win32-room: a chat room of the messenger made of real Win32 windows, for checking the
// messenger link against the window system of Windows (or Wine).
//
// The room is a top-level "AIM_ChatWnd" window with these children, in this order: a
// "WndAte32Class" frame holding the transcript view (an "Ate32Class"), a second "WndAte32Class"
// frame holding the input box (an "Ate32Class"), and five "_Oscar_IconBtn" buttons. The views are
// plain windows whose text is their window text. A WM_LBUTTONDOWN followed by a WM_LBUTTONUP on
// the fifth button posts the input box's text into the transcript view as a line of the signed-on
// user and empties the box; an empty box posts nothing. The fifth button's own text counts the
// presses it has handled ("0", "1", ...), so that a press that posted nothing can be seen too.
// WM_CLOSE on the room closes it and ends the program.
//
// Usage: ruz-win32-room [--name NAME] [--time TEXT] [--title TEXT] [--dialog CAPTION] [--no-room]
//                       [--unicode] [--quit-after MS]
//   --name NAME       the signed-on user's screen name (default "me")
//   --time TEXT       the time stamp of every line (default: the long time when the line is posted)
//   --title TEXT      the room's caption (default "Chat Room")
//   --dialog CAPTION  also opens a "#32770" dialog window with this caption, before the room
//   --no-room         opens no room (with --dialog: a dialog window alone)
//   --unicode         the room's windows are Unicode windows (their classes registered with
//                     RegisterClassExW): their texts are UTF-16, and a posted line keeps every
//                     character
//   --quit-after MS   ends the program after MS milliseconds whatever happens
// The options' texts are the ANSI code page's bytes; an ANSI room's texts are too.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "standin/transcript_markup.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr const char* kRoomClass = "AIM_ChatWnd";
constexpr const char* kEditFrameClass = "WndAte32Class";
constexpr const char* kEditClass = "Ate32Class";
constexpr const char* kButtonClass = "_Oscar_IconBtn";
constexpr int kButtonCount = 5;

struct Options {
    std::string name = "me";
    std::optional<std::string> time;
    std::string title = "Chat Room";
    std::optional<std::string> dialog;
    bool room = true;
    bool unicode = false;
    unsigned quitAfterMs = 0;  // 0: never
};

// The room's state. It lives in main() for the whole message loop; the room window and its send
// button carry a pointer to it (GWLP_USERDATA), so the window procedures need no global.
struct Room {
    const Options* options = nullptr;
    HWND window = nullptr;
    HWND view = nullptr;
    HWND input = nullptr;
    HWND send = nullptr;
    bool sendDown = false;
    int presses = 0;
};

std::string windowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

std::wstring widen(const std::string& text, UINT codePage) {
    const int length =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

std::string toUtf8(const std::wstring& wide) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                        nullptr, nullptr);
    return text;
}

// A Unicode window's text as UTF-8.
std::string windowTextUtf8(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return toUtf8(text);
}

std::string longTimeNow() {
    char buffer[128] = {};
    if (GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, buffer, sizeof buffer) <= 0) {
        return {};
    }
    return buffer;
}

// The same in a Unicode room: the line is made in UTF-8 and set as UTF-16.
void postInputUnicode(Room& room) {
    const std::string message = windowTextUtf8(room.input);
    if (message.empty()) {
        return;
    }
    SetWindowTextW(room.input, L"");
    const std::string time = room.options->time ? *room.options->time : longTimeNow();
    const std::string line = ruz::standin::transcriptLine(time, room.options->name, message);
    SetWindowTextW(room.view, widen(windowTextUtf8(room.view) + line, CP_UTF8).c_str());
}

void postInput(Room& room) {
    if (room.options->unicode) {
        postInputUnicode(room);
        return;
    }
    const std::string message = windowText(room.input);
    if (message.empty()) {
        return;
    }
    SetWindowTextA(room.input, "");
    const std::string time = room.options->time ? *room.options->time : longTimeNow();
    const std::string line = ruz::standin::transcriptLine(time, room.options->name, message);
    SetWindowTextA(room.view, (windowText(room.view) + line).c_str());
}

Room* roomOf(HWND window) {
    return reinterpret_cast<Room*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// The default handling of the window's own kind: a Unicode window's text stays UTF-16.
LRESULT CALLBACK defaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return IsWindowUnicode(window) ? DefWindowProcW(window, message, wParam, lParam)
                                   : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK roomProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    // WM_CLOSE: the default handling destroys the window, and the room with it.
    return defaultProc(window, message, wParam, lParam);
}

LRESULT CALLBACK buttonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Room* room = roomOf(window);
    if (room != nullptr && window == room->send) {
        if (message == WM_LBUTTONDOWN) {
            room->sendDown = true;
            return 0;
        }
        if (message == WM_LBUTTONUP && room->sendDown) {
            room->sendDown = false;
            ++room->presses;
            SetWindowTextA(room->send, std::to_string(room->presses).c_str());
            postInput(*room);
            return 0;
        }
    }
    return defaultProc(window, message, wParam, lParam);
}

bool registerClass(const char* name, WNDPROC procedure, bool unicode) {
    if (unicode) {
        const std::wstring wideName = widen(name, CP_ACP);
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = wideName.c_str();
        return RegisterClassExW(&wc) != 0;
    }
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

// A window of `className`, Unicode when its class was registered so.
HWND createWindow(bool unicode, const char* className, const char* text, DWORD style, int x, int y,
                  int width, int height, HWND parent) {
    if (unicode) {
        return CreateWindowExW(0, widen(className, CP_ACP).c_str(), widen(text, CP_ACP).c_str(),
                               style, x, y, width, height, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }
    return CreateWindowExA(0, className, text, style, x, y, width, height, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

HWND createChild(bool unicode, const char* className, const char* text, HWND parent, int x, int y,
                 int width, int height) {
    return createWindow(unicode, className, text, WS_CHILD | WS_VISIBLE | WS_BORDER, x, y, width,
                        height, parent);
}

bool buildRoom(Room& room) {
    const bool u = room.options->unicode;
    if (!registerClass(kRoomClass, roomProc, u) ||
        !registerClass(kEditFrameClass, defaultProc, u) ||
        !registerClass(kEditClass, defaultProc, u) || !registerClass(kButtonClass, buttonProc, u)) {
        return false;
    }
    room.window =
        createWindow(u, kRoomClass, room.options->title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                     CW_USEDEFAULT, CW_USEDEFAULT, 480, 360, nullptr);
    if (room.window == nullptr) {
        return false;
    }
    SetWindowLongPtrA(room.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&room));
    // The messenger's child order: transcript frame, input frame, then the five buttons.
    const HWND viewFrame = createChild(u, kEditFrameClass, "", room.window, 8, 8, 456, 220);
    room.view = createChild(u, kEditClass, "", viewFrame, 0, 0, 452, 216);
    const HWND inputFrame = createChild(u, kEditFrameClass, "", room.window, 8, 236, 456, 48);
    room.input = createChild(u, kEditClass, "", inputFrame, 0, 0, 452, 44);
    HWND button = nullptr;
    for (int i = 0; i < kButtonCount; ++i) {
        const bool send = i == kButtonCount - 1;
        button =
            createChild(u, kButtonClass, send ? "0" : "", room.window, 8 + 92 * i, 292, 84, 28);
        if (button == nullptr) {
            return false;
        }
        SetWindowLongPtrA(button, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&room));
    }
    room.send = button;
    return viewFrame != nullptr && room.view != nullptr && inputFrame != nullptr &&
           room.input != nullptr;
}

HWND openDialog(const std::string& caption) {
    // The standard dialog class, "#32770".
    return CreateWindowExA(0, WC_DIALOG, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           CW_USEDEFAULT, CW_USEDEFAULT, 240, 320, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--no-room") {
            options.room = false;
        } else if (arg == "--unicode") {
            options.unicode = true;
        } else if (arg == "--name" && hasValue) {
            options.name = argv[++i];
        } else if (arg == "--time" && hasValue) {
            options.time = argv[++i];
        } else if (arg == "--title" && hasValue) {
            options.title = argv[++i];
        } else if (arg == "--dialog" && hasValue) {
            options.dialog = argv[++i];
        } else if (arg == "--quit-after" && hasValue) {
            char* end = nullptr;
            const unsigned long ms = std::strtoul(argv[++i], &end, 10);
            if (end == nullptr || *end != '\0' || ms == 0 || ms > 0x7FFFFFFFUL) {
                return std::nullopt;
            }
            options.quitAfterMs = static_cast<unsigned>(ms);
        } else {
            return std::nullopt;
        }
    }
    if (!options.room && !options.dialog) {
        return std::nullopt;
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = parseOptions(argc, argv);
    if (!options) {
        std::fputs(
            "usage: ruz-win32-room [--name NAME] [--time TEXT] [--title TEXT] "
            "[--dialog CAPTION] [--no-room] [--unicode] [--quit-after MS]\n",
            stderr);
        return 2;
    }
    if (options->dialog && openDialog(*options->dialog) == nullptr) {
        std::fprintf(stderr, "ruz-win32-room: no dialog window (error %lu)\n", GetLastError());
        return 1;
    }
    Room room;
    room.options = &*options;
    if (options->room && !buildRoom(room)) {
        std::fprintf(stderr, "ruz-win32-room: no room window (error %lu)\n", GetLastError());
        return 1;
    }
    const UINT_PTR quitTimer =
        options->quitAfterMs != 0 ? SetTimer(nullptr, 0, options->quitAfterMs, nullptr) : 0;

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr && quitTimer != 0 &&
            msg.wParam == quitTimer) {
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
