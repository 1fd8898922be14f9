#pragma once

#include "controls/controls.h"
#include "messenger/aimchat.h"

#include "text/text.h"

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace ruz {

// The open chat room as the system speaks to it: the messenger link, with the system's texts
// converted at this one edge, and the chat-sends switch `chatsendc` that gated texts obey. It
// remembers the lines a room took from it, so that those lines are known for the program's own
// when they come back; a line is forgotten once heard back, or once the reader has passed over it.
class ChatRoom {
  public:
    // A room's transcript view, as the reader tells the rooms apart; 0: none.
    using ViewId = winsys::Hwnd;

    // How many sent lines are remembered while they have not come back.
    static constexpr std::size_t kRememberedLines = 64;

    ChatRoom(messenger::AimChat& link, CheckBox& chatSends) : link_(link), chatSends_(chatSends) {}

    // Sends `text` into the frontmost room, whatever the switch says.
    void send(std::u16string_view text);
    // Sends `text` only while the chat sends are on.
    void sendGated(std::u16string_view text) {
        if (sendsOn()) {
            send(text);
        }
    }
    bool sendsOn() const { return chatSends_.value() == 1; }
    void setSendsOn(bool on) { chatSends_.setValue(on ? 1 : 0); }
    // Whether `message`, come back from the room, is a line this room sent; a line is known once.
    bool takeOwnLine(std::u16string_view message);
    // The reader has gone past what view `view` holds without hearing it: the lines sent into it
    // so far will not come back.
    void passedOver(ViewId view);

    // Empties the frontmost room's transcript view; the view emptied, 0 when no room is open.
    ViewId clearTranscript();
    void close() { link_.CloseChatRoom(); }
    // The start of a read of the rooms: their transcript views, the frontmost first. Lines that
    // were emptied away before an earlier read came to them are forgotten now.
    std::vector<ViewId> transcriptViews();
    // The text of view `view` from character `from` on; `length` receives its whole length.
    std::u16string transcriptFrom(ViewId view, text::Index from, text::Index& length);
    std::u16string firstDialogCaption() { return text::fromUtf8(link_.ReadFirstDialogCaption()); }

  private:
    messenger::AimChat& link_;
    CheckBox& chatSends_;
    // Sent lines as sent and as the room shows them, with the view they went into, oldest first.
    // A line emptied away is kept until the next read begins: the read under way may hold it.
    struct Sent {
        std::u16string text;
        std::u16string shown;
        ViewId view = 0;
        bool emptied = false;
    };
    std::deque<Sent> sent_;
};

}  // namespace ruz
