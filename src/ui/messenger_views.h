#pragma once

#include "platform/winsys/window_model.h"
#include "standin/messenger_standin.h"

#include "irc/session.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace ruz::ui {

class TranscriptView;

// The messenger's frontmost chat room as a window: the transcript, the input box with its send
// button, and, in the stand-in's own rooms, a line for posting as another member of the room (a
// chat network's members post from their own programs). It shows whatever room is in front and
// hides while none is open.
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
    void refreshRoomList();

    standin::MessengerStandIn& messenger_;
    const winsys::WindowModel& windows_;
    QComboBox* rooms_;
    std::vector<int> listedRooms_;
    TranscriptView* transcript_;
    QLineEdit* input_;
    QWidget* memberRow_;
    QLineEdit* member_;
    QLineEdit* memberText_;
};

// The messenger's buddy-list dialog: the signed-on name with the connection's state, a way into a
// chat room, and the window that signs on to a chat network.
class BuddyListView final : public QWidget {
  public:
    BuddyListView(standin::MessengerStandIn& messenger, const winsys::WindowModel& windows,
                  winsys::Hwnd dialog);
    // Shows the dialog's caption and the signed-on name again.
    void refresh();
    void setDialog(winsys::Hwnd dialog) { dialog_ = dialog; }
    // Signing on is offered unless a chat network's session is `live` (connected, or
    // connecting again); signing off while its rooms are `open`.
    void setSignedOn(bool open, bool live);
    // The state line under the name: "Online", or a chat network's connection as it stands.
    void setStatus(const QString& status);

    // "Sign on to a chat network...".
    std::function<void()> onSignOn;
    // The user leaves the chat network.
    std::function<void()> onSignOff;
    // "Join a chat room".
    std::function<void()> onJoin;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    standin::MessengerStandIn& messenger_;
    const winsys::WindowModel& windows_;
    winsys::Hwnd dialog_;
    QLabel* name_;
    QLabel* status_;
    QListWidget* buddies_;
    QPushButton* signOn_;
    QPushButton* signOff_;
};

}  // namespace ruz::ui
