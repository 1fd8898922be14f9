#pragma once

#include "platform/winsys/window_model.h"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ruz::standin {

// The messenger's side of the window system: its chat rooms and dialog windows inside a
// WindowModel, and how they behave. The program under test reaches it only through window
// messages; the methods here play the messenger, its user and the other members of a room.
//
// A chat room is a top-level "AIM_ChatWnd" window ("Chat Room N") with these children, in order:
// a "WndAte32Class" holding the transcript view (an "Ate32Class"), a second "WndAte32Class"
// holding the input box (an "Ate32Class"), and five "_Oscar_IconBtn" buttons, the fifth of which
// sends. A button-down followed by a button-up on it posts the input box's text as a line of the
// signed-on user and empties the box; an empty box posts nothing. The messenger's own windows are
// ANSI windows (code page 1252).
//
// A linked room is the same window for a room whose lines come from elsewhere (a channel of a chat
// network): a Unicode window, captioned as asked, whose send button also hands the posted line
// out, and whose transcript keeps only its last lines.
//
// The model must outlive the stand-in.
class MessengerStandIn {
  public:
    // `longTimeText` gives the time stamp of a new line, e.g. "10:31:02 PM" (UTF-8).
    MessengerStandIn(winsys::WindowModel& model, std::function<std::string()> longTimeText);
    ~MessengerStandIn();
    MessengerStandIn(const MessengerStandIn&) = delete;
    MessengerStandIn& operator=(const MessengerStandIn&) = delete;

    void signOn(std::string name);
    const std::string& screenName() const { return screenName_; }

    // A new "#32770" dialog window in front of all windows.
    winsys::Hwnd openDialog(const std::string& captionUtf8, bool unicode = false);
    // A new linked room in front of all windows, numbered as the others. `onPost` receives every
    // line the room posts (UTF-8): after it is shown as the user's line with `showOwnLines`;
    // without, the room shows nothing of it, and the receiver shows what became of it. The
    // transcript drops whole lines from its
    // start, never one its reader (whoever reads the view with WM_GETTEXT) has not had: down to
    // `keepBytes` bytes when it is read after kQuietReadsBeforeCut reads with no change; past
    // kHardLimitFactor times `keepBytes`, at once, down to the last `keepBytes` bytes of what was
    // read and everything after. Lines nobody reads are kept up to kUnreadLimitFactor times
    // `keepBytes`; past that, what was read goes but its last `keepBytes`, and then the oldest
    // unread lines, down to kHardLimitFactor times it, but never a line of the signed-on user's
    // (unless nothing else is left to drop).
    int openLinkedRoom(const std::string& captionUtf8,
                       std::function<void(const std::string&)> onPost, std::size_t keepBytes,
                       bool showOwnLines = true);
    // Lines arriving in room `number`; false when it is not open.
    bool memberSaysIn(int number, const std::string& name, const std::string& textUtf8);
    // A line of the room itself, under no member's name.
    bool roomLineIn(int number, const std::string& textUtf8);
    // The open rooms' numbers, in opening order, and a room's caption (UTF-8).
    std::vector<int> openRoomNumbers() const;
    std::string roomCaption(int number) const;
    // A room's transcript view (UTF-8), in front or not; "" when it is not open. Reading it here
    // is no read of the view's reader: what the transcript keeps does not change.
    std::string roomTranscriptUtf8(int number) const;
    // The number of the frontmost room; 0 when none is open.
    int frontRoomNumber() const;
    // A new chat room in front of all windows; rooms are numbered 1, 2, ... in opening order.
    int openRoom();
    // Room `number` comes in front of every window; false when it is not open.
    bool frontRoom(int number);
    // The messenger closes the frontmost room; false when none is open.
    bool leaveFrontRoom();
    int openRoomCount() const;

    // These act on the frontmost room and return false when none is open.
    bool memberSays(const std::string& name, const std::string& textUtf8);
    bool appendRaw(const std::string& textUtf8);  // exactly as written, no markup
    bool typeInput(const std::string& textUtf8);  // replaces the box's content; not sent
    bool pressSend();                             // the user's own click, not counted below

    // The frontmost room's transcript view and input box; "" when no room is open.
    std::string transcriptUtf8() const;
    // The frontmost room's transcript from character `from` on, and its whole length; characters
    // are the view's own: code page bytes, or UTF-16 units in a linked room.
    std::string transcriptUtf8From(std::size_t from, std::size_t& length) const;
    // The same of room `number`, in front or not; "" and 0 when it is not open.
    std::string roomTranscriptUtf8From(int number, std::size_t from, std::size_t& length) const;
    std::string inputUtf8() const;
    // The input box's content at every press of the send button that came as window messages,
    // oldest first; an empty box counts too (as "").
    const std::vector<std::string>& sentByProgram() const { return sentByProgram_; }
    // Hands over that record and starts a new, empty one: a long run reads it in portions so
    // that it does not grow without end.
    std::vector<std::string> takeSentByProgram() { return std::exchange(sentByProgram_, {}); }
    winsys::Hwnd frontRoomWindow() const;
    // Whether the frontmost room is a linked room (its members are elsewhere).
    bool frontRoomLinked() const;
    // Whether room `number` is a linked room; false when it is not open.
    bool roomLinked(int number) const;

    // Called after any change a view of the rooms shows: a transcript view, an input box, a room
    // opened, closed or brought to the front.
    void setChangeListener(std::function<void()> listener) {
        changeListener_ = std::move(listener);
    }

    static constexpr std::size_t kHardLimitFactor = 4;
    static constexpr std::size_t kUnreadLimitFactor = 16;
    static constexpr int kQuietReadsBeforeCut = 2;

    static constexpr const char* kRoomClass = "AIM_ChatWnd";
    static constexpr const char* kEditFrameClass = "WndAte32Class";
    static constexpr const char* kEditClass = "Ate32Class";
    static constexpr const char* kButtonClass = "_Oscar_IconBtn";
    static constexpr const char* kDialogClass = "#32770";

  private:
    struct Room {
        int number = 0;
        winsys::Hwnd window = 0;
        winsys::Hwnd view = 0;
        winsys::Hwnd input = 0;
        std::array<winsys::Hwnd, 5> buttons{};
        bool sendButtonDown = false;
        bool unicode = false;
        std::function<void(const std::string&)> onPost;  // linked rooms only
        bool showOwnLines = true;   // a posted line shows as the user's before it is handed out
        std::size_t keepBytes = 0;  // 0: the whole transcript
        int quietReads = 0;         // WM_GETTEXTs of the view since its text last changed
        // The view's first bytes that the last WM_GETTEXT copied: what its reader has had.
        std::size_t readBytes = 0;
        // The view's length in UTF-16 units up to byte unitsAt, a character's start, for the
        // reads by units: counted once, as the text grows (Unicode rooms).
        mutable std::size_t units = 0;
        mutable std::size_t unitsAt = 0;
    };

    int addRoom(const std::string& caption, bool unicode);
    Room* roomNumbered(int number);
    // A UTF-8 text in the room's own encoding.
    std::string native(const Room& room, const std::string& utf8) const;
    void appendMarkup(Room& room, const std::string& markup);
    // Past the limit of unread lines: drops what was read but its last keepBytes, then the oldest
    // unread lines that are not the signed-on user's, down to kHardLimitFactor times keepBytes.
    void shedUnread(Room& room);
    // Drops the view's lines before its first line break from byte `from` up to byte `upTo`, or
    // before its last one at or before `from` when there is none there; never a byte past `upTo`.
    void dropLinesBefore(Room& room, std::size_t from, std::size_t upTo);
    // The view's text from character `from` on, as UTF-8, and its length in `length`, in the
    // view's own characters; only the part from `from` on is converted.
    std::string viewUtf8From(const Room& room, std::size_t from, std::size_t& length) const;
    // The view's length in UTF-16 units; counts only what was added since it was last asked.
    std::size_t viewUnits(const Room& room, std::string_view text) const;
    const Room* front() const;
    Room* front();
    Room* roomOf(winsys::Hwnd window);
    void forgetClosedRooms();
    // Appends a line in the messenger's markup; all texts in the room's own encoding.
    void appendLine(Room& room, const std::string& sender, const std::string& message);
    void postInput(Room& room);
    void changed();
    // A room's transcript from character `from` on (see transcriptUtf8From); "" for no room.
    std::string transcriptFrom(const Room* room, std::size_t from, std::size_t& length) const;

    std::optional<winsys::LResult> onRoomMessage(winsys::Hwnd window, unsigned message,
                                                 winsys::WParam wParam, winsys::LParam lParam);
    std::optional<winsys::LResult> onEditMessage(winsys::Hwnd window, unsigned message,
                                                 winsys::WParam wParam, winsys::LParam lParam);
    std::optional<winsys::LResult> onSendButtonMessage(winsys::Hwnd window, unsigned message);

    winsys::WindowModel& model_;
    std::function<std::string()> longTimeText_;
    std::function<void()> changeListener_;
    std::string screenName_ = "me";
    std::vector<Room> rooms_;  // opening order
    int roomsOpened_ = 0;
    std::vector<std::string> sentByProgram_;
};

}  // namespace ruz::standin
