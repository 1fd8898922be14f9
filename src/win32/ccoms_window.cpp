#include "win32/ccoms_window.h"

#include "desktop/player_window.h"

#include "text/text.h"
#include "win32/pictures.h"
#include "win32/wide.h"

#include <windowsx.h>

namespace ruz::win32 {

namespace {

constexpr const wchar_t* kClassName = L"TaviksRuzCcoms";
constexpr int kStripHeight = 26;
constexpr int kStripLogoSize = 18;
constexpr int kHideButtonSize = 22;
constexpr int kColumns = 3;
constexpr int kMargin = 8;
constexpr int kCaptionWidth = 116;
constexpr int kBoxWidth = 72;
constexpr int kRowHeight = 24;
constexpr int kColumnWidth = kCaptionWidth + 6 + kBoxWidth + 6;
constexpr int kWidth = 2 * kMargin + kColumns * kColumnWidth;
constexpr int kRows = (kWordCount - 1 + kColumns - 1) / kColumns + 1;
constexpr int kHeight = kStripHeight + 2 * kMargin + kRows * kRowHeight + 2;
constexpr DWORD kStyle = WS_POPUP | WS_BORDER;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr COLORREF kStripTop = RGB(0x3a, 0x7b, 0xd5);
constexpr COLORREF kStripBottom = RGB(0x1c, 0x3f, 0x73);
constexpr COLORREF kWhite = RGB(0xff, 0xff, 0xff);

// The buttons held down, as picture controls count them.
int buttonBits(WPARAM keys) {
    struct Bit {
        WPARAM key;
        int bit;
    };
    constexpr Bit kBits[] = {
        {MK_LBUTTON, kLeftButton}, {MK_RBUTTON, kRightButton}, {MK_MBUTTON, kMiddleButton}};
    int bits = 0;
    for (const Bit& b : kBits) {
        if ((keys & b.key) != 0) {
            bits |= b.bit;
        }
    }
    return bits;
}

}  // namespace

CcomsWindow::CcomsWindow(Ccoms& words, HICON icon, HWND owner) : words_(words) {
    registerViewClass(kClassName, &viewProcedure<CcomsWindow>, icon);
    // As dense as the screen, or less where the window would not fit its work area.
    dpi_ = fittingDpi(screenDpi(), SIZE{kWidth, kHeight}, frameSize(kStyle, kExStyle, false),
                      workAreaNear(RECT{0, 0, 0, 0}));

    window_ =
        CreateWindowExW(kExStyle, kClassName, wide(words.window.caption()).c_str(), kStyle, 0, 0,
                        px(kWidth), px(kHeight), owner, nullptr, GetModuleHandleW(nullptr), this);
    build();
    makeFonts();
    bindings_.bind(words.window, [this] {
        const Window& control = words_.window;
        setWindowText(window_, control.caption());
        SetWindowPos(window_, nullptr, MulDiv(control.left(), 1, kTwipsPerPixel),
                     MulDiv(control.top(), 1, kTwipsPerPixel), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        const bool shown = IsWindowVisible(window_) != FALSE;
        if (control.visible() && !shown) {
            ShowWindow(window_, SW_SHOW);
            SetForegroundWindow(window_);
        } else if (!control.visible() && shown) {
            ShowWindow(window_, SW_HIDE);
        }
    });
}

CcomsWindow::~CcomsWindow() {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    DeleteObject(titleFont_);
    DeleteObject(controlFont_);
}

void CcomsWindow::makeFonts() {
    for (HFONT font : {titleFont_, controlFont_}) {
        if (font != nullptr) {
            DeleteObject(font);
        }
    }
    titleFont_ = controlFont(dpi_, true);
    controlFont_ = controlFont(dpi_, false);
    setChildFonts(window_, controlFont_);
    InvalidateRect(window_, nullptr, TRUE);
}

void CcomsWindow::followScreen(int screenDpi, const RECT& suggested) {
    const RECT area = workAreaNear(suggested);
    const int dpi =
        fittingDpi(screenDpi, SIZE{kWidth, kHeight}, frameSize(kStyle, kExStyle, false), area);
    RECT place{};
    GetWindowRect(window_, &place);
    const RECT scaled{suggested.left, suggested.top,
                      suggested.left + MulDiv(place.right - place.left, dpi, dpi_),
                      suggested.top + MulDiv(place.bottom - place.top, dpi, dpi_)};
    followDpi(window_, dpi_, dpi, insideArea(scaled, area));
    dpi_ = dpi;
    makeFonts();
    GetWindowRect(window_, &place);
    words_.window.move(place.left * kTwipsPerPixel, place.top * kTwipsPerPixel);
}

void CcomsWindow::build() {
    tips_ = std::make_unique<ToolTips>(window_);
    RECT client{};
    GetClientRect(window_, &client);
    const int hideSize = px(kHideButtonSize);
    const int hideGap = (px(kStripHeight) - hideSize) / 2;
    hide_ = child(window_, L"BUTTON", u"", BS_OWNERDRAW,
                  RECT{client.right - hideSize - hideGap, hideGap, client.right - hideGap,
                       hideGap + hideSize},
                  kHideId);
    tips_->add(hide_, words_.Image27.toolTip());

    // The words in rows of three, the announcement alone across the last row.
    int slot = 0;
    for (int i = 0; i < kWordCount; ++i) {
        const auto word = static_cast<Word>(i);
        TextBox& box = words_.box(word);
        const bool last = word == Word::Announcement;
        const int row = last ? kRows - 1 : slot / kColumns;
        const int column = last ? 0 : slot % kColumns;
        const int x = kMargin + column * kColumnWidth;
        const int y = kStripHeight + kMargin + row * kRowHeight;
        child(window_, L"STATIC", desktop::boxCaption(box), SS_RIGHT | SS_NOPREFIX,
              RECT{px(x), px(y + 3), px(x + kCaptionWidth), px(y + kRowHeight - 2)}, 0);
        const int boxRight = last ? kWidth - kMargin : x + kCaptionWidth + 6 + kBoxWidth;
        HWND edit =
            child(window_, L"EDIT", box.text(), WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
                  RECT{px(x + kCaptionWidth + 6), px(y), px(boxRight), px(y + kRowHeight - 3)},
                  kBoxBase + i);
        boxes_.emplace_back(edit, &box);
        tips_->add(edit, box.toolTip());
        bindings_.bind(box, [this, edit, &box] {
            if (windowText(edit) != box.text()) {
                updating_ = true;
                setWindowText(edit, box.text());
                updating_ = false;
            }
        });
        if (!last) {
            ++slot;
        }
    }
}

POINT CcomsWindow::pointerTwips() const {
    POINT at{};
    GetCursorPos(&at);
    ScreenToClient(window_, &at);
    return POINT{MulDiv(at.x, kTwipsPerPixel * USER_DEFAULT_SCREEN_DPI, dpi_),
                 MulDiv(at.y, kTwipsPerPixel * USER_DEFAULT_SCREEN_DPI, dpi_)};
}

LRESULT CcomsWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            if (GET_Y_LPARAM(lParam) < px(kStripHeight)) {
                SetCapture(window_);
                const POINT at = pointerTwips();
                words_.Image26.mouseDown(buttonBits(wParam), at.x, at.y);
            }
            return 0;
        case WM_MOUSEMOVE:
            if (GetCapture() == window_) {
                const POINT at = pointerTwips();
                words_.Image26.mouseMove(buttonBits(wParam), at.x, at.y);
            }
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if (GetCapture() == window_ && buttonBits(wParam) == 0) {
                ReleaseCapture();
            }
            return 0;
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (id == kHideId && HIWORD(wParam) == BN_CLICKED) {
                words_.Image27.click();
            } else if (id >= kBoxBase && id < kBoxBase + kWordCount &&
                       HIWORD(wParam) == EN_CHANGE && !updating_) {
                const auto& [edit, box] = boxes_[static_cast<std::size_t>(id - kBoxBase)];
                box->setText(windowText(edit));
            }
            return 0;
        }
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            RECT face = item.rcItem;
            DrawFrameControl(
                item.hDC, &face, DFC_BUTTON,
                DFCS_BUTTONPUSH | ((item.itemState & ODS_SELECTED) != 0 ? DFCS_PUSHED : 0));
            drawGlyph(item.hDC, face, Glyph::Close, kStripBottom);
            return TRUE;
        }
        case WM_PAINT:
            paint();
            return 0;
        case WM_DPICHANGED:
            followScreen(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_CLOSE:
            // Closing the window hides it, as its hide button does; it is never destroyed.
            words_.Image27.click();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void CcomsWindow::paint() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window_, &paint);
    RECT client{};
    GetClientRect(window_, &client);
    const int strip = px(kStripHeight);
    constexpr int kBands = 8;
    for (int band = 0; band < kBands; ++band) {
        const auto mix = [band](int a, int b) { return a + (b - a) * band / (kBands - 1); };
        HBRUSH brush = CreateSolidBrush(RGB(mix(GetRValue(kStripTop), GetRValue(kStripBottom)),
                                            mix(GetGValue(kStripTop), GetGValue(kStripBottom)),
                                            mix(GetBValue(kStripTop), GetBValue(kStripBottom))));
        const RECT part{0, strip * band / kBands, client.right, strip * (band + 1) / kBands};
        FillRect(dc, &part, brush);
        DeleteObject(brush);
    }
    const int logo = px(kStripLogoSize);
    const int margin = (strip - logo) / 2;
    drawLogo(dc, margin, margin, logo);
    HGDIOBJ oldFont = SelectObject(dc, titleFont_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kWhite);
    RECT title{logo + 2 * margin + 2, 0, client.right, strip};
    const std::u16string caption = words_.window.caption();
    DrawTextW(dc, wide(caption).c_str(), -1, &title,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    EndPaint(window_, &paint);
}

}  // namespace ruz::win32
