#include "win32/sign_on_dialog.h"

#include "text/text.h"
#include "win32/dialog_template.h"
#include "win32/view_support.h"
#include "win32/wide.h"

#include <array>
#include <optional>
#include <utility>

namespace ruz::win32 {

namespace {

constexpr DWORD kDialogStyle = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
// The frame and its rows, in dialog units: each field with a line under it saying what it is
// for.
constexpr short kWidth = 290;
constexpr short kMargin = 7;
constexpr short kLabelWidth = 64;
constexpr short kRowHeight = 14;
constexpr short kHintHeight = 9;
constexpr short kRowStep = kRowHeight + kHintHeight + 4;
constexpr short kButtonWidth = 50;
constexpr short kButtonGap = 4;
constexpr short kFieldLeft = kMargin + kLabelWidth;
constexpr short kFieldWidth = kWidth - kFieldLeft - kMargin;

// The window's rows, top to bottom: a label and its field, or a check box alone, each with its
// hint below.
struct Row {
    const wchar_t* label;  // nullptr: the field is a check box with `text` as its caption
    WORD id;
    WORD controlClass;
    DWORD style;
    const wchar_t* text;
    const wchar_t* hint;
};
constexpr std::array<Row, 6> kRows = {{
    {L"&Server", SignOnDialog::kServerId, DialogTemplate::kEdit,
     ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, L"",
     L"The chat network's address, e.g. irc.libera.chat"},
    {L"&Port", SignOnDialog::kPortId, DialogTemplate::kEdit,
     ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, L"",
     L"Usually 6667, or 6697 with TLS; it follows the box below"},
    {nullptr, SignOnDialog::kTlsId, DialogTemplate::kButton, BS_AUTOCHECKBOX | WS_TABSTOP,
     L"Connect with &TLS", L"Encrypts the connection, where the server offers it"},
    {L"&Nickname", SignOnDialog::kNickId, DialogTemplate::kEdit,
     ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, L"",
     L"The name the rooms know you by, without blanks"},
    {L"&Channels", SignOnDialog::kChannelsId, DialogTemplate::kEdit,
     ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, L"",
     L"The rooms to join, with commas between, e.g. #music, #chat"},
    {L"Server pass&word", SignOnDialog::kPasswordId, DialogTemplate::kEdit,
     ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, L"",
     L"Only where the server asks for one; it is never kept"},
}};
constexpr short kButtonsTop = kMargin + static_cast<short>(kRows.size()) * kRowStep + kMargin;
constexpr short kHeight = kButtonsTop + kRowHeight + kMargin;

RECT bounds(short left, short top, short width, short height) {
    return RECT{left, top, left + width, top + height};
}

std::string fieldText(HWND dialog, int id) {
    return text::toUtf8(windowText(GetDlgItem(dialog, id)));
}

void setFieldText(HWND dialog, int id, const std::string& utf8) {
    setWindowText(GetDlgItem(dialog, id), text::fromUtf8(utf8));
}

DialogTemplate layout() {
    DialogTemplate frame(kDialogStyle, SignOnDialog::kCaption, kWidth, kHeight);
    constexpr WORD kFirstLabelId = 200;
    short top = kMargin;
    WORD labelId = kFirstLabelId;
    for (const Row& row : kRows) {
        if (row.label != nullptr) {
            frame.addItem(DialogTemplate::kStatic, labelId++, SS_LEFT,
                          bounds(kMargin, top + 2, kLabelWidth - kButtonGap, kRowHeight - 2),
                          row.label);
        }
        frame.addItem(row.controlClass, row.id, row.style,
                      bounds(kFieldLeft, top, kFieldWidth, kRowHeight), row.text);
        frame.addItem(DialogTemplate::kStatic,
                      static_cast<WORD>(row.id + SignOnDialog::kHintOffset), SS_LEFT | SS_NOPREFIX,
                      bounds(kFieldLeft, top + kRowHeight + 1, kFieldWidth, kHintHeight), row.hint);
        top += kRowStep;
    }
    constexpr short kCancelLeft = kWidth - kMargin - kButtonWidth;
    frame.addItem(
        DialogTemplate::kButton, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP,
        bounds(kCancelLeft - kButtonGap - kButtonWidth, kButtonsTop, kButtonWidth, kRowHeight),
        L"OK");
    frame.addItem(DialogTemplate::kButton, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP,
                  bounds(kCancelLeft, kButtonsTop, kButtonWidth, kRowHeight), L"Cancel");
    return frame;
}

}  // namespace

SignOnDialog::SignOnDialog(SignOnFields fields) : fields_(std::move(fields)) {}

SignOnDialog::~SignOnDialog() {
    if (dialog_ != nullptr) {
        SetWindowLongPtrW(dialog_, DWLP_USER, 0);
        DestroyWindow(dialog_);
    }
}

std::optional<irc::Settings> SignOnDialog::run(HWND owner) {
    const DialogTemplate frame = layout();
    modal_ = true;
    accepted_.reset();
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), frame.get(), owner, &SignOnDialog::procedure,
                            reinterpret_cast<LPARAM>(this));
    modal_ = false;
    return accepted_;
}

HWND SignOnDialog::open(HWND owner) {
    const DialogTemplate frame = layout();
    modal_ = false;
    accepted_.reset();
    const HWND dialog =
        CreateDialogIndirectParamW(GetModuleHandleW(nullptr), frame.get(), owner,
                                   &SignOnDialog::procedure, reinterpret_cast<LPARAM>(this));
    if (dialog != nullptr) {
        ShowWindow(dialog, SW_SHOW);
    }
    return dialog;
}

INT_PTR CALLBACK SignOnDialog::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<SignOnDialog*>(lParam);
        self->dialog_ = dialog;
        self->fill();
        return TRUE;  // the focus goes to the first field
    }
    auto* self = reinterpret_cast<SignOnDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr) {
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        self->dialog_ = nullptr;
        return FALSE;
    }
    return self->handleMessage(message, wParam);
}

INT_PTR SignOnDialog::handleMessage(UINT message, WPARAM wParam) {
    if (message != WM_COMMAND) {
        return FALSE;
    }
    switch (LOWORD(wParam)) {
        case IDOK:
            takeIfValid();
            return TRUE;
        case IDCANCEL:
            close(IDCANCEL);
            return TRUE;
        case kTlsId:
            if (HIWORD(wParam) == BN_CLICKED) {
                flipPort();
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

void SignOnDialog::fill() {
    setFieldText(dialog_, kServerId, fields_.server);
    setFieldText(dialog_, kPortId, std::to_string(fields_.port));
    CheckDlgButton(dialog_, kTlsId, fields_.tls ? BST_CHECKED : BST_UNCHECKED);
    setFieldText(dialog_, kNickId, fields_.nick);
    setFieldText(dialog_, kChannelsId, fields_.channels);
}

// The usual port of the other kind follows the box; a port of one's own choosing stays.
void SignOnDialog::flipPort() {
    const bool tls = IsDlgButtonChecked(dialog_, kTlsId) == BST_CHECKED;
    if (const auto port = desktop::flippedPort(fieldText(dialog_, kPortId), tls)) {
        setFieldText(dialog_, kPortId, std::to_string(*port));
    }
}

void SignOnDialog::takeIfValid() {
    desktop::SignOnAnswer answer = desktop::takeSignOn(
        {fieldText(dialog_, kServerId), fieldText(dialog_, kPortId),
         IsDlgButtonChecked(dialog_, kTlsId) == BST_CHECKED, fieldText(dialog_, kNickId),
         fieldText(dialog_, kChannelsId), fieldText(dialog_, kPasswordId)});
    if (!answer.problem.empty()) {
        if (showProblem) {
            showProblem(answer.problem);
        } else {
            const std::wstring shown = wide(text::fromUtf8(answer.problem));
            MessageBoxW(dialog_, shown.c_str(), kCaption, MB_OK | MB_ICONWARNING);
        }
        return;
    }
    fields_ = std::move(answer.fields);
    accepted_ = std::move(answer.settings);
    close(IDOK);
}

void SignOnDialog::close(INT_PTR result) {
    if (modal_) {
        EndDialog(dialog_, result);
    } else {
        DestroyWindow(dialog_);
    }
}

}  // namespace ruz::win32
