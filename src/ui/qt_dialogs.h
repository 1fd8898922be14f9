#pragma once

#include "platform/dialogs.h"

#include <QPointer>
#include <QWidget>

#include <deque>
#include <functional>

namespace ruz::ui {

// The modal dialogs as Qt dialogs. They are modal to the program's main window only, so the
// messenger's windows (another program's, in the real world) stay usable while one is open; each
// call runs a nested event loop, so timers keep ticking until the user answers.
class QtDialogs final : public Dialogs {
  public:
    // The window the dialogs belong to; until one is given they belong to none.
    void setOwner(QWidget* owner) { owner_ = owner; }

    // Work that waits until the first dialog is on the screen: the program's first window is the
    // start-up question, and what else the program shows is built while the user reads it. It runs
    // at the latest when that dialog closes, before the program goes on.
    void whenFirstShown(std::function<void()> work) { firstShown_ = std::move(work); }

    bool askYesNo(const QString& text) override;
    void notice(const QString& text) override;
    std::optional<QString> prompt(const QString& text, const QString& title) override;
    QString pickFolder(const QString& title, const QString& initialFolder) override;

  private:
    // Runs `dialog` modally, with the work waiting for the first dialog.
    int run(QDialog& dialog);
    void runFirstShown();

    QPointer<QWidget> owner_;
    // A notice raised while another is open waits until that one is closed.
    bool noticeOpen_ = false;
    std::deque<QString> waitingNotices_;
    std::function<void()> firstShown_;
};

}  // namespace ruz::ui
