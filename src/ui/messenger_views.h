#pragma once

#include "platform/winsys/window_model.h"
#include "standin/messenger_standin.h"

#include <QString>
#include <QWidget>

class QLineEdit;

namespace ruz::ui {

class TranscriptView;

// The messenger's frontmost chat room as a window: the transcript, the input box with its send
// button, and a line for posting as another member of the room. It shows whatever room is in
// front and hides while none is open.
class ChatRoomView final : public QWidget {
  public:
    ChatRoomView(standin::MessengerStandIn& messenger, const winsys::WindowModel& windows);
    // Shows the messenger's state again; called after every change of the rooms.
    void refresh();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void send();
    void postAsMember();

    standin::MessengerStandIn& messenger_;
    const winsys::WindowModel& windows_;
    TranscriptView* transcript_;
    QLineEdit* input_;
    QLineEdit* member_;
    QLineEdit* memberText_;
};

// The messenger's buddy-list dialog: the signed-on name and a way into a chat room.
class BuddyListView final : public QWidget {
  public:
    BuddyListView(standin::MessengerStandIn& messenger, const winsys::WindowModel& windows,
                  winsys::Hwnd dialog);

  protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace ruz::ui
