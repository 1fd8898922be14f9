#pragma once

#include "platform/winsys/window_model.h"
#include "standin/messenger_standin.h"

#include <QString>
#include <QWidget>

class QLineEdit;
class QTextBrowser;

namespace ruz::ui {

// The transcript markup of the messenger as rich text for a view: the time stamps that the
// markup keeps in comments are shown in grey before each line.
QString transcriptHtml(const QString& markup);

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
    QTextBrowser* transcript_;
    QLineEdit* input_;
    QLineEdit* member_;
    QLineEdit* memberText_;
    QString shownMarkup_;
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
