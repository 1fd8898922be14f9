#pragma once

#include "messenger/aimchat.h"
#include "platform/controls.h"

#include <QString>

namespace ruz {

// The open chat room as the system speaks to it: the messenger link, with the system's texts
// converted at this one edge, and the chat-sends switch `chatsendc` that gated texts obey.
class ChatRoom {
  public:
    ChatRoom(messenger::AimChat& link, CheckBox& chatSends) : link_(link), chatSends_(chatSends) {}

    // Sends `text` into the frontmost room, whatever the switch says.
    void send(const QString& text) { link_.SendChatText(text.toStdString()); }
    // Sends `text` only while the chat sends are on.
    void sendGated(const QString& text) {
        if (sendsOn()) {
            send(text);
        }
    }
    bool sendsOn() const { return chatSends_.value() == 1; }
    void setSendsOn(bool on) { chatSends_.setValue(on ? 1 : 0); }

    void clearTranscript() { link_.ClearChatTranscript(); }
    void close() { link_.CloseChatRoom(); }
    QString transcriptTail() { return QString::fromStdString(link_.ChatTranscriptTail()); }
    QString firstDialogCaption() { return QString::fromStdString(link_.ReadFirstDialogCaption()); }

  private:
    messenger::AimChat& link_;
    CheckBox& chatSends_;
};

}  // namespace ruz
