#include "win32/chat_windows.h"

#include "platform/winsys/own_window.h"
#include "scanner/room_scanner.h"
#include "standin/transcript_markup.h"
#include "text/text.h"
#include "win32/view_support.h"
#include "win32/wide.h"

#include <commctrl.h>

#include <algorithm>
#include <deque>
#include <numeric>
#include <utility>

namespace ruz::win32 {

namespace {

constexpr wchar_t kHelperClass[] = L"TaviksRuzChatRooms";
// The stand-in changed: the windows show it.
constexpr UINT kRefresh = WM_APP + 1;
// The end of what a window has shown, to know the room's transcript again.
constexpr text::Index kKeptEnd = 256;
constexpr std::size_t kLineBreakLength = 2;  // "\r\n"
constexpr UINT_PTR kReturnKeySubclass = 1;

// Where the windows stand and how big they are, in pixels: each new one a step below and right
// of the one before, a few steps and then again from the first place.
constexpr int kFirstLeft = 40;
constexpr int kFirstTop = 360;
constexpr int kCascadeStep = 28;
constexpr int kCascadeSteps = 8;
constexpr int kWidth = 520;
constexpr int kHeight = 340;
constexpr int kMargin = 6;
constexpr int kRowHeight = 24;
constexpr int kButtonWidth = 72;
constexpr int kLabelWidth = 52;
constexpr int kMemberWidth = 90;
constexpr char16_t kDefaultMember[] = u"guest";
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;

// A room's line as the window shows it: one line, no line breaks or NULs inside.
std::wstring oneLine(const std::string& utf8) {
    std::wstring line = wide(text::fromUtf8(utf8));
    std::replace_if(
        line.begin(), line.end(), [](wchar_t c) { return c == L'\r' || c == L'\n' || c == 0; },
        L' ');
    return line;
}

// A line of the transcript as the window shows it.
std::wstring shownLine(const standin::ReadBack& line) {
    switch (line.kind) {
        case standin::ReadBack::Kind::Member:
            return oneLine(line.time + ' ' + line.sender + ": " + line.text);
        case standin::ReadBack::Kind::Room:
            return oneLine(line.time + ' ' + line.text);
        case standin::ReadBack::Kind::Other:
            break;
    }
    return oneLine(line.text);
}

}  // namespace

// One room's window.
class ChatWindows::RoomWindow {
  public:
    RoomWindow(ChatWindows& owner, int number, int place, bool linked)
        : owner_(owner), number_(number) {
        registerViewClass(kClassName, &viewProcedure<RoomWindow>, owner.icon_);
        const int step = (place % kCascadeSteps) * kCascadeStep;
        dpi_ = screenDpi();
        // At the screen's density, no larger than its work area and inside it.
        RECT at{px(kFirstLeft + step), px(kFirstTop + step), px(kFirstLeft + step + kWidth),
                px(kFirstTop + step + kHeight)};
        const RECT area = workAreaNear(at);
        at.right = at.left + std::min(at.right - at.left, area.right - area.left);
        at.bottom = at.top + std::min(at.bottom - at.top, area.bottom - area.top);
        at = insideArea(at, area);
        window_ =
            CreateWindowExW(0, kClassName, L"", kStyle, at.left, at.top, at.right - at.left,
                            at.bottom - at.top, nullptr, nullptr, GetModuleHandleW(nullptr), this);
        if (window_ == nullptr) {
            return;
        }
        const RECT none{0, 0, 0, 0};
        transcript_ = child(window_, L"EDIT", u"",
                            ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER,
                            none, kTranscriptId);
        // The transcript holds as much as the room keeps.
        SendMessageW(transcript_, EM_SETLIMITTEXT, 0, 0);
        input_ =
            child(window_, L"EDIT", u"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, none, kInputId);
        send_ = child(window_, L"BUTTON", u"Send", BS_PUSHBUTTON | WS_TABSTOP, none, kSendId);
        SetWindowSubclass(input_, &RoomWindow::returnKey, kReturnKeySubclass,
                          reinterpret_cast<DWORD_PTR>(this));
        if (!linked) {
            // A chat network's members post from their own programs; here the user plays them.
            memberLabel_ = child(window_, L"STATIC", u"Post as", 0, none, 0);
            member_ = child(window_, L"EDIT", kDefaultMember,
                            ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, none, kMemberId);
            memberText_ = child(window_, L"EDIT", u"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP,
                                none, kMemberTextId);
            post_ = child(window_, L"BUTTON", u"Post", BS_PUSHBUTTON | WS_TABSTOP, none, kPostId);
            SetWindowSubclass(memberText_, &RoomWindow::returnKey, kReturnKeySubclass,
                              reinterpret_cast<DWORD_PTR>(this));
        }
        font_ = controlFont(dpi_, false);
        setChildFonts(window_, font_);
        layOut();
        ShowWindow(window_, SW_SHOWNOACTIVATE);
    }
    ~RoomWindow() {
        if (window_ != nullptr) {
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            DestroyWindow(window_);
        }
        if (font_ != nullptr) {
            DeleteObject(font_);
        }
    }
    RoomWindow(const RoomWindow&) = delete;
    RoomWindow& operator=(const RoomWindow&) = delete;

    int number() const { return number_; }
    HWND handle() const { return window_; }

    // Shows the caption when it changed, and what is new in the room's transcript: what was
    // shown before and is still the transcript's start stays, and only the lines added since are
    // read and appended.
    void show(const std::wstring& caption, const GrowingText::ReadFrom& read) {
        if (caption != caption_) {
            caption_ = caption;
            SetWindowTextW(window_, caption_.c_str());
        }
        const GrowingText::Read text = shown_.read(read, [](text::Index) { return 0; });
        if (!text.continued) {
            // Emptied or replaced: everything anew.
            SetWindowTextW(transcript_, L"");
            lineLengths_.clear();
        }
        const std::vector<std::u16string> lines = splitChatLines(text.fresh());
        shown_.moveTo(text.text, text.length);
        if (lines.empty()) {
            return;
        }
        // Of more lines than the window keeps, only the newest are shown.
        const std::size_t first =
            lines.size() > kScrollbackLines ? lines.size() - kScrollbackLines : 0;
        std::wstring added;
        for (std::size_t i = first; i < lines.size(); ++i) {
            const std::wstring line =
                shownLine(standin::readTranscriptLine(text::toUtf8(lines[i])));
            if (!lineLengths_.empty() || i > first) {
                added += L"\r\n";
            }
            added += line;
            lineLengths_.push_back(line.size());
        }
        const auto end = static_cast<WPARAM>(GetWindowTextLengthW(transcript_));
        SendMessageW(transcript_, EM_SETSEL, end, static_cast<LPARAM>(end));
        SendMessageW(transcript_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
        if (lineLengths_.size() > kScrollbackLines + kTrimChunk) {
            const std::size_t gone = lineLengths_.size() - kScrollbackLines;
            const std::size_t characters = std::accumulate(
                lineLengths_.begin(), lineLengths_.begin() + static_cast<std::ptrdiff_t>(gone),
                gone * kLineBreakLength);
            lineLengths_.erase(lineLengths_.begin(),
                               lineLengths_.begin() + static_cast<std::ptrdiff_t>(gone));
            SendMessageW(transcript_, EM_SETSEL, 0, static_cast<LPARAM>(characters));
            SendMessageW(transcript_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        }
        const auto shownEnd = static_cast<WPARAM>(GetWindowTextLengthW(transcript_));
        SendMessageW(transcript_, EM_SETSEL, shownEnd, static_cast<LPARAM>(shownEnd));
        SendMessageW(transcript_, EM_SCROLLCARET, 0, 0);
    }

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_COMMAND:
                if (LOWORD(wParam) == kSendId && HIWORD(wParam) == BN_CLICKED) {
                    owner_.send(number_, input_);
                    return 0;
                }
                if (LOWORD(wParam) == kPostId && HIWORD(wParam) == BN_CLICKED) {
                    owner_.postAs(number_, member_, memberText_);
                    return 0;
                }
                break;
            case WM_ACTIVATE:
                if (LOWORD(wParam) != WA_INACTIVE) {
                    owner_.activated(number_);
                }
                break;
            case WM_SIZE:
                layOut();
                return 0;
            case WM_DPICHANGED: {
                // On a screen of another density: its font and parts follow, where the system
                // suggests.
                dpi_ = HIWORD(wParam);
                const HFONT old = std::exchange(font_, controlFont(dpi_, false));
                setChildFonts(window_, font_);
                DeleteObject(old);
                const RECT at = insideArea(*reinterpret_cast<const RECT*>(lParam),
                                           workAreaNear(*reinterpret_cast<const RECT*>(lParam)));
                SetWindowPos(window_, nullptr, at.left, at.top, at.right - at.left,
                             at.bottom - at.top, SWP_NOZORDER | SWP_NOACTIVATE);
                layOut();
                return 0;
            }
            case WM_CLOSE:
                // The room stays open while signed on: its window only goes out of the way.
                ShowWindow(window_, SW_MINIMIZE);
                return 0;
            case WM_NCDESTROY: {
                const HWND window = std::exchange(window_, nullptr);
                return DefWindowProcW(window, message, wParam, lParam);
            }
            default:
                break;
        }
        return DefWindowProcW(window_, message, wParam, lParam);
    }

  private:
    // Return in the input box sends, as the button does; in the "Post as" line it posts.
    static LRESULT CALLBACK returnKey(HWND input, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR data) {
        auto* self = reinterpret_cast<RoomWindow*>(data);
        if (message == WM_GETDLGCODE && lParam != 0 &&
            reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN) {
            return DLGC_WANTMESSAGE | DefSubclassProc(input, message, wParam, lParam);
        }
        if (message == WM_KEYDOWN && wParam == VK_RETURN) {
            const bool post = input == self->memberText_;
            SendMessageW(self->window_, WM_COMMAND,
                         MAKEWPARAM(post ? kPostId : kSendId, BN_CLICKED),
                         reinterpret_cast<LPARAM>(post ? self->post_ : self->send_));
            return 0;
        }
        if (message == WM_CHAR && wParam == L'\r') {
            return 0;  // taken by the key-down: no beep
        }
        if (message == WM_NCDESTROY) {
            RemoveWindowSubclass(input, &RoomWindow::returnKey, kReturnKeySubclass);
        }
        return DefSubclassProc(input, message, wParam, lParam);
    }

    // The transcript fills the window above a row of the input box and the button, and the
    // "Post as" row below them where there is one.
    void layOut() {
        // The "Post as" label stands a little lower than its field, on the field's text line.
        constexpr int kLabelDrop = 4;
        RECT area{};
        GetClientRect(window_, &area);
        const int margin = px(kMargin);
        const int button = px(kButtonWidth);
        const int row = px(kRowHeight);
        const int width = std::max<int>(area.right - 2 * margin, button * 2);
        const int bottomRow = std::max<int>(area.bottom - margin - row, margin);
        const int rowTop =
            post_ != nullptr ? std::max(bottomRow - margin - row, margin) : bottomRow;
        MoveWindow(transcript_, margin, margin, width, std::max(rowTop - 2 * margin, 0), TRUE);
        MoveWindow(input_, margin, rowTop, width - button - margin, row, TRUE);
        MoveWindow(send_, margin + width - button, rowTop, button, row, TRUE);
        if (post_ == nullptr) {
            return;
        }
        const int labelDrop = px(kLabelDrop);
        const int label = px(kLabelWidth);
        const int member = px(kMemberWidth);
        MoveWindow(memberLabel_, margin, bottomRow + labelDrop, label, row - labelDrop, TRUE);
        MoveWindow(member_, margin + label, bottomRow, member, row, TRUE);
        const int lineLeft = margin + label + member + margin;
        MoveWindow(memberText_, lineLeft, bottomRow,
                   std::max(margin + width - button - margin - lineLeft, 0), row, TRUE);
        MoveWindow(post_, margin + width - button, bottomRow, button, row, TRUE);
    }
    int px(int pixels) const { return MulDiv(pixels, dpi_, USER_DEFAULT_SCREEN_DPI); }

    ChatWindows& owner_;
    int number_;
    HWND window_ = nullptr;
    HWND transcript_ = nullptr;
    HWND input_ = nullptr;
    HWND send_ = nullptr;
    HWND memberLabel_ = nullptr;
    HWND member_ = nullptr;
    HWND memberText_ = nullptr;
    HWND post_ = nullptr;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    HFONT font_ = nullptr;
    std::wstring caption_;
    GrowingText shown_{kKeptEnd};
    // The length of each line the transcript shows, oldest first, without the line breaks.
    std::deque<std::size_t> lineLengths_;
};

ChatWindows::ChatWindows(standin::MessengerStandIn& messenger, HICON icon)
    : messenger_(messenger), icon_(icon) {
    helper_ = winsys::createOwnWindow(kHelperClass, &ChatWindows::helperProc, this);
    messenger_.setChangeListener([this] { changed(); });
    refresh();
}

ChatWindows::~ChatWindows() {
    messenger_.setChangeListener(nullptr);
    rooms_.clear();
    winsys::destroyOwnWindow(helper_);
}

LRESULT CALLBACK ChatWindows::helperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* windows = winsys::ownerOf<ChatWindows>(window);
    if (windows != nullptr && message == kRefresh) {
        windows->refresh();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void ChatWindows::changed() {
    if (refreshPending_) {
        return;
    }
    // Without a queue to wait in, the change shows at once.
    refreshPending_ = helper_ != nullptr && PostMessageW(helper_, kRefresh, 0, 0) != FALSE;
    if (!refreshPending_) {
        refresh();
    }
}

void ChatWindows::refresh() {
    refreshPending_ = false;
    const std::vector<int> open = messenger_.openRoomNumbers();
    std::erase_if(rooms_, [&open](const std::unique_ptr<RoomWindow>& room) {
        return std::find(open.begin(), open.end(), room->number()) == open.end() ||
               room->handle() == nullptr;
    });
    for (const int number : open) {
        auto found = std::find_if(rooms_.begin(), rooms_.end(),
                                  [number](const auto& room) { return room->number() == number; });
        if (found == rooms_.end()) {
            rooms_.push_back(std::make_unique<RoomWindow>(*this, number, opened_++,
                                                          messenger_.roomLinked(number)));
            found = rooms_.end() - 1;
            if ((*found)->handle() == nullptr) {
                rooms_.erase(found);
                continue;
            }
        }
        (*found)->show(oneLine(messenger_.roomCaption(number)),
                       [this, number](text::Index from, text::Index& length) {
                           std::size_t units = 0;
                           const std::string utf8 = messenger_.roomTranscriptUtf8From(
                               number, static_cast<std::size_t>(std::max<text::Index>(from, 0)),
                               units);
                           length = static_cast<text::Index>(units);
                           return text::fromUtf8(utf8);
                       });
    }
}

HWND ChatWindows::windowOf(int number) const {
    for (const auto& room : rooms_) {
        if (room->number() == number) {
            return room->handle();
        }
    }
    return nullptr;
}

bool ChatWindows::dialogMessage(MSG& message) {
    for (const auto& room : rooms_) {
        const HWND window = room->handle();
        if (window != nullptr && (message.hwnd == window || IsChild(window, message.hwnd)) &&
            IsDialogMessageW(window, &message)) {
            return true;
        }
    }
    return false;
}

void ChatWindows::send(int number, HWND input) {
    const std::string typed = text::toUtf8(windowText(input));
    if (!messenger_.frontRoom(number)) {
        return;  // the room is gone; its window goes with the next refresh
    }
    messenger_.typeInput(typed);
    messenger_.pressSend();
    SetWindowTextW(input, L"");
}

void ChatWindows::postAs(int number, HWND member, HWND line) {
    std::u16string name = windowText(member);
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    while (!name.empty() && blank(name.back())) {
        name.pop_back();
    }
    const auto first = std::find_if_not(name.begin(), name.end(), blank);
    name.erase(name.begin(), first);
    const std::u16string said = windowText(line);
    if (name.empty() || said.empty() || messenger_.roomLinked(number)) {
        return;
    }
    if (messenger_.memberSaysIn(number, text::toUtf8(name), text::toUtf8(said))) {
        SetWindowTextW(line, L"");
    }
}

void ChatWindows::activated(int number) {
    if (messenger_.frontRoomNumber() != number) {
        messenger_.frontRoom(number);
    }
}

}  // namespace ruz::win32
