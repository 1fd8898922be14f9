#include "win32/interim_seams.h"

#include "text/text.h"

#include <shellapi.h>
#include <shlobj.h>

#include <array>
#include <string>

namespace ruz::win32 {

namespace {

constexpr UINT kPostedWork = WM_APP + 1;
constexpr UINT kTrayMessage = WM_APP + 2;
constexpr UINT kTrayIconId = 1;
// The prompt's controls, in pixels.
constexpr int kPromptWidth = 360;
constexpr int kPromptHeight = 150;
constexpr int kPromptMargin = 10;
constexpr int kPromptButtonWidth = 80;
constexpr int kPromptRowHeight = 24;
constexpr int kPromptEditId = 100;

HWND messageWindow(const wchar_t* className, WNDPROC procedure, void* owner) {
    WNDCLASSEXW kind{};
    kind.cbSize = sizeof kind;
    kind.lpfnWndProc = procedure;
    kind.hInstance = GetModuleHandleW(nullptr);
    kind.lpszClassName = className;
    RegisterClassExW(&kind);  // a second registration fails harmlessly
    HWND window = CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  kind.hInstance, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return window;
}

template <typename T>
T* ownerOf(HWND window) {
    return reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

std::u16string windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return fromWide(text.c_str());
}

std::u16string withCrLf(std::u16string_view text) {
    std::u16string out;
    for (const char16_t c : text) {
        if (c == u'\n' && (out.empty() || out.back() != u'\r')) {
            out += u'\r';
        }
        out += c;
    }
    return out;
}

SYSTEMTIME localTime(WallTime at) {
    // FILETIME counts 100-ns steps from 1601; the Unix epoch is 11644473600 s later.
    constexpr long long kEpochOffsetMs = 11644473600000LL;
    constexpr long long kStepsPerMs = 10000;
    const long long steps = (at.time_since_epoch().count() + kEpochOffsetMs) * kStepsPerMs;
    FILETIME utc{static_cast<DWORD>(steps & 0xFFFFFFFF), static_cast<DWORD>(steps >> 32)};
    FILETIME local{};
    SYSTEMTIME out{};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &out);
    return out;
}

// The prompt's state while it is on the screen.
struct PromptState {
    HWND edit = nullptr;
    bool done = false;
    std::optional<std::u16string> answer;
};

LRESULT CALLBACK promptProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = ownerOf<PromptState>(window);
    if (state != nullptr && message == WM_COMMAND) {
        const int id = LOWORD(wParam);
        if (id == IDOK) {
            state->answer = windowText(state->edit);
        }
        if (id == IDOK || id == IDCANCEL) {
            state->done = true;
            return 0;
        }
    }
    if (state != nullptr && message == WM_CLOSE) {
        state->done = true;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

LoopTimerHost::LoopTimerHost() {
    window_ = messageWindow(L"RuzTimerHost", &LoopTimerHost::procedure, this);
}

LoopTimerHost::~LoopTimerHost() {
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

LRESULT CALLBACK LoopTimerHost::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* host = ownerOf<LoopTimerHost>(window);
    if (host != nullptr && message == WM_TIMER) {
        host->tick(static_cast<TimerId>(wParam));
        return 0;
    }
    if (host != nullptr && message == kPostedWork) {
        host->runPosted();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TimerHost::TimerId LoopTimerHost::createTimer(Callback onTick) {
    const TimerId id = nextId_++;
    timers_[id] = std::move(onTick);
    return id;
}

void LoopTimerHost::destroyTimer(TimerId id) {
    KillTimer(window_, static_cast<UINT_PTR>(id));
    timers_.erase(id);
}

void LoopTimerHost::startTimer(TimerId id, int intervalMs) {
    if (timers_.count(id) == 0) {
        return;
    }
    // SetTimer on a running timer replaces it: a fresh interval.
    SetTimer(window_, static_cast<UINT_PTR>(id), static_cast<UINT>(intervalMs > 0 ? intervalMs : 1),
             nullptr);
}

void LoopTimerHost::stopTimer(TimerId id) {
    KillTimer(window_, static_cast<UINT_PTR>(id));
}

void LoopTimerHost::tick(TimerId id) {
    const auto found = timers_.find(id);
    if (found == timers_.end()) {
        KillTimer(window_, static_cast<UINT_PTR>(id));
        return;
    }
    // A copy: the tick may destroy its own timer.
    const Callback onTick = found->second;
    if (onTick) {
        onTick();
    }
}

void LoopTimerHost::post(Callback work) {
    {
        const std::lock_guard<std::mutex> hold(postedLock_);
        posted_.push_back(std::move(work));
    }
    PostMessageW(window_, kPostedWork, 0, 0);
}

void LoopTimerHost::runPosted() {
    for (;;) {
        Callback work;
        {
            const std::lock_guard<std::mutex> hold(postedLock_);
            if (posted_.empty()) {
                return;
            }
            work = std::move(posted_.front());
            posted_.pop_front();
        }
        if (work) {
            work();
        }
    }
}

std::int64_t LoopTimerHost::nowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 started_)
        .count();
}

WallTime SystemClock::now() const {
    return std::chrono::time_point_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now());
}

std::u16string SystemClock::longTime(WallTime at) const {
    const SYSTEMTIME local = localTime(at);
    std::array<wchar_t, 128> text{};
    if (GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &local, nullptr, text.data(),
                       static_cast<int>(text.size())) == 0) {
        return usLongTime(at);
    }
    return fromWide(text.data());
}

std::u16string SystemClock::shortDate(WallTime at) const {
    const SYSTEMTIME local = localTime(at);
    std::array<wchar_t, 128> text{};
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, text.data(),
                       static_cast<int>(text.size())) == 0) {
        return usShortDate(at);
    }
    return fromWide(text.data());
}

bool MessageBoxDialogs::askYesNo(std::u16string_view text) {
    const std::u16string body = withCrLf(text);
    const std::u16string title(kApplicationTitle);
    return MessageBoxW(owner_, wide(body), wide(title), MB_YESNO | MB_SETFOREGROUND) == IDYES;
}

void MessageBoxDialogs::notice(std::u16string_view text) {
    const std::u16string body = withCrLf(text);
    const std::u16string title(kApplicationTitle);
    MessageBoxW(owner_, wide(body), wide(title), MB_OK | MB_SETFOREGROUND);
}

std::optional<std::u16string> MessageBoxDialogs::prompt(std::u16string_view text,
                                                        std::u16string_view title) {
    PromptState state;
    WNDCLASSEXW kind{};
    kind.cbSize = sizeof kind;
    kind.lpfnWndProc = promptProcedure;
    kind.hInstance = GetModuleHandleW(nullptr);
    kind.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    kind.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    kind.lpszClassName = L"RuzPrompt";
    RegisterClassExW(&kind);
    const std::u16string caption(title.empty() ? kApplicationTitle : title);
    HWND window =
        CreateWindowExW(WS_EX_DLGMODALFRAME, kind.lpszClassName, wide(caption),
                        WS_POPUP | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                        kPromptWidth, kPromptHeight, owner_, nullptr, kind.hInstance, nullptr);
    if (window == nullptr) {
        return std::nullopt;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    const int inner = kPromptWidth - 3 * kPromptMargin;
    const std::u16string question(text);
    struct Part {
        const wchar_t* kind;
        const wchar_t* caption;
        DWORD style;
        int x, y, width, id;
    };
    const Part parts[] = {
        {L"STATIC", wide(question), SS_LEFT, kPromptMargin, kPromptMargin, inner, 0},
        {L"EDIT", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kPromptMargin,
         kPromptMargin + kPromptRowHeight, inner, kPromptEditId},
        {L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, inner - 2 * kPromptButtonWidth,
         kPromptMargin + 2 * kPromptRowHeight + kPromptMargin, kPromptButtonWidth, IDOK},
        {L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON,
         inner - kPromptButtonWidth + kPromptMargin,
         kPromptMargin + 2 * kPromptRowHeight + kPromptMargin, kPromptButtonWidth, IDCANCEL},
    };
    for (const Part& part : parts) {
        HWND child = CreateWindowExW(0, part.kind, part.caption, WS_CHILD | WS_VISIBLE | part.style,
                                     part.x, part.y, part.width, kPromptRowHeight - 2, window,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(part.id)),
                                     kind.hInstance, nullptr);
        SendMessageW(child, WM_SETFONT, font, TRUE);
        if (part.id == kPromptEditId) {
            state.edit = child;
        }
    }
    if (owner_ != nullptr) {
        EnableWindow(owner_, FALSE);
    }
    ShowWindow(window, SW_SHOW);
    SetFocus(state.edit);
    MSG message{};
    while (!state.done && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
    }
    if (owner_ != nullptr) {
        EnableWindow(owner_, TRUE);
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    return state.answer;
}

std::u16string MessageBoxDialogs::pickFolder(std::u16string_view title,
                                             std::u16string_view initialFolder) {
    const std::u16string caption(title);
    const std::u16string start(initialFolder);
    BROWSEINFOW browse{};
    browse.hwndOwner = owner_;
    browse.lpszTitle = wide(caption);
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    browse.lpfn = [](HWND window, UINT message, LPARAM, LPARAM data) -> int {
        if (message == BFFM_INITIALIZED) {
            SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
        }
        return 0;
    };
    browse.lParam = reinterpret_cast<LPARAM>(wide(start));
    PIDLIST_ABSOLUTE picked = SHBrowseForFolderW(&browse);
    if (picked == nullptr) {
        return {};
    }
    std::array<wchar_t, MAX_PATH> path{};
    const bool named = SHGetPathFromIDListW(picked, path.data()) != FALSE;
    CoTaskMemFree(picked);
    return named ? fromWide(path.data()) : std::u16string();
}

ShellTray::ShellTray(HICON icon) : icon_(icon) {
    window_ = messageWindow(L"RuzTray", &ShellTray::procedure, this);
}

ShellTray::~ShellTray() {
    if (present_) {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = window_;
        data.uID = kTrayIconId;
        Shell_NotifyIconW(NIM_DELETE, &data);
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

LRESULT CALLBACK ShellTray::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* tray = ownerOf<ShellTray>(window);
    if (tray != nullptr && message == kTrayMessage) {
        if (tray->onIconMessage) {
            tray->onIconMessage(static_cast<int>(lParam));
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool ShellTray::notifyIcon(std::uint32_t message, const NotifyIconData& record) {
    if ((message == kNimAdd) == present_) {
        return false;  // the shell refuses a second add and the delete of a missing icon
    }
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = icon_;
    // The record's tip is code page 1252 bytes, ended by a zero byte or the array's end.
    std::u16string tip;
    for (const char byte : record.szTip) {
        if (byte == '\0') {
            break;
        }
        tip += text::cp1252Character(static_cast<unsigned char>(byte));
    }
    while (!tip.empty() && tip.back() == u' ') {
        tip.pop_back();
    }
    const std::size_t room = std::size(data.szTip) - 1;
    for (std::size_t i = 0; i < tip.size() && i < room; ++i) {
        data.szTip[i] = static_cast<wchar_t>(tip[i]);
    }
    const bool done = Shell_NotifyIconW(message == kNimAdd ? NIM_ADD : NIM_DELETE, &data) != FALSE;
    if (done) {
        present_ = message == kNimAdd;
    }
    return done;
}

}  // namespace ruz::win32
