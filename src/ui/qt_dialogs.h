#pragma once

#include "platform/dialogs.h"

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace ruz::ui {

// The dialogs as Qt dialogs, each above the program's main window and transient for it, with the
// keyboard focus. A question, a prompt and the folder picker are modal to the main window only
// (the messenger's windows, another program's in the real world, stay usable) and run a nested
// event loop until answered, so timers keep ticking. A notice holds nothing back: it opens and the
// program goes on at once, its windows usable, until the user dismisses it. Whatever the program
// shows or raises later, the open dialogs are put back on top, with or without a window manager.
class QtDialogs final : public Dialogs {
  public:
    QtDialogs();
    ~QtDialogs() override;
    QtDialogs(const QtDialogs&) = delete;
    QtDialogs& operator=(const QtDialogs&) = delete;

    // The window the dialogs belong to; until one is given they belong to none.
    void setOwner(QWidget* owner) { owner_ = owner; }

    // Work that waits until the first dialog is on the screen: the program's first window is the
    // start-up question, and what else the program shows is built while the user reads it. It runs
    // at the latest when that dialog closes, before the program goes on.
    void whenFirstShown(std::function<void()> work) { firstShown_ = std::move(work); }

    bool askYesNo(std::u16string_view text) override;
    NoticeId notice(std::u16string_view text) override;
    std::optional<std::u16string> prompt(std::u16string_view text,
                                         std::u16string_view title) override;
    std::u16string pickFolder(std::u16string_view title,
                              std::u16string_view initialFolder) override;

    // The dialogs on the screen now, oldest first.
    std::vector<QDialog*> openDialogs() const;
    // Where the folder picker opens when the folder it is asked to open at does not exist here.
    std::function<QString()> currentFolder;

  protected:
    void closeNotice(NoticeId id) override;

  private:
    class KeepOnTop;

    // Runs `dialog` modally, with the work waiting for the first dialog.
    int run(QDialog& dialog);
    void runFirstShown();
    // Shows `dialog` above the program's windows with the focus, and keeps it there while open.
    void bringUp(QDialog& dialog);
    // Puts every open dialog back on top, the newest last and with the focus.
    void raiseOpen();
    bool isOpenDialog(const QObject* object) const;

    QPointer<QWidget> owner_;
    std::vector<QPointer<QDialog>> open_;
    // The notices on the screen; those not closed yet go with the dialogs.
    struct OpenNotice {
        NoticeId id;
        QPointer<QDialog> box;
    };
    std::vector<OpenNotice> notices_;
    NoticeId lastNotice_ = 0;
    std::unique_ptr<KeepOnTop> keepOnTop_;
    bool raisePending_ = false;
    std::function<void()> firstShown_;
};

}  // namespace ruz::ui
