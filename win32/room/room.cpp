// ruz-win32-room: a chat room of the messenger made of real Win32 windows, for trying the player
// without a messenger and for checking the messenger link against the window system of Windows
// (or Wine).
//
// The room is a top-level "AIM_ChatWnd" window with these children, in this order: a
// "WndAte32Class" frame holding the transcript view (an "Ate32Class"), a second "WndAte32Class"
// frame holding the input box (an "Ate32Class"), and five "_Oscar_IconBtn" buttons, labelled
// "Clear", "Smile", "Post as", "Leave" and "Send"; after them the "Post as" line (a label and two
// system edit boxes). The views' texts are their window texts, which the messenger link reads and
// writes: the transcript's markup ("<BR>..." lines) and the input's text. Each view holds a system
// edit box that the user sees: the transcript's shows its lines read back ("TIME SENDER: TEXT")
// and follows the newest; the input's takes the user's typing, kept equal to the input's text both
// ways. A WM_LBUTTONDOWN followed by a WM_LBUTTONUP on the fifth button, or Return in the input
// box, posts the input's text into the transcript view as a line of the signed-on user and empties
// the box; an empty box posts nothing. The fifth button's property "RuzSendPresses" counts the
// presses it has handled, so that a press that posted nothing can be seen too. "Post as" (Return
// in its line, or the third button) posts the line as the member named beside it. WM_CLOSE on the
// room ("Leave") closes it and ends the program.
//
// Usage: ruz-win32-room [--name NAME] [--time TEXT] [--title TEXT] [--dialog CAPTION]
//                       [--buddy-list] [--no-room] [--unicode] [--quit-after MS]
//   --name NAME       the signed-on user's screen name (default: the Windows user's name, else
//                     "me")
//   --time TEXT       the time stamp of every line (default: the long time when the line is posted)
//   --title TEXT      the room's caption (default "Chat Room")
//   --dialog CAPTION  also opens a "#32770" dialog window with this caption, before the room: the
//                     buddy list, beside the room
//   --buddy-list      the same with the caption "NAME's Buddy List", from which the player
//                     learns the screen name
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
#include "win32/system_libraries.h"

#include <algorithm>
#include <array>
#include <cstdint>
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
// The send button's property that counts the presses it has handled.
constexpr const char* kPressesProperty = "RuzSendPresses";
// The name "Post as" starts with.
constexpr const wchar_t* kDefaultMember = L"guest";
constexpr const char* kSmile = " :-)";

// Where the windows stand and how big they are, in pixels: the room at the left, under the
// player's command-words window, the buddy list at the right, beside the player; side by side on
// a 1280x800 screen.
constexpr POINT kRoomPlace{20, 330};
constexpr SIZE kRoomSize{520, 420};
constexpr POINT kDialogPlace{1000, 40};
constexpr SIZE kDialogSize{240, 320};
constexpr int kMargin = 8;
constexpr int kInputHeight = 28;
constexpr int kRowHeight = 24;
constexpr int kButtonHeight = 28;
constexpr int kLabelWidth = 52;
constexpr int kMemberWidth = 90;

struct Options {
    std::string name;
    std::optional<std::string> time;
    std::string title = "Chat Room";
    std::optional<std::string> dialog;
    bool room = true;
    bool unicode = false;
    unsigned quitAfterMs = 0;  // 0: never
};

// The room's state. It lives in main() for the whole message loop; the room's windows carry a
// pointer to it (GWLP_USERDATA), so the window procedures need no global.
//
// What the messenger link reads and writes is the windows' own texts: the transcript view's
// markup and the input box's text. Each of the two "Ate32Class" windows holds a system edit box
// that the user sees: the view's shows the markup's lines, read back, and follows the last; the
// input's is where the user types, kept equal to the input window's text both ways.
struct Room {
    const Options* options = nullptr;
    HWND window = nullptr;
    HWND viewFrame = nullptr;
    HWND view = nullptr;
    HWND viewShown = nullptr;  // the lines of the view, read-only
    HWND inputFrame = nullptr;
    HWND input = nullptr;
    HWND inputTyped = nullptr;  // the box the user types into
    std::array<HWND, kButtonCount> buttons{};
    HWND memberLabel = nullptr;
    HWND member = nullptr;      // "Post as": the other member's name
    HWND memberText = nullptr;  // and that member's line
    HWND buttonDown = nullptr;  // the button a mouse button went down on
    bool copyingInput = false;
    int presses = 0;
    HFONT font = nullptr;
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

std::string narrow(const std::wstring& wide, UINT codePage) {
    const int length = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                        length, nullptr, nullptr);
    return text;
}

std::string toUtf8(const std::wstring& wide) {
    return narrow(wide, CP_UTF8);
}

std::wstring wideWindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

// A Unicode window's text as UTF-8.
std::string windowTextUtf8(HWND window) {
    return toUtf8(wideWindowText(window));
}

// The room's texts in its own characters: code page bytes in an ANSI room, UTF-8 (set as UTF-16)
// in a Unicode room.
std::string roomText(const Room& room, HWND window) {
    return room.options->unicode ? windowTextUtf8(window) : windowText(window);
}
void setRoomText(const Room& room, HWND window, const std::string& text) {
    if (room.options->unicode) {
        SetWindowTextW(window, widen(text, CP_UTF8).c_str());
    } else {
        SetWindowTextA(window, text.c_str());
    }
}
std::string roomTextOf(const Room& room, const std::wstring& typed) {
    return narrow(typed, room.options->unicode ? CP_UTF8 : CP_ACP);
}

std::string longTimeNow() {
    char buffer[128] = {};
    if (GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, buffer, sizeof buffer) <= 0) {
        return {};
    }
    return buffer;
}

// A line of `sender` appended to the transcript view's markup.
void appendLine(Room& room, const std::string& sender, const std::string& message) {
    const std::string time = room.options->time ? *room.options->time : longTimeNow();
    const std::string line = ruz::standin::transcriptLine(time, sender, message);
    setRoomText(room, room.view, roomText(room, room.view) + line);
}

void postInput(Room& room) {
    const std::string message = roomText(room, room.input);
    if (message.empty()) {
        return;
    }
    setRoomText(room, room.input, "");
    appendLine(room, room.options->name, message);
}

// The send button's press, by the mouse, by Return or by the messenger link's messages.
void pressSend(Room& room) {
    ++room.presses;
    SetPropA(room.buttons.back(), kPressesProperty,
             reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(room.presses)));
    postInput(room);
}

// "Post as": the line of the other member named beside it; a name or line left empty posts
// nothing.
void postAsMember(Room& room) {
    std::wstring name = wideWindowText(room.member);
    name.erase(0, name.find_first_not_of(L' '));
    name.erase(name.find_last_not_of(L' ') + 1);
    const std::wstring message = wideWindowText(room.memberText);
    if (name.empty() || message.empty()) {
        return;
    }
    SetWindowTextW(room.memberText, L"");
    appendLine(room, roomTextOf(room, name), roomTextOf(room, message));
}

void clearView(Room& room) {
    setRoomText(room, room.view, "");
}

void smile(Room& room) {
    setRoomText(room, room.input, roomText(room, room.input) + kSmile);
}

void leave(Room& room) {
    PostMessageW(room.window, WM_CLOSE, 0, 0);
}

// The buttons, left to right: each one's label and what a click on it does. The fifth sends.
struct Button {
    const char* label;
    void (*click)(Room&);
};
constexpr std::array<Button, kButtonCount> kButtons{{{"Clear", clearView},
                                                     {"Smile", smile},
                                                     {"Post as", postAsMember},
                                                     {"Leave", leave},
                                                     {"Send", pressSend}}};

// The view's lines as its box shows them: "TIME SENDER: TEXT", one a line.
std::wstring shownLines(const Room& room) {
    const std::string markup = room.options->unicode ? windowTextUtf8(room.view)
                                                     : toUtf8(widen(windowText(room.view), CP_ACP));
    std::string shown;
    for (const ruz::standin::ReadBack& line : ruz::standin::readTranscript(markup)) {
        if (!shown.empty()) {
            shown += "\r\n";
        }
        std::string text = line.time.empty() ? std::string() : line.time + ' ';
        if (line.kind == ruz::standin::ReadBack::Kind::Member) {
            text += line.sender + ": ";
        }
        text += line.text;
        std::replace_if(
            text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || c == 0; }, ' ');
        shown += text;
    }
    return widen(shown, CP_UTF8);
}

void showView(const Room& room) {
    if (room.viewShown == nullptr) {
        return;
    }
    const std::wstring lines = shownLines(room);
    SetWindowTextW(room.viewShown, lines.c_str());
    // The box follows the newest line.
    const auto end = static_cast<WPARAM>(lines.size());
    SendMessageW(room.viewShown, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageW(room.viewShown, EM_SCROLLCARET, 0, 0);
}

Room* roomOf(HWND window) {
    return reinterpret_cast<Room*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// The default handling of the window's own kind: a Unicode window's text stays UTF-16.
LRESULT CALLBACK defaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return IsWindowUnicode(window) ? DefWindowProcW(window, message, wParam, lParam)
                                   : DefWindowProcA(window, message, wParam, lParam);
}

void layOut(Room& room) {
    RECT area{};
    GetClientRect(room.window, &area);
    const int width = std::max<int>(area.right - 2 * kMargin, kButtonCount * kMargin);
    const int buttonsTop = std::max<int>(area.bottom - kMargin - kButtonHeight, kMargin);
    const int memberTop = std::max(buttonsTop - kMargin - kRowHeight, kMargin);
    const int inputTop = std::max(memberTop - kMargin - kInputHeight, kMargin);
    const int viewHeight = std::max(inputTop - 2 * kMargin, 0);
    const auto fill = [](HWND frame, HWND inside, int x, int y, int w, int h) {
        MoveWindow(frame, x, y, w, h, TRUE);
        RECT client{};
        GetClientRect(frame, &client);
        MoveWindow(inside, 0, 0, client.right, client.bottom, TRUE);
    };
    fill(room.viewFrame, room.view, kMargin, kMargin, width, viewHeight);
    fill(room.inputFrame, room.input, kMargin, inputTop, width, kInputHeight);
    MoveWindow(room.memberLabel, kMargin, memberTop + 4, kLabelWidth, kRowHeight - 4, TRUE);
    MoveWindow(room.member, kMargin + kLabelWidth, memberTop, kMemberWidth, kRowHeight, TRUE);
    const int textLeft = kMargin + kLabelWidth + kMemberWidth + kMargin;
    MoveWindow(room.memberText, textLeft, memberTop, std::max(kMargin + width - textLeft, 0),
               kRowHeight, TRUE);
    const int step = (width + kMargin) / kButtonCount;
    for (int i = 0; i < kButtonCount; ++i) {
        MoveWindow(room.buttons[static_cast<std::size_t>(i)], kMargin + step * i, buttonsTop,
                   step - kMargin, kButtonHeight, TRUE);
    }
}

LRESULT CALLBACK roomProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Room* room = roomOf(window);
    switch (message) {
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_SIZE:
            if (room != nullptr) {
                layOut(*room);
            }
            return 0;
        case WM_SETFOCUS:
            // The room's focus is its input box.
            if (room != nullptr && room->inputTyped != nullptr) {
                SetFocus(room->inputTyped);
                return 0;
            }
            break;
        default:
            break;
    }
    // WM_CLOSE: the default handling destroys the window, and the room with it.
    return defaultProc(window, message, wParam, lParam);
}

// The transcript view and the input box: their texts are the windows' own (WM_SETTEXT and
// WM_GETTEXT as any plain window), and each shows its text in the edit box it holds.
LRESULT CALLBACK editProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Room* room = roomOf(window);
    if (room == nullptr) {
        return defaultProc(window, message, wParam, lParam);
    }
    switch (message) {
        case WM_SETTEXT: {
            const LRESULT result = defaultProc(window, message, wParam, lParam);
            if (window == room->view) {
                showView(*room);
            } else if (window == room->input && !room->copyingInput &&
                       room->inputTyped != nullptr) {
                room->copyingInput = true;
                SetWindowTextW(room->inputTyped, widen(roomText(*room, window),
                                                       room->options->unicode ? CP_UTF8 : CP_ACP)
                                                     .c_str());
                room->copyingInput = false;
            }
            return result;
        }
        case WM_COMMAND:
            // What the user types becomes the input window's text.
            if (window == room->input && HIWORD(wParam) == EN_CHANGE && !room->copyingInput) {
                room->copyingInput = true;
                const std::string typed = roomTextOf(*room, wideWindowText(room->inputTyped));
                if (room->options->unicode) {
                    const std::wstring units = widen(typed, CP_UTF8);
                    DefWindowProcW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(units.c_str()));
                } else {
                    DefWindowProcA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
                }
                room->copyingInput = false;
                return 0;
            }
            break;
        case WM_SIZE: {
            const HWND shown = window == room->view ? room->viewShown : room->inputTyped;
            MoveWindow(shown, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return 0;
        }
        case WM_SETFOCUS:
            SetFocus(window == room->view ? room->viewShown : room->inputTyped);
            return 0;
        default:
            break;
    }
    return defaultProc(window, message, wParam, lParam);
}

// Return in the input box sends, as the fifth button does; in the "Post as" line it posts that
// line.
LRESULT CALLBACK typedBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    Room* room = roomOf(GetAncestor(box, GA_ROOT));
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(box, GWLP_USERDATA));
    if (room != nullptr && message == WM_CHAR && wParam == L'\r') {
        if (box == room->memberText) {
            postAsMember(*room);
        } else {
            pressSend(*room);
        }
        return 0;
    }
    return CallWindowProcW(original, box, message, wParam, lParam);
}

void returnSends(HWND box) {
    const LONG_PTR original =
        SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&typedBoxProc));
    SetWindowLongPtrW(box, GWLP_USERDATA, original);
}

// The buttons show their window texts; a button-down followed by a button-up on the same button
// is its click.
LRESULT CALLBACK buttonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Room* room = roomOf(window);
    if (room == nullptr) {
        return defaultProc(window, message, wParam, lParam);
    }
    switch (message) {
        case WM_LBUTTONDOWN:
            room->buttonDown = window;
            InvalidateRect(window, nullptr, TRUE);
            return 0;
        case WM_LBUTTONUP: {
            const bool clicked = room->buttonDown == window;
            room->buttonDown = nullptr;
            InvalidateRect(window, nullptr, TRUE);
            const auto at = std::find(room->buttons.begin(), room->buttons.end(), window);
            if (clicked && at != room->buttons.end()) {
                kButtons[static_cast<std::size_t>(at - room->buttons.begin())].click(*room);
            }
            return 0;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            const HDC dc = BeginPaint(window, &paint);
            RECT area{};
            GetClientRect(window, &area);
            DrawFrameControl(dc, &area, DFC_BUTTON,
                             DFCS_BUTTONPUSH | (room->buttonDown == window ? DFCS_PUSHED : 0));
            const HGDIOBJ before = SelectObject(dc, room->font);
            SetBkMode(dc, TRANSPARENT);
            std::wstring label = wideWindowText(window);
            DrawTextW(dc, label.data(), static_cast<int>(label.size()), &area,
                      DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            SelectObject(dc, before);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_SETTEXT: {
            const LRESULT result = defaultProc(window, message, wParam, lParam);
            InvalidateRect(window, nullptr, TRUE);
            return result;
        }
        default:
            break;
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
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = wideName.c_str();
        return RegisterClassExW(&wc) != 0;
    }
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
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

HWND createChild(bool unicode, const char* className, const char* text, HWND parent) {
    return createWindow(unicode, className, text, WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, 0, 0,
                        parent);
}

// One of the system's own controls (Unicode whatever the room), in the room's font.
HWND systemControl(const Room& room, const wchar_t* className, const wchar_t* text, DWORD style,
                   HWND parent) {
    const HWND control = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0,
                                         0, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (control != nullptr) {
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(room.font), FALSE);
    }
    return control;
}

bool buildRoom(Room& room) {
    const bool u = room.options->unicode;
    if (!registerClass(kRoomClass, roomProc, u) ||
        !registerClass(kEditFrameClass, defaultProc, u) ||
        !registerClass(kEditClass, editProc, u) || !registerClass(kButtonClass, buttonProc, u)) {
        return false;
    }
    room.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    room.window = createWindow(u, kRoomClass, room.options->title.c_str(), WS_OVERLAPPEDWINDOW,
                               kRoomPlace.x, kRoomPlace.y, kRoomSize.cx, kRoomSize.cy, nullptr);
    if (room.window == nullptr) {
        return false;
    }
    const auto carry = [&room](HWND window) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&room));
    };
    carry(room.window);
    // The messenger's child order: transcript frame, input frame, then the five buttons; the
    // "Post as" line after them. Each view's edit box is there before the first button, so a
    // room whose fifth button is found is whole for the messenger link.
    room.viewFrame = createChild(u, kEditFrameClass, "", room.window);
    room.view = createChild(u, kEditClass, "", room.viewFrame);
    room.inputFrame = createChild(u, kEditFrameClass, "", room.window);
    room.input = createChild(u, kEditClass, "", room.inputFrame);
    if (room.viewFrame == nullptr || room.view == nullptr || room.inputFrame == nullptr ||
        room.input == nullptr) {
        return false;
    }
    room.viewShown = systemControl(
        room, L"EDIT", L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, room.view);
    // The view shows as much as the room holds.
    SendMessageW(room.viewShown, EM_SETLIMITTEXT, 0, 0);
    room.inputTyped = systemControl(room, L"EDIT", L"", ES_AUTOHSCROLL, room.input);
    if (room.viewShown == nullptr || room.inputTyped == nullptr) {
        return false;
    }
    returnSends(room.inputTyped);
    carry(room.view);
    carry(room.input);
    for (std::size_t i = 0; i < room.buttons.size(); ++i) {
        room.buttons[i] = createChild(u, kButtonClass, kButtons[i].label, room.window);
        if (room.buttons[i] == nullptr) {
            return false;
        }
        carry(room.buttons[i]);
    }
    room.memberLabel = systemControl(room, L"STATIC", L"Post as", 0, room.window);
    room.member =
        systemControl(room, L"EDIT", kDefaultMember, WS_BORDER | ES_AUTOHSCROLL, room.window);
    room.memberText = systemControl(room, L"EDIT", L"", WS_BORDER | ES_AUTOHSCROLL, room.window);
    if (room.memberText == nullptr) {
        return false;
    }
    returnSends(room.memberText);
    layOut(room);
    ShowWindow(room.window, SW_SHOWNORMAL);
    SetFocus(room.inputTyped);
    return true;
}

// The buddy list: a dialog window (the standard dialog class, "#32770") beside the room, showing
// its user online.
HWND openDialog(const std::string& caption, const std::string& name) {
    const HWND dialog =
        CreateWindowExA(0, WC_DIALOG, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        kDialogPlace.x, kDialogPlace.y, kDialogSize.cx, kDialogSize.cy, nullptr,
                        nullptr, GetModuleHandleA(nullptr), nullptr);
    if (dialog != nullptr) {
        const std::string online = "Buddies (1/1)\r\n    " + name;
        const HWND list =
            CreateWindowExA(0, "STATIC", online.c_str(), WS_CHILD | WS_VISIBLE, kMargin, kMargin,
                            kDialogSize.cx - 4 * kMargin, kDialogSize.cy / 2, dialog, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
        SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                     FALSE);
    }
    return dialog;
}

// The Windows user's name in the ANSI code page; "me" when the system gives none.
std::string windowsUserName() {
    std::array<char, 257> name{};
    DWORD length = static_cast<DWORD>(name.size());
    return GetUserNameA(name.data(), &length) && name[0] != '\0' ? std::string(name.data())
                                                                 : std::string("me");
}

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    bool buddyList = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--no-room") {
            options.room = false;
        } else if (arg == "--buddy-list") {
            buddyList = true;
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
    if (options.name.empty()) {
        options.name = windowsUserName();
    }
    if (buddyList && !options.dialog) {
        options.dialog = options.name + "'s Buddy List";
    }
    if (!options.room && !options.dialog) {
        return std::nullopt;
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    if (!ruz::win32::loadSystemLibrariesFromSystemFolderOnly()) {
        std::fprintf(stderr,
                     "ruz-win32-room: DLLs cannot be limited to the system folder (error %lu)\n",
                     GetLastError());
        return 1;
    }
    const std::optional<Options> options = parseOptions(argc, argv);
    if (!options) {
        std::fputs(
            "usage: ruz-win32-room [--name NAME] [--time TEXT] [--title TEXT] "
            "[--dialog CAPTION] [--buddy-list] [--no-room] [--unicode] [--quit-after MS]\n",
            stderr);
        return 2;
    }
    if (options->dialog && openDialog(*options->dialog, options->name) == nullptr) {
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
    // A Unicode loop: what the user types reaches the edit boxes as typed.
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr && quitTimer != 0 &&
            msg.wParam == quitTimer) {
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
