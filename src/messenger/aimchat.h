#pragma once

#include "platform/winsys/window_system.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace ruz::messenger {

// The operations on the messenger's windows: the frontmost chat room ("AIM_ChatWnd") with its
// transcript view, input box and send button, and the frontmost dialog window ("#32770").
//
// Nothing is kept between calls: every operation looks the windows up afresh, so a room opened,
// closed or brought to the front in between is seen as it is now. A window that is not there
// only skips the steps that need it; nothing is reported. Texts are UTF-8 here and code page 1252
// at the window system.
class AimChat {
  public:
    explicit AimChat(winsys::WindowSystem& windows) : windows_(windows) {}

    // Puts `utf8` into the frontmost room's input box, presses the send button, and puts back what
    // the box held before, if anything. The empty text still presses the button.
    void SendChatText(std::string_view utf8);
    // Empties the frontmost room's transcript view (only the copy shown on this computer).
    void ClearChatTranscript();
    // Asks the messenger to close the frontmost room.
    void CloseChatRoom();
    // The frontmost room's transcript view, markup included; "" without a room.
    std::string ReadChatTranscript();
    // The transcript from character `from` on ("" past its end); `length`, when given, receives
    // the whole transcript's length in characters.
    std::string ReadChatTranscriptFrom(std::size_t from, std::size_t* length);
    // The last kTailLength characters of the transcript, or all of it when shorter.
    std::string ChatTranscriptTail();
    // The caption of the frontmost dialog window; "" without one.
    std::string ReadFirstDialogCaption();
    // Button down and up on the fifth icon button of the frontmost room.
    void PressChatSendButton();

    static constexpr std::size_t kTailLength = 500;
    // The first read of a window's text is at most this long; a longer text is read again with
    // twice the room, as long as the window fills the room given.
    static constexpr std::size_t kFirstReadLength = std::size_t{64} << 20;

  private:
    // The n-th child of class `className` of `parent` (1: the first), walking from the first
    // child to the next one after it; 0 when there are fewer, or no parent.
    winsys::Hwnd NthChild(winsys::Hwnd parent, const char* className, int n);
    // The transcript view's text, code page 1252 bytes.
    std::string ReadTranscriptBytes();
    // A window's text via WM_GETTEXTLENGTH and WM_GETTEXT, code page 1252 bytes.
    std::string ReadWindowBytes(winsys::Hwnd window);
    void SetWindowBytes(winsys::Hwnd window, const std::string& cp1252);

    winsys::WindowSystem& windows_;
};

}  // namespace ruz::messenger
