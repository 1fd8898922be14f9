#pragma once

#include "platform/winsys/window_system.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ruz::messenger {

// The operations on the messenger's windows: the frontmost chat room ("AIM_ChatWnd") with its
// transcript view, input box and send button, and the frontmost dialog window ("#32770").
//
// Nothing is kept between calls: every operation looks the windows up afresh, so a room opened,
// closed or brought to the front in between is seen as it is now. A window that is not there
// only skips the steps that need it; nothing is reported. Texts are UTF-8 here; at the window
// system they are code page 1252 for ANSI windows (the messenger's own) and UTF-16 for Unicode
// windows, so that these carry every character. A length counts the window's own characters:
// bytes of the code page, or UTF-16 units.
class AimChat {
  public:
    explicit AimChat(winsys::WindowSystem& windows) : windows_(windows) {}

    // Puts `utf8` into the frontmost room's input box, presses the send button, and puts back what
    // the box held before, if anything. The empty text still presses the button. Returns the
    // transcript view of the room whose button was pressed; 0 when there was no room or button.
    winsys::Hwnd SendChatText(std::string_view utf8);
    // Empties the frontmost room's transcript view (only the copy shown on this computer).
    // Returns the view emptied; 0 when there was none.
    winsys::Hwnd ClearChatTranscript();
    // Asks the messenger to close the frontmost room.
    void CloseChatRoom();
    // The frontmost room's transcript view, markup included; "" without a room.
    std::string ReadChatTranscript();
    // The transcript from character `from` on ("" past its end); `length`, when given, receives
    // the whole transcript's length in characters.
    std::string readChatTranscriptFrom(std::size_t from, std::size_t* length);
    // The transcript views of the open rooms, the frontmost room's first; of the first kMaxRooms
    // rooms only.
    std::vector<winsys::Hwnd> chatTranscriptViews();
    // The text of transcript view `view` from character `from` on, as readChatTranscriptFrom;
    // "" and the length 0 when the view is gone.
    std::string readTranscriptViewFrom(winsys::Hwnd view, std::size_t from, std::size_t* length);
    // The last kTailLength characters of the transcript, or all of it when shorter.
    std::string ChatTranscriptTail();
    // The caption of the frontmost dialog window; "" without one.
    std::string ReadFirstDialogCaption();
    // Whether a messenger is there to drive: a chat room is open, or one of the first kMaxDialogs
    // dialog windows is a buddy list (its caption holds kBuddyListMark).
    bool MessengerRunning();
    // Button down and up on the fifth icon button of the frontmost room; false without one.
    bool PressChatSendButton();

    static constexpr std::size_t kTailLength = 500;
    // How many rooms chatTranscriptViews looks at, at the most.
    static constexpr std::size_t kMaxRooms = 256;
    static constexpr std::size_t kMaxDialogs = 256;
    static constexpr const char* kBuddyListMark = "Buddy List";
    // The first read of a window's text is at most this long; a longer text is read again with
    // twice the room, as long as the window fills the room given, up to kMaxReadLength: a window
    // that claims more (or fills every room it is given) is read as its first kMaxReadLength
    // characters.
    static constexpr std::size_t kFirstReadLength = std::size_t{1} << 20;
    static constexpr std::size_t kMaxReadLength = std::size_t{64} << 20;

  private:
    // The n-th child of class `className` of `parent` (1: the first), walking from the first
    // child to the next one after it; 0 when there are fewer, or no parent.
    winsys::Hwnd nthChild(winsys::Hwnd parent, const char* className, int n);
    // A window's text in the window's own characters: code page 1252 bytes for an ANSI window,
    // UTF-16 units for a Unicode window.
    struct WindowText {
        bool unicode = false;
        std::string bytes;
        std::u16string units;

        std::size_t size() const { return unicode ? units.size() : bytes.size(); }
        // From character `from` on, as UTF-8; "" past the end.
        std::string utf8From(std::size_t from) const;
    };
    WindowText readText(winsys::Hwnd window);
    // A window's text from character `from` on, as UTF-8, and its whole length: the tail alone
    // where the window system reads one, otherwise read whole (bounded as readText is).
    std::string readTextFrom(winsys::Hwnd window, std::size_t from, std::size_t* length);
    WindowText readTranscript();
    // The transcript view of room window `room`; 0 without one.
    winsys::Hwnd transcriptViewOf(winsys::Hwnd room);
    void writeText(winsys::Hwnd window, const WindowText& text);
    void setWindowText(winsys::Hwnd window, std::string_view utf8);

    winsys::WindowSystem& windows_;
};

}  // namespace ruz::messenger
