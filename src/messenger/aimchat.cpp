#include "messenger/aimchat.h"

#include "platform/winsys/codepage.h"

#include <algorithm>
#include <limits>
#include <new>

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

Hwnd AimChat::NthChild(Hwnd parent, const char* className, int n) {
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

void AimChat::SetWindowBytes(Hwnd window, const std::string& cp1252) {
    if (window == 0) {
        return;
    }
    windows_.sendMessage(window, winsys::kWmSetText, 0, reinterpret_cast<LParam>(cp1252.c_str()));
}

std::string AimChat::ReadWindowBytes(Hwnd window) {
    if (window == 0) {
        return {};
    }
    const LResult reported = windows_.sendMessage(window, winsys::kWmGetTextLength, 0, 0);
    const std::size_t claimed = reported <= 0 ? 0 : static_cast<std::size_t>(reported);
    // A window may report any length: the first read is bounded, and a longer one follows only
    // while the window fills the whole buffer, so the end of a text of any real length is read.
    std::size_t length = std::min(claimed, kFirstReadLength);
    std::string buffer;
    for (;;) {
        try {
            buffer.assign(length + 1, '\0');
        } catch (const std::bad_alloc&) {
            return {};
        }
        const LResult copied = windows_.sendMessage(window, winsys::kWmGetText, length + 1,
                                                    reinterpret_cast<LParam>(buffer.data()));
        // The first `length` bytes; less only when the window copied less (its text shrank
        // between the messages), so no NUL padding reaches the caller.
        const std::size_t got =
            copied < 0 ? length : std::min(static_cast<std::size_t>(copied), length);
        const bool full = copied >= 0 && got == length && claimed > length;
        if (!full || length > std::numeric_limits<std::size_t>::max() / 4) {
            buffer.resize(got);
            return buffer;
        }
        length = std::min(claimed, length * 2);
    }
}

void AimChat::SendChatText(std::string_view utf8) {
    const Hwnd room = windows_.findWindow(kRoomLower);
    const Hwnd inputFrame = NthChild(room, kEditFrameLower, 2);
    const Hwnd input = NthChild(inputFrame, kEditLower, 1);
    // What the user had typed but not sent goes back into the box afterwards.
    const std::string unsent = ReadWindowBytes(input);
    SetWindowBytes(input, winsys::utf8ToCp1252(utf8));
    PressChatSendButton();
    if (!unsent.empty()) {
        SetWindowBytes(input, unsent);
    }
}

void AimChat::PressChatSendButton() {
    const Hwnd room = windows_.findWindow(kRoomLower);
    const Hwnd button = NthChild(room, kIconButton, kSendButtonIndex);
    if (button == 0) {
        return;
    }
    windows_.sendMessage(button, winsys::kWmLButtonDown, kButtonKeyState, 0);
    windows_.sendMessage(button, winsys::kWmLButtonUp, kButtonKeyState, 0);
}

void AimChat::ClearChatTranscript() {
    const Hwnd room = windows_.findWindow(kRoomMixed);
    const Hwnd viewFrame = NthChild(room, kEditFrameMixed, 1);
    SetWindowBytes(NthChild(viewFrame, kEditMixed, 1), std::string());
}

void AimChat::CloseChatRoom() {
    const Hwnd room = windows_.findWindow(kRoomMixed);
    if (room != 0) {
        windows_.sendMessage(room, winsys::kWmClose, 0, 0);
    }
}

std::string AimChat::ReadTranscriptBytes() {
    const Hwnd room = windows_.findWindow(kRoomLower);
    const Hwnd viewFrame = NthChild(room, kEditFrameLower, 1);
    return ReadWindowBytes(NthChild(viewFrame, kEditLower, 1));
}

std::string AimChat::ReadChatTranscript() {
    return winsys::cp1252ToUtf8(ReadTranscriptBytes());
}

std::string AimChat::ChatTranscriptTail() {
    // Cut while the text is still one byte a character.
    const std::string bytes = ReadTranscriptBytes();
    const std::size_t start = bytes.size() > kTailLength ? bytes.size() - kTailLength : 0;
    return winsys::cp1252ToUtf8(std::string_view(bytes).substr(start));
}

std::string AimChat::ReadChatTranscriptFrom(std::size_t from, std::size_t* length) {
    const std::string bytes = ReadTranscriptBytes();
    if (length != nullptr) {
        *length = bytes.size();
    }
    return from >= bytes.size() ? std::string()
                                : winsys::cp1252ToUtf8(std::string_view(bytes).substr(from));
}

std::string AimChat::ReadFirstDialogCaption() {
    return winsys::cp1252ToUtf8(ReadWindowBytes(windows_.findWindow(kDialog)));
}

}  // namespace ruz::messenger
