#include "win32/win32_dialogs.h"

#include "platform/winsys/own_window.h"
#include "win32/dialog_template.h"
#include "win32/wide.h"

#include <commctrl.h>
#include <shobjidl.h>

#include <algorithm>
#include <utility>

namespace ruz::win32 {

namespace {
constexpr wchar_t kHelperClass[] = L"TaviksRuzDialogs";
// The work waiting for the first dialog may run now.
constexpr UINT kFirstShown = WM_APP + 1;
constexpr UINT_PTR kOkKeysSubclass = 1;

// The dialogs' frames and controls, in dialog units.
constexpr DWORD kDialogStyle = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr WORD kLabelId = 100;
constexpr WORD kEditId = 101;
constexpr short kMargin = 7;
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;
constexpr short kButtonGap = 4;
constexpr short kEditHeight = 14;
constexpr short kPromptWidth = 220;
constexpr short kPromptLabelHeight = 24;
constexpr short kNoticeWidth = 180;
constexpr short kNoticeTextHeight = 16;
// The widest a notice's text grows before its lines wrap.
constexpr short kNoticeMaxTextWidth = 200;
// How far each further open notice stands from the one before, in pixels.
constexpr int kNoticeCascade = 24;

// The dialog's caption without a NUL inside: the window text ends at the first one.
std::wstring caption(std::u16string_view text) {
    const std::wstring whole = wide(text);
    return whole.substr(0, whole.find(L'\0'));
}

RECT bounds(short left, short top, short width, short height) {
    return RECT{left, top, left + width, top + height};
}

// A control's text, whole.
std::u16string windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, buffer.data(), length + 1);
    buffer.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return fromWide(buffer);
}

// A notice has no dialog manager in the program's own loop: Return, Escape and Space on its
// button press it.
LRESULT CALLBACK okKeys(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                        DWORD_PTR) {
    if (message == WM_GETDLGCODE) {
        return DLGC_WANTALLKEYS | DefSubclassProc(button, message, wParam, lParam);
    }
    if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        return 0;
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(button, &okKeys, kOkKeysSubclass);
    }
    return DefSubclassProc(button, message, wParam, lParam);
}

// Grows or shrinks a notice to its text: the text as wide as it needs up to a limit, then wrapped,
// with the OK button centred below it.
void fitNoticeToText(HWND dialog) {
    const HWND label = GetDlgItem(dialog, kLabelId);
    const HWND ok = GetDlgItem(dialog, IDOK);
    if (label == nullptr || ok == nullptr) {
        return;
    }
    const HDC dc = GetDC(label);
    if (dc == nullptr) {
        return;  // the frame keeps the size it was built with
    }
    const auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
    const HGDIOBJ before = SelectObject(dc, font);
    RECT margins{kMargin, kMargin, kButtonWidth, kButtonHeight};
    MapDialogRect(dialog, &margins);
    RECT widest{0, 0, kNoticeMaxTextWidth, 0};
    MapDialogRect(dialog, &widest);
    RECT textBox{0, 0, widest.right, 0};
    std::wstring shown(static_cast<std::size_t>(GetWindowTextLengthW(label)) + 1, L'\0');
    GetWindowTextW(label, shown.data(), static_cast<int>(shown.size()));
    DrawTextW(dc, shown.c_str(), -1, &textBox,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, before);
    ReleaseDC(label, dc);

    const int margin = margins.left;
    const int buttonWidth = margins.right;
    const int buttonHeight = margins.bottom;
    const int textWidth = std::max<int>(textBox.right, buttonWidth);
    const int textHeight = std::max<int>(textBox.bottom, margins.top);
    const int clientWidth = textWidth + 2 * margin;
    const int clientHeight = textHeight + buttonHeight + 3 * margin;
    MoveWindow(label, margin, margin, textWidth, textHeight, FALSE);
    MoveWindow(ok, (clientWidth - buttonWidth) / 2, textHeight + 2 * margin, buttonWidth,
               buttonHeight, FALSE);
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Centres a dialog over its owner, or on the screen without one, moved on by `offset` pixels.
void centre(HWND dialog, HWND owner, int offset) {
    RECT area{};
    if (owner == nullptr || !IsWindowVisible(owner) || !GetWindowRect(owner, &area)) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT frame{};
    GetWindowRect(dialog, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    LONG left = area.left + (area.right - area.left - width) / 2 + offset;
    LONG top = area.top + (area.bottom - area.top - height) / 2 + offset;
    // Never off the work area of its screen: a notice is read where it stands.
    const RECT place{left, top, left + width, top + height};
    MONITORINFO screen{};
    screen.cbSize = sizeof screen;
    if (GetMonitorInfoW(MonitorFromRect(&place, MONITOR_DEFAULTTONEAREST), &screen)) {
        const RECT& work = screen.rcWork;
        left = std::max(std::min(left, work.right - width), work.left);
        top = std::max(std::min(top, work.bottom - height), work.top);
    }
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Shows a notice on top of the windows, its owner's above all, with the keyboard focus on its OK
// button: the user's next click or key is meant for it, not for the player below.
void bringUp(HWND dialog) {
    ShowWindow(dialog, SW_SHOW);
    SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(dialog);
    SetActiveWindow(dialog);
    SetFocus(GetDlgItem(dialog, IDOK));
}

// What the prompt's dialog procedure reads and fills.
struct PromptState {
    std::wstring label;
    std::u16string answer;
};

INT_PTR CALLBACK promptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetForegroundWindow(dialog);
        return TRUE;  // the focus goes to the edit box, the first control that takes it
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    const WORD command = LOWORD(wParam);
    if (command == IDOK) {
        auto* state = reinterpret_cast<PromptState*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (state != nullptr) {
            state->answer = windowText(GetDlgItem(dialog, kEditId));
        }
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    if (command == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

// Holds one COM interface and releases it.
template <typename Interface>
class ComRef {
  public:
    ComRef() = default;
    ~ComRef() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    Interface* operator->() const { return pointer_; }
    Interface** put() { return &pointer_; }
    void** putVoid() { return reinterpret_cast<void**>(&pointer_); }
    explicit operator bool() const { return pointer_ != nullptr; }

  private:
    Interface* pointer_ = nullptr;
};

// COM, apartment-threaded, for as long as this object lives; a thread that already runs COM keeps
// it as it is.
class ComApartment {
  public:
    ComApartment() {
        const HRESULT result =
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        ownsIt_ = SUCCEEDED(result);
    }
    ~ComApartment() {
        if (ownsIt_) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    bool ownsIt_ = false;
};

std::wstring systemPath(std::u16string_view path) {
    std::wstring out = wide(path);
    std::replace(out.begin(), out.end(), L'/', L'\\');
    return out;
}

bool isFolder(const std::wstring& path) {
    if (path.empty()) {
        return false;
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

Win32Dialogs::Win32Dialogs() {
    helper_ = winsys::createOwnWindow(kHelperClass, &Win32Dialogs::helperProc, this);
}

Win32Dialogs::~Win32Dialogs() {
    // The notices not closed yet go with the dialogs.
    const std::vector<HWND> open = std::exchange(notices_, {});
    noticeIds_.clear();
    for (const HWND notice : open) {
        SetWindowLongPtrW(notice, DWLP_USER, 0);
        DestroyWindow(notice);
    }
    winsys::destroyOwnWindow(helper_);
}

LRESULT CALLBACK Win32Dialogs::helperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* dialogs = winsys::ownerOf<Win32Dialogs>(window);
    if (dialogs != nullptr && message == kFirstShown) {
        // The dialog is up and active: what the work shows meanwhile goes below it again.
        const HWND dialog = GetActiveWindow();
        dialogs->runFirstShown();
        if (dialog != nullptr && IsWindow(dialog)) {
            SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            SetForegroundWindow(dialog);
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Win32Dialogs::runFirstShownSoon() {
    if (firstShown_ && helper_ != nullptr) {
        PostMessageW(helper_, kFirstShown, 0, 0);
    }
}

void Win32Dialogs::runFirstShown() {
    if (const std::function<void()> work = std::exchange(firstShown_, nullptr)) {
        work();
    }
}

bool Win32Dialogs::askYesNo(std::u16string_view text) {
    runFirstShownSoon();
    const std::wstring question = wide(text);
    const std::wstring title = wide(kApplicationTitle);
    const int answer = MessageBoxW(owner_, question.c_str(), title.c_str(),
                                   MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1 | MB_SETFOREGROUND);
    runFirstShown();
    // A box the system could not show is answered No.
    return answer == IDYES;
}

Dialogs::NoticeId Win32Dialogs::notice(std::u16string_view text) {
    // The program's windows exist before its first notice is shown above them.
    runFirstShown();
    DialogTemplate frame(kDialogStyle, wide(kApplicationTitle), kNoticeWidth,
                         static_cast<short>(kNoticeTextHeight + kButtonHeight + 3 * kMargin));
    frame.addItem(DialogTemplate::kStatic, kLabelId, SS_LEFT | SS_NOPREFIX,
                  bounds(kMargin, kMargin, kNoticeWidth - 2 * kMargin, kNoticeTextHeight),
                  wide(text));
    frame.addItem(DialogTemplate::kButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP,
                  bounds((kNoticeWidth - kButtonWidth) / 2, kNoticeTextHeight + 2 * kMargin,
                         kButtonWidth, kButtonHeight),
                  L"OK");
    const HWND dialog =
        CreateDialogIndirectParamW(GetModuleHandleW(nullptr), frame.get(), owner_,
                                   &Win32Dialogs::noticeProc, reinterpret_cast<LPARAM>(this));
    if (dialog == nullptr) {
        return 0;  // nothing to show it in: the notice only informs
    }
    fitNoticeToText(dialog);
    centre(dialog, owner_, kNoticeCascade * static_cast<int>(notices_.size()));
    notices_.push_back(dialog);
    noticeIds_.push_back(++lastNotice_);
    bringUp(dialog);
    return lastNotice_;
}

void Win32Dialogs::closeNotice(NoticeId id) {
    const auto found = std::find(noticeIds_.begin(), noticeIds_.end(), id);
    if (found != noticeIds_.end()) {
        // Closing it takes it off the lists.
        DestroyWindow(notices_[static_cast<std::size_t>(found - noticeIds_.begin())]);
    }
}

INT_PTR CALLBACK Win32Dialogs::noticeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetWindowSubclass(GetDlgItem(dialog, IDOK), &okKeys, kOkKeysSubclass, 0);
        return FALSE;  // shown and given the focus once laid out
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        DestroyWindow(dialog);
        return TRUE;
    }
    if (message == WM_NCDESTROY) {
        auto* dialogs = reinterpret_cast<Win32Dialogs*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (dialogs != nullptr) {
            dialogs->noticeClosed(dialog);
        }
    }
    return FALSE;
}

void Win32Dialogs::noticeClosed(HWND dialog) {
    const auto found = std::find(notices_.begin(), notices_.end(), dialog);
    if (found == notices_.end()) {
        return;
    }
    noticeIds_.erase(noticeIds_.begin() + (found - notices_.begin()));
    notices_.erase(found);
}

std::optional<std::u16string> Win32Dialogs::prompt(std::u16string_view text,
                                                   std::u16string_view title) {
    constexpr short kEditTop = kMargin + kPromptLabelHeight + kButtonGap;
    constexpr short kButtonsTop = kEditTop + kEditHeight + kMargin;
    constexpr short kHeight = kButtonsTop + kButtonHeight + kMargin;
    constexpr short kCancelLeft = kPromptWidth - kMargin - kButtonWidth;
    constexpr short kOkLeft = kCancelLeft - kButtonGap - kButtonWidth;
    DialogTemplate frame(kDialogStyle, caption(title), kPromptWidth, kHeight);
    frame.addItem(DialogTemplate::kStatic, kLabelId, SS_LEFT | SS_NOPREFIX,
                  bounds(kMargin, kMargin, kPromptWidth - 2 * kMargin, kPromptLabelHeight),
                  wide(text));
    frame.addItem(DialogTemplate::kEdit, kEditId, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP,
                  bounds(kMargin, kEditTop, kPromptWidth - 2 * kMargin, kEditHeight), L"");
    frame.addItem(DialogTemplate::kButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP,
                  bounds(kOkLeft, kButtonsTop, kButtonWidth, kButtonHeight), L"OK");
    frame.addItem(DialogTemplate::kButton, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP,
                  bounds(kCancelLeft, kButtonsTop, kButtonWidth, kButtonHeight), L"Cancel");
    PromptState state;
    runFirstShownSoon();
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), frame.get(), owner_,
                                                   &promptProc, reinterpret_cast<LPARAM>(&state));
    runFirstShown();
    if (result != IDOK) {
        return std::nullopt;  // cancelled, or no dialog could be shown
    }
    return state.answer;
}

std::u16string Win32Dialogs::pickFolder(std::u16string_view title,
                                        std::u16string_view initialFolder) {
    const ComApartment apartment;
    ComRef<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFileOpenDialog, dialog.putVoid()))) {
        return {};  // no picker on this system: as if cancelled
    }
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    dialog->SetTitle(caption(title).c_str());
    // The picker opens at the current folder; without one at the folder asked for, else where
    // the system chooses. The shell parses only "\" between a path's parts.
    std::wstring start = currentFolder ? systemPath(currentFolder()) : std::wstring();
    if (!isFolder(start)) {
        start = systemPath(initialFolder);
    }
    if (isFolder(start)) {
        ComRef<IShellItem> folder;
        if (SUCCEEDED(SHCreateItemFromParsingName(start.c_str(), nullptr, IID_IShellItem,
                                                  folder.putVoid()))) {
            dialog->SetFolder(folder.operator->());
        }
    }
    runFirstShownSoon();
    const HRESULT shown = dialog->Show(owner_);
    runFirstShown();
    ComRef<IShellItem> chosen;
    if (FAILED(shown) || FAILED(dialog->GetResult(chosen.put())) || !chosen) {
        return {};
    }
    PWSTR path = nullptr;
    if (FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path)) || path == nullptr) {
        return {};
    }
    // The folder as a full path of its own, without "." or ".." steps.
    const std::wstring picked(path);
    CoTaskMemFree(path);
    const DWORD length = GetFullPathNameW(picked.c_str(), 0, nullptr, nullptr);
    std::wstring full(length, L'\0');
    const DWORD written =
        length > 0 ? GetFullPathNameW(picked.c_str(), length, full.data(), nullptr) : 0;
    if (written == 0 || written >= length) {
        return fromWide(picked);
    }
    full.resize(written);
    return fromWide(full);
}

}  // namespace ruz::win32
