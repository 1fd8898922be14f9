#pragma once

#include "platform/dialogs.h"

#include <QPointer>
#include <QWidget>

#include <deque>

namespace ruz::ui {

// The modal dialogs as Qt dialogs. They are modal to the program's main window only, so the
// messenger's windows (another program's, in the real world) stay usable while one is open; each
// call runs a nested event loop, so timers keep ticking until the user answers.
class QtDialogs final : public Dialogs {
  public:
    // The window the dialogs belong to; until one is given they belong to none.
    void setOwner(QWidget* owner) { owner_ = owner; }

    bool askYesNo(const QString& text) override;
    void notice(const QString& text) override;
    std::optional<QString> prompt(const QString& text, const QString& title) override;
    QString pickFolder(const QString& title, const QString& initialFolder) override;

  private:
    QPointer<QWidget> owner_;
    // A notice raised while another is open waits until that one is closed.
    bool noticeOpen_ = false;
    std::deque<QString> waitingNotices_;
};

}  // namespace ruz::ui
