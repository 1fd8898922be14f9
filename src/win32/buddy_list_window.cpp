#include "win32/buddy_list_window.h"

#include "text/text.h"
#include "win32/view_support.h"
#include "win32/wide.h"

#include <algorithm>
#include <utility>

namespace ruz::win32 {

namespace {

// The window's size and its parts, in pixels.
constexpr int kWidth = 240;
constexpr int kHeight = 320;
constexpr int kMargin = 8;
constexpr int kRowHeight = 26;
constexpr int kButtonRows = 3;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;

}  // namespace

BuddyListWindow::BuddyListWindow(standin::MessengerStandIn& messenger, HICON icon,
                                 Commands commands, POINT place)
    : messenger_(messenger), commands_(std::move(commands)) {
    registerViewClass(kClassName, &viewProcedure<BuddyListWindow>, icon);
    window_ = CreateWindowExW(0, kClassName, L"", kStyle, place.x, place.y, kWidth, kHeight,
                              nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) {
        return;
    }
    const RECT none{0, 0, 0, 0};
    name_ = child(window_, L"STATIC", u"", SS_LEFT | SS_NOPREFIX, none, kNameId);
    join_ =
        child(window_, L"BUTTON", u"Join a chat room", BS_PUSHBUTTON | WS_TABSTOP, none, kJoinId);
    signOn_ = child(window_, L"BUTTON", u"Sign on to a chat network...", BS_PUSHBUTTON | WS_TABSTOP,
                    none, kSignOnId);
    signOff_ = child(window_, L"BUTTON", u"Sign off", BS_PUSHBUTTON | WS_TABSTOP, none, kSignOffId);
    layOut();
    ShowWindow(window_, SW_SHOWNOACTIVATE);
}

BuddyListWindow::~BuddyListWindow() {
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void BuddyListWindow::refresh(const std::string& captionUtf8) {
    if (window_ == nullptr) {
        return;
    }
    const std::u16string caption = text::fromUtf8(captionUtf8);
    if (windowText(window_) != caption) {
        setWindowText(window_, caption);
    }
    const std::u16string online =
        u"Online\r\n\r\nBuddies (1/1)\r\n    " + text::fromUtf8(messenger_.screenName());
    if (windowText(name_) != online) {
        setWindowText(name_, online);
    }
    updateButtons();
}

void BuddyListWindow::updateButtons() {
    EnableWindow(signOn_, commands_.canSignOn && commands_.canSignOn() ? TRUE : FALSE);
    EnableWindow(signOff_, commands_.canSignOff && commands_.canSignOff() ? TRUE : FALSE);
}

bool BuddyListWindow::dialogMessage(MSG& message) {
    return window_ != nullptr && (message.hwnd == window_ || IsChild(window_, message.hwnd)) &&
           IsDialogMessageW(window_, &message);
}

LRESULT BuddyListWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                switch (LOWORD(wParam)) {
                    case kJoinId:
                        if (commands_.join) {
                            commands_.join();
                        } else {
                            messenger_.openRoom();
                        }
                        return 0;
                    case kSignOnId:
                        if (commands_.signOn) {
                            commands_.signOn();
                        }
                        return 0;
                    case kSignOffId:
                        if (commands_.signOff) {
                            commands_.signOff();
                        }
                        return 0;
                    default:
                        break;
                }
            }
            break;
        case WM_ACTIVATE:
            // The network's connection may have come or gone since: the buttons say so before
            // the click that activated the window lands.
            if (LOWORD(wParam) != WA_INACTIVE) {
                updateButtons();
            }
            break;
        case WM_SIZE:
            layOut();
            return 0;
        case WM_CLOSE:
            // The stand-in stays signed on as long as the program runs.
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

// The name and its buddies fill the window above a column of the three buttons.
void BuddyListWindow::layOut() {
    RECT area{};
    GetClientRect(window_, &area);
    const int width = std::max<int>(area.right - 2 * kMargin, 0);
    const int buttonsTop =
        std::max<int>(area.bottom - kButtonRows * (kRowHeight + kMargin), kMargin);
    MoveWindow(name_, kMargin, kMargin, width, std::max(buttonsTop - 2 * kMargin, 0), TRUE);
    const HWND buttons[kButtonRows] = {join_, signOn_, signOff_};
    for (int i = 0; i < kButtonRows; ++i) {
        MoveWindow(buttons[i], kMargin, buttonsTop + i * (kRowHeight + kMargin), width, kRowHeight,
                   TRUE);
    }
}

}  // namespace ruz::win32
