#pragma once

#include "desktop/sign_on.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace ruz::win32 {

using desktop::SignOnFields;

// "Sign on to a chat network": server, port, TLS (which flips the port between the usual two),
// nickname, channels and the server password, which is never kept. OK takes the fields only when
// the core finds no problem in them; else the problem is shown and the window stays open.
class SignOnDialog {
  public:
    static constexpr const wchar_t* kCaption = L"Sign on to a chat network";
    enum ChildId : WORD {
        kServerId = 101,
        kPortId,
        kTlsId,
        kNickId,
        kChannelsId,
        kPasswordId,
    };
    // The hint under each field: the field's identifier plus this.
    static constexpr WORD kHintOffset = 100;

    explicit SignOnDialog(SignOnFields fields);
    ~SignOnDialog();
    SignOnDialog(const SignOnDialog&) = delete;
    SignOnDialog& operator=(const SignOnDialog&) = delete;

    // Modal to `owner` until accepted or cancelled; the settings when accepted.
    std::optional<irc::Settings> run(HWND owner);
    // The same window, not waiting: it stays until accepted or cancelled, then goes. nullptr
    // when the system makes none.
    HWND open(HWND owner);

    // The settings and the fields the window was accepted with; nullopt until it was.
    const std::optional<irc::Settings>& accepted() const { return accepted_; }
    const SignOnFields& fields() const { return fields_; }

    // Tells the user what is wrong with the fields at OK; a message box above the window when
    // not set.
    std::function<void(const std::string&)> showProblem;

  private:
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handleMessage(UINT message, WPARAM wParam);
    void fill();
    void flipPort();
    void takeIfValid();
    void close(INT_PTR result);

    SignOnFields fields_;
    std::optional<irc::Settings> accepted_;
    HWND dialog_ = nullptr;
    bool modal_ = false;
};

}  // namespace ruz::win32
