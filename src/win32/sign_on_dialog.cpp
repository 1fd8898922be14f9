#include "win32/sign_on_dialog.h"

#include "text/text.h"
#include "win32/dialog_template.h"
#include "win32/view_support.h"
#include "win32/wide.h"

include<array>
#include <limits>
#include <optional>
#include <utility>

    namespace ruz::win32 {

    namespace {

    constexpr DWORD kDialogStyle = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    constexpr std::uint32_t kHighestPort = 0xFFFF;
    constexpr const char* kPortProblem = "Enter a port from 1 to 65535.";
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
    // The settings that keep the fields.
    constexpr const char* kServerSetting = "irc.server";
    constexpr const char* kPortSetting = "irc.port";
    constexpr const char* kTlsSetting = "irc.tls";
    constexpr const char* kNickSetting = "irc.nick";
    constexpr const char* kChannelsSetting = "irc.channels";
    constexpr short kButtonsTop = kMargin + static_cast<short>(kRows.size()) * kRowStep + kMargin;
    constexpr short kHeight = kButtonsTop + kRowHeight + kMargin;

    RECT bounds(short left, short top, short width, short height) {
        return RECT{left, top, left + width, top + height};
    }

    std::string trimmed(const std::string& text) {
        constexpr std::string_view kBlanks = " \t\r\n\f\v";
        const std::size_t first = text.find_first_not_of(kBlanks);
        if (first == std::string::npos) {
            return {};
        }
        return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
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
            frame.addItem(
                DialogTemplate::kStatic, static_cast<WORD>(row.id + SignOnDialog::kHintOffset),
                SS_LEFT | SS_NOPREFIX,
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

    SignOnFields keptSignOnFields(const SettingsStore::Values& kept, const std::string& nick) {
        const auto keptText = [&kept](const char* setting) {
            const auto found = kept.find(setting);
            return found == kept.end() ? std::string() : found->second;
        };
        SignOnFields fields;
        fields.server = keptText(kServerSetting);
        fields.tls = keptText(kTlsSetting) == "1";
        fields.port = fields.tls ? desktop::kTlsPort : desktop::kPlainPort;
        const auto port = text::readUInt(text::fromUtf8(keptText(kPortSetting)));
        if (port && *port > 0 && *port <= kHighestPort) {
            fields.port = static_cast<std::uint16_t>(*port);
        }
        fields.nick = keptText(kNickSetting);
        if (fields.nick.empty()) {
            fields.nick = nick;
        }
        fields.channels = keptText(kChannelsSetting);
        return fields;
    }

    SettingsStore::Values signOnSettings(const SignOnFields& fields) {
        return {{kServerSetting, fields.server},
                {kPortSetting, std::to_string(fields.port)},
                {kTlsSetting, fields.tls ? "1" : "0"},
                {kNickSetting, fields.nick},
                {kChannelsSetting, fields.channels}};
    }

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
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), frame.get(), owner,
                                &SignOnDialog::procedure, reinterpret_cast<LPARAM>(this));
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

    INT_PTR CALLBACK SignOnDialog::procedure(HWND dialog, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
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
        const std::string port = trimmed(fieldText(dialog_, kPortId));
        const std::optional<unsigned> typed = text::readUInt(text::fromUtf8(port));
        if (!typed || *typed > std::numeric_limits<std::uint16_t>::max()) {
            return;
        }
        const std::uint16_t after =
            desktop::portAfterTlsSwitch(static_cast<std::uint16_t>(*typed), tls);
        if (after != *typed) {
            setFieldText(dialog_, kPortId, std::to_string(after));
        }
    }

    void SignOnDialog::takeIfValid() {
        SignOnFields fields;
        fields.server = trimmed(fieldText(dialog_, kServerId));
        fields.tls = IsDlgButtonChecked(dialog_, kTlsId) == BST_CHECKED;
        fields.nick = trimmed(fieldText(dialog_, kNickId));
        fields.channels = trimmed(fieldText(dialog_, kChannelsId));
        irc::Settings settings;
        settings.endpoint.host = fields.server;
        settings.endpoint.tls = fields.tls;
        settings.nick = fields.nick;
        settings.channels = desktop::channelList(fields.channels);
        settings.password = fieldText(dialog_, kPasswordId);
        std::string problem = desktop::signOnProblem(settings);
        const auto port = text::readUInt(text::fromUtf8(trimmed(fieldText(dialog_, kPortId))));
        if (problem.empty() && (!port || *port == 0 || *port > kHighestPort)) {
            problem = kPortProblem;
        }
        if (!problem.empty()) {
            if (showProblem) {
                showProblem(problem);
            } else {
                const std::wstring shown = wide(text::fromUtf8(problem));
                MessageBoxW(dialog_, shown.c_str(), kCaption, MB_OK | MB_ICONWARNING);
            }
            return;
        }
        fields.port = static_cast<std::uint16_t>(*port);
        settings.endpoint.port = fields.port;
        fields_ = std::move(fields);
        accepted_ = std::move(settings);
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
