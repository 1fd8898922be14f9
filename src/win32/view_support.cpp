#include "win32/view_support.h"

#include "common/constants.h"
#include "win32/wide.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace ruz::win32 {

namespace {

constexpr int kOptionKeyCount = 8;
constexpr UINT_PTR kOptionKeySubclass = 1;
// A tip longer than this many pixels is wrapped.
constexpr LPARAM kTipWidth = 400;
// The controls' font: the shell's dialog font at its usual size.
constexpr const wchar_t* kControlFontName = L"MS Shell Dlg 2";
constexpr int kControlFontPoints = 8;
constexpr int kPointsPerInch = 72;

LRESULT CALLBACK optionKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                            DWORD_PTR data) {
    if (message == WM_KEYDOWN) {
        const int keyCode = optionKeyCode(wParam);
        if (keyCode != 0) {
            // The box reacts, and the key goes on to whatever else handles it.
            reinterpret_cast<CheckBox*>(data)->keyDown(keyCode);
        }
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, optionKeys, kOptionKeySubclass);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

void Bindings::bind(std::initializer_list<Control*> controls, const std::function<void()>& update) {
    for (Control* control : controls) {
        held_.push_back(control->addViewListener(update));
    }
    update();
}

void registerViewClass(const wchar_t* name, WNDPROC procedure, HICON icon) {
    WNDCLASSEXW kind{};
    kind.cbSize = sizeof kind;
    kind.lpfnWndProc = procedure;
    kind.hInstance = GetModuleHandleW(nullptr);
    kind.hIcon = icon;
    kind.hIconSm = icon;
    kind.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    kind.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    kind.lpszClassName = name;
    RegisterClassExW(&kind);  // a second registration fails harmlessly
}

int screenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

void followDpi(HWND window, int oldDpi, int newDpi, const RECT& suggested) {
    if (oldDpi > 0 && newDpi > 0 && oldDpi != newDpi) {
        std::vector<HWND> children;
        for (HWND c = GetWindow(window, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
            children.push_back(c);
        }
        for (HWND c : children) {
            RECT place{};
            GetWindowRect(c, &place);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
            const auto scaled = [&](LONG v) { return MulDiv(v, newDpi, oldDpi); };
            SetWindowPos(c, nullptr, scaled(place.left), scaled(place.top),
                         scaled(place.right) - scaled(place.left),
                         scaled(place.bottom) - scaled(place.top), SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

int fittingDpi(int dpi, SIZE design, SIZE frame, const RECT& area) {
    int fitted = dpi;
    const struct {
        LONG room, frame, design;
    } sides[] = {{area.right - area.left, frame.cx, design.cx},
                 {area.bottom - area.top, frame.cy, design.cy}};
    for (const auto& side : sides) {
        if (side.design > 0) {
            const auto fits =
                static_cast<int>((side.room - side.frame) *
                                 static_cast<LONG>(USER_DEFAULT_SCREEN_DPI) / side.design);
            fitted = std::min(fitted, fits);
        }
    }
    return std::max(fitted, kLeastDpi);
}

RECT insideArea(const RECT& place, const RECT& area) {
    const LONG width = place.right - place.left;
    const LONG height = place.bottom - place.top;
    const LONG left = std::max(std::min(place.left, area.right - width), area.left);
    const LONG top = std::max(std::min(place.top, area.bottom - height), area.top);
    return RECT{left, top, left + width, top + height};
}

RECT workAreaNear(const RECT& place) {
    MONITORINFO screen{};
    screen.cbSize = sizeof screen;
    if (GetMonitorInfoW(MonitorFromRect(&place, MONITOR_DEFAULTTONEAREST), &screen)) {
        return screen.rcWork;
    }
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

void placeOnScreen(HWND window, POINT at) {
    RECT place{};
    GetWindowRect(window, &place);
    OffsetRect(&place, at.x - place.left, at.y - place.top);
    const RECT inside = insideArea(place, workAreaNear(place));
    SetWindowPos(window, nullptr, inside.left, inside.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE frameSize(DWORD style, DWORD exStyle, bool menu) {
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, menu ? TRUE : FALSE, exStyle);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

HFONT controlFont(int dpi, bool bold) {
    return CreateFontW(-MulDiv(kControlFontPoints, dpi, kPointsPerInch), 0, 0, 0,
                       bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, kControlFontName);
}

void setChildFonts(HWND window, HFONT font) {
    for (HWND c = GetWindow(window, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

std::u16string windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return fromWide(text.c_str());
}

void setWindowText(HWND window, const std::u16string& text) {
    if (windowText(window) != text) {
        SetWindowTextW(window, wide(text).c_str());
    }
}

HWND child(HWND parent, const wchar_t* kind, const std::u16string& text, DWORD style, RECT place,
           int id) {
    HWND window = CreateWindowExW(
        0, kind, wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, place.left, place.top,
        place.right - place.left, place.bottom - place.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    return window;
}

ToolTips::ToolTips(HWND owner)
    : owner_(owner),
      tips_(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner,
                            nullptr, GetModuleHandleW(nullptr), nullptr)) {
    SendMessageW(tips_, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
}

ToolTips::~ToolTips() {
    DestroyWindow(tips_);
}

void ToolTips::add(HWND child, const std::u16string& text) {
    if (text.empty() || tips_ == nullptr) {
        return;
    }
    std::wstring copy = wide(text);  // the control keeps its own copy
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner_;
    tool.uId = reinterpret_cast<UINT_PTR>(child);
    tool.lpszText = copy.data();
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::u16string corePath(std::u16string path) {
    std::replace(path.begin(), path.end(), u'\\', u'/');
    return path;
}

std::u16string shownPath(std::u16string path) {
    std::replace(path.begin(), path.end(), u'/', u'\\');
    return path;
}

int optionKeyCode(WPARAM key) {
    const auto offset = static_cast<long long>(key) - VK_F1;
    return offset >= 0 && offset < kOptionKeyCount ? kKeyF1 + static_cast<int>(offset) : 0;
}

void forwardOptionKeys(HWND window, CheckBox& box) {
    SetWindowSubclass(window, optionKeys, kOptionKeySubclass, reinterpret_cast<DWORD_PTR>(&box));
}

}  // namespace ruz::win32
