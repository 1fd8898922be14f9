#include "ui/qt_dialogs.h"

#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include <utility>

namespace ruz::ui {

namespace {

template <typename Dialog>
void makeWindowModal(Dialog& dialog) {
    dialog.setWindowModality(Qt::WindowModal);
}

// Calls `shown` on the next turn of the event loop after the dialog's first paint: by then the
// window is on the screen.
class FirstPaint final : public QObject {
  public:
    FirstPaint(QDialog& dialog, std::function<void()> shown)
        : QObject(&dialog), shown_(std::move(shown)) {
        dialog.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && shown_) {
            QMetaObject::invokeMethod(this, std::exchange(shown_, nullptr), Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> shown_;
};

}  // namespace

int QtDialogs::run(QDialog& dialog) {
    if (firstShown_) {
        new FirstPaint(dialog, [this] { runFirstShown(); });  // owned by the dialog
    }
    const int result = dialog.exec();
    runFirstShown();
    return result;
}

void QtDialogs::runFirstShown() {
    if (const std::function<void()> work = std::exchange(firstShown_, nullptr)) {
        work();
    }
}

bool QtDialogs::askYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, kApplicationTitle, text,
                    QMessageBox::Yes | QMessageBox::No, owner_);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    makeWindowModal(box);
    return run(box) == QMessageBox::Yes;
}

void QtDialogs::notice(const QString& text) {
    waitingNotices_.push_back(text);
    if (noticeOpen_) {
        return;  // shown when the open one is closed
    }
    noticeOpen_ = true;
    while (!waitingNotices_.empty()) {
        QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, waitingNotices_.front(),
                        QMessageBox::Ok, owner_);
        waitingNotices_.pop_front();
        box.setDefaultButton(QMessageBox::Ok);
        makeWindowModal(box);
        run(box);
    }
    noticeOpen_ = false;
}

std::optional<QString> QtDialogs::prompt(const QString& text, const QString& title) {
    QInputDialog dialog(owner_);
    dialog.setWindowTitle(title);
    dialog.setLabelText(text);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(QString());
    makeWindowModal(dialog);
    if (run(dialog) != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue();
}

QString QtDialogs::pickFolder(const QString& title, const QString& initialFolder) {
    // A folder that does not exist here (the Windows drive "C:/") opens at the user's home.
    const QString start =
        !initialFolder.isEmpty() && QDir(initialFolder).exists() ? initialFolder : QDir::homePath();
    QFileDialog dialog(owner_, title, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    makeWindowModal(dialog);
    if (run(dialog) != QDialog::Accepted) {
        return QString();
    }
    return dialog.selectedFiles().value(0);
}

}  // namespace ruz::ui
