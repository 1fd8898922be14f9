#include "messenger/aimchat.h"

#include "platform/winsys/codepage.h"

#include <algorithm>
#include <limits>
#include <new>
#include <optional>

namespace ruz::messenger {

using winsys::Hwnd;
using winsys::LParam;
using winsys::LResult;
using winsys::WParam;

namespace {

// Each operation spells the class names its own way; the window system ignores the case.
constexpr const char* kRoomLower = "aim_chatwnd";  // read, tail, send
constexpr const char* kRoomMixed = "AIM_ChatWnd";  // clear, close
constexpr const char* kEditFrameLower = "wndate32class";
constexpr const char* kEditLower = "ate32class";
constexpr const char* kEditFrameMixed = "WndAte32Class";
constexpr const char* kEditMixed = "Ate32Class";
constexpr const char* kIconButton = "_oscar_iconbtn";
constexpr const char* kDialog = "#32770";

constexpr int kSendButtonIndex = 5;
// wParam of the button messages: the key state the messenger gets with the click.
constexpr WParam kButtonKeyState = 0x000D;

}  // namespace

Hwnd AimChat::nthChild(Hwnd parent, const char* className, int n) {
    if (parent == 0) {
        return 0;  // with no parent, user32 would search the top-level windows instead
    }
    Hwnd child = 0;
    for (int i = 0; i < n; ++i) {
        child = windows_.findWindowEx(parent, child, className);
        if (child == 0) {
            return 0;
        }
    }
    return child;
}

void AimChat::writeText(Hwnd window, const WindowText& text) {
    if (window == 0) {
        return;
    }
    if (text.unicode) {
        windows_.sendMessageW(window, winsys::kWmSetText, 0,
                              reinterpret_cast<LParam>(text.units.c_str()));
    } else {
        windows_.sendMessage(window, winsys::kWmSetText, 0,
                             reinterpret_cast<LParam>(text.bytes.c_str()));
    }
}

void AimChat::setWindowText(Hwnd window, std::string_view utf8) {
    WindowText text;
    text.unicode = window != 0 && windows_.isWindowUnicode(window);
    if (text.unicode) {
        text.units = winsys::utf8ToUtf16(utf8);
    } else {
        text.bytes = winsys::utf8ToCp1252(utf8);
    }
    writeText(window, text);
}

namespace {

// A window's text via WM_GETTEXTLENGTH and WM_GETTEXT, in the units of `send`'s kind of text.
template <typename Text, typename Send>
Text readUnits(Hwnd window, std::size_t firstReadLength, std::size_t maxReadLength, Send send) {
    const LResult reported = send(window, winsys::kWmGetTextLength, 0, 0);
    const std::size_t claimed =
        reported <= 0 ? 0 : std::min(static_cast<std::size_t>(reported), maxReadLength);
    // A window may report any length: the first read is bounded, and a longer one follows only
    // while the window fills the whole buffer, so the end of a text of any real length is read.
    std::size_t length = std::min(claimed, firstReadLength);
    Text buffer;
    for (;;) {
        try {
            buffer.assign(length + 1, typename Text::value_type{});
        } catch (const std::bad_alloc&) {
            return {};
        }
        const LResult copied =
            send(window, winsys::kWmGetText, length + 1, reinterpret_cast<LParam>(buffer.data()));
        // The first `length` units; less only when the window copied less (its text shrank
        // between the messages), so no NUL padding reaches the caller.
        const std::size_t got =
            copied < 0 ? length : std::min(static_cast<std::size_t>(copied), length);
        const bool full = copied >= 0 && got == length && claimed > length;
        if (!full) {
            buffer.resize(got);
            return buffer;
        }
        length = std::min(claimed, length * 2);
    }
}

}  // namespace

AimChat::WindowText AimChat::readText(Hwnd window) {
    WindowText text;
    if (window == 0) {
        return text;
    }
    text.unicode = windows_.isWindowUnicode(window);
    if (text.unicode) {
        text.units = readUnits<std::u16string>(
            window, kFirstReadLength, kMaxReadLength,
            [this](auto... args) { return windows_.sendMessageW(args...); });
    } else {
        text.bytes =
            readUnits<std::string>(window, kFirstReadLength, kMaxReadLength,
                                   [this](auto... args) { return windows_.sendMessage(args...); });
    }
    return text;
}

std::string AimChat::WindowText::utf8From(std::size_t from) const {
    if (from >= size()) {
        return {};
    }
    return unicode ? winsys::utf16ToUtf8(std::u16string_view(units).substr(from))
                   : winsys::cp1252ToUtf8(std::string_view(bytes).substr(from));
}

Hwnd AimChat::SendChatText(std::string_view utf8) {
    const Hwnd room = windows_.findWindow(kRoomLower);
    const Hwnd inputFrame = nthChild(room, kEditFrameLower, 2);
    const Hwnd input = nthChild(inputFrame, kEditLower, 1);
    // What the user had typed but not sent goes back into the box afterwards.
    const WindowText unsent = readText(input);
    setWindowText(input, utf8);
    const bool pressed = PressChatSendButton();
    if (unsent.size() > 0) {
        writeText(input, unsent);
    }
    return pressed ? transcriptViewOf(room) : 0;
}

bool AimChat::PressChatSendButton() {
    const Hwnd room = windows_.findWindow(kRoomLower);
    const Hwnd button = nthChild(room, kIconButton, kSendButtonIndex);
    if (button == 0) {
        return false;
    }
    windows_.sendMessage(button, winsys::kWmLButtonDown, kButtonKeyState, 0);
    windows_.sendMessage(button, winsys::kWmLButtonUp, kButtonKeyState, 0);
    return true;
}

Hwnd AimChat::ClearChatTranscript() {
    const Hwnd room = windows_.findWindow(kRoomMixed);
    const Hwnd viewFrame = nthChild(room, kEditFrameMixed, 1);
    const Hwnd view = nthChild(viewFrame, kEditMixed, 1);
    setWindowText(view, {});
    return view;
}

void AimChat::CloseChatRoom() {
    const Hwnd room = windows_.findWindow(kRoomMixed);
    if (room != 0) {
        windows_.sendMessage(room, winsys::kWmClose, 0, 0);
    }
}

Hwnd AimChat::transcriptViewOf(Hwnd room) {
    return nthChild(nthChild(room, kEditFrameLower, 1), kEditLower, 1);
}

AimChat::WindowText AimChat::readTranscript() {
    return readText(transcriptViewOf(windows_.findWindow(kRoomLower)));
}

std::vector<Hwnd> AimChat::chatTranscriptViews() {
    std::vector<Hwnd> views;
    // Parent 0: the top-level windows, front to back; at most kMaxRooms are looked at.
    Hwnd room = 0;
    for (std::size_t looked = 0; looked < kMaxRooms; ++looked) {
        room = windows_.findWindowEx(0, room, kRoomLower);
        if (room == 0) {
            break;
        }
        if (const Hwnd view = transcriptViewOf(room); view != 0) {
            views.push_back(view);
        }
    }
    return views;
}

std::string AimChat::readTextFrom(Hwnd window, std::size_t from, std::size_t* length) {
    std::size_t whole = 0;
    if (window != 0) {
        // Where the window system reads a part alone (the stand-in's windows), only the tail.
        if (std::optional<std::string> tail = windows_.readTextFrom(window, from, whole)) {
            if (length != nullptr) {
                *length = whole;
            }
            return std::move(*tail);
        }
    }
    const WindowText text = readText(window);
    if (length != nullptr) {
        *length = text.size();
    }
    return text.utf8From(from);
}

std::string AimChat::readTranscriptViewFrom(Hwnd view, std::size_t from, std::size_t* length) {
    return readTextFrom(view, from, length);
}

std::string AimChat::ReadChatTranscript() {
    return readTranscript().utf8From(0);
}

std::string AimChat::ChatTranscriptTail() {
    // Cut while the text is still in the window's own characters.
    const WindowText text = readTranscript();
    return text.utf8From(text.size() > kTailLength ? text.size() - kTailLength : 0);
}

std::string AimChat::readChatTranscriptFrom(std::size_t from, std::size_t* length) {
    return readTextFrom(transcriptViewOf(windows_.findWindow(kRoomLower)), from, length);
}

std::string AimChat::ReadFirstDialogCaption() {
    return readText(windows_.findWindow(kDialog)).utf8From(0);
}

bool AimChat::MessengerRunning() {
    if (windows_.findWindow(kRoomLower) != 0) {
        return true;
    }
    Hwnd dialog = 0;
    for (std::size_t looked = 0; looked < kMaxDialogs; ++looked) {
        dialog = windows_.findWindowEx(0, dialog, kDialog);
        if (dialog == 0) {
            return false;
        }
        if (readText(dialog).utf8From(0).find(kBuddyListMark) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace ruz::messenger
