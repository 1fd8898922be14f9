#pragma once

#include "messenger/aimchat.h"
#include "platform/controls.h"

#include <QString>

#include <deque>
#include <functional>

namespace ruz {

// The open chat room as the system speaks to it: the messenger link, with the system's texts
// converted at this one edge, and the chat-sends switch `chatsendc` that gated texts obey. It
// remembers what it sent, so that those lines are known for the program's own when they come back.
class ChatRoom {
  public:
    // How many sent lines are remembered while they have not come back.
    static constexpr std::size_t kRememberedLines = 64;

    ChatRoom(messenger::AimChat& link, CheckBox& chatSends) : link_(link), chatSends_(chatSends) {}

    // Sends `text` into the frontmost room, whatever the switch says.
    void send(const QString& text);
    // Sends `text` only while the chat sends are on.
    void sendGated(const QString& text) {
        if (sendsOn()) {
            send(text);
        }
    }
    bool sendsOn() const { return chatSends_.value() == 1; }
    void setSendsOn(bool on) { chatSends_.setValue(on ? 1 : 0); }
    // Whether `message`, come back from the room, is a line this room sent; a line is known once.
    bool takeOwnLine(const QString& message);

    // Empties the room's transcript view.
    void clearTranscript();
    // Reads what is new in the view first, then empties it.
    void clearAfterReading();
    void close() { link_.CloseChatRoom(); }
    QString transcriptTail() { return QString::fromStdString(link_.ChatTranscriptTail()); }
    // The transcript from character `from` on; `length` receives the whole length.
    QString transcriptFrom(qsizetype from, qsizetype& length);
    QString firstDialogCaption() { return QString::fromStdString(link_.ReadFirstDialogCaption()); }

    // Reads what is new in the view (the chat scanner's poll).
    std::function<void()> readNew;
    // The view has been emptied.
    std::function<void()> onCleared;

  private:
    messenger::AimChat& link_;
    CheckBox& chatSends_;
    // Sent lines as sent and as the room shows them, oldest first.
    struct Sent {
        QString text;
        QString shown;
    };
    std::deque<Sent> sent_;
};

}  // namespace ruz
