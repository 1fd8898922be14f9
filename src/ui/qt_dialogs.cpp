#include "ui/qt_dialogs.h"

#include "qt/qt_text.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

#include <algorithm>
#include <utility>

namespace ruz::ui {

namespace {

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

// A window of the program's own that the user works in, as opposed to menus, tool tips and the
// like, which stand above everything for a moment.
bool isProgramWindow(const QObject* object) {
    const auto* widget = qobject_cast<const QWidget*>(object);
    if (widget == nullptr || !widget->isWindow()) {
        return false;
    }
    const Qt::WindowType type = widget->windowType();
    return type == Qt::Window || type == Qt::Dialog;
}

// Every label of a dialog shows its text as typed.
void showLabelsAsTyped(QDialog& dialog) {
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
    }
}

}  // namespace

// Hears every window of the program that is shown or raised, and puts the open dialogs back on
// top once the event loop turns. A window manager raises a window it has just mapped when it gives
// it the focus, after the program showed it: its first activation is heard too.
class QtDialogs::KeepOnTop final : public QObject {
  public:
    explicit KeepOnTop(QtDialogs& dialogs) : dialogs_(dialogs) {
        QCoreApplication::instance()->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (isProgramWindow(watched) && !dialogs_.isOpenDialog(watched)) {
            auto* window = static_cast<QWidget*>(watched);
            if (type == QEvent::Show) {
                justShown_.emplace_back(window);
            }
            const auto shown = std::find(justShown_.begin(), justShown_.end(), window);
            const bool firstActivation =
                type == QEvent::WindowActivate && shown != justShown_.end();
            if (firstActivation) {
                justShown_.erase(shown);
            }
            if (type == QEvent::Show || type == QEvent::ZOrderChange || firstActivation) {
                raiseSoon();
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    void raiseSoon() {
        justShown_.erase(std::remove(justShown_.begin(), justShown_.end(), nullptr),
                         justShown_.end());
        if (dialogs_.open_.empty() || dialogs_.raisePending_) {
            return;
        }
        dialogs_.raisePending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                dialogs_.raisePending_ = false;
                dialogs_.raiseOpen();
            },
            Qt::QueuedConnection);
    }

    QtDialogs& dialogs_;
    // Windows shown and not yet activated since.
    std::vector<QPointer<QWidget>> justShown_;
};

QtDialogs::QtDialogs() : keepOnTop_(std::make_unique<KeepOnTop>(*this)) {}

QtDialogs::~QtDialogs() {
    keepOnTop_.reset();
    for (const OpenNotice& notice : notices_) {
        delete notice.box.data();
    }
}

std::vector<QDialog*> QtDialogs::openDialogs() const {
    std::vector<QDialog*> dialogs;
    for (const QPointer<QDialog>& dialog : open_) {
        if (dialog && dialog->isVisible()) {
            dialogs.push_back(dialog.data());
        }
    }
    return dialogs;
}

bool QtDialogs::isOpenDialog(const QObject* object) const {
    return std::any_of(open_.begin(), open_.end(),
                       [object](const QPointer<QDialog>& dialog) { return dialog == object; });
}

void QtDialogs::bringUp(QDialog& dialog) {
    showLabelsAsTyped(dialog);
    open_.emplace_back(&dialog);
    QObject::connect(&dialog, &QDialog::finished, &dialog, [this, &dialog] {
        open_.erase(std::remove(open_.begin(), open_.end(), &dialog), open_.end());
    });
    QObject::connect(&dialog, &QObject::destroyed, keepOnTop_.get(), [this] {
        open_.erase(std::remove(open_.begin(), open_.end(), nullptr), open_.end());
    });
    if (!dialog.isVisible()) {
        dialog.show();
    }
    dialog.raise();
    dialog.activateWindow();
}

void QtDialogs::raiseOpen() {
    const std::vector<QDialog*> dialogs = openDialogs();
    for (QDialog* dialog : dialogs) {
        dialog->raise();
    }
    if (!dialogs.empty()) {
        dialogs.back()->activateWindow();
    }
}

int QtDialogs::run(QDialog& dialog) {
    if (firstShown_) {
        new FirstPaint(dialog, [this] { runFirstShown(); });  // owned by the dialog
    }
    dialog.setWindowModality(Qt::WindowModal);
    showLabelsAsTyped(dialog);
    // Once the nested loop has shown it: above the program's windows, with the focus.
    QMetaObject::invokeMethod(
        &dialog, [this, &dialog] { bringUp(dialog); }, Qt::QueuedConnection);
    const int result = dialog.exec();
    open_.erase(std::remove(open_.begin(), open_.end(), &dialog), open_.end());
    runFirstShown();
    return result;
}

void QtDialogs::runFirstShown() {
    if (const std::function<void()> work = std::exchange(firstShown_, nullptr)) {
        work();
    }
}

bool QtDialogs::askYesNo(std::u16string_view text) {
    QMessageBox box(QMessageBox::Question, toQString(kApplicationTitle), toQString(text),
                    QMessageBox::Yes | QMessageBox::No, owner_);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return run(box) == QMessageBox::Yes;
}

Dialogs::NoticeId QtDialogs::notice(std::u16string_view text) {
    // The program's windows exist before its first notice is shown above them.
    runFirstShown();
    std::erase_if(notices_, [](const OpenNotice& notice) { return notice.box.isNull(); });
    auto* box = new QMessageBox(QMessageBox::NoIcon, toQString(kApplicationTitle), toQString(text),
                                QMessageBox::Ok,
                                owner_);  // owned by notices_ until the user closes it
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setDefaultButton(QMessageBox::Ok);
    notices_.push_back({++lastNotice_, box});
    bringUp(*box);
    return lastNotice_;
}

void QtDialogs::closeNotice(NoticeId id) {
    for (const OpenNotice& notice : notices_) {
        if (notice.id == id && notice.box) {
            notice.box->done(QDialog::Accepted);
            notice.box->deleteLater();
        }
    }
    std::erase_if(notices_, [id](const OpenNotice& notice) { return notice.id == id; });
}

std::optional<std::u16string> QtDialogs::prompt(std::u16string_view text,
                                                std::u16string_view title) {
    QInputDialog dialog(owner_);
    dialog.setWindowTitle(toQString(title));
    dialog.setLabelText(toQString(text));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(QString());
    if (run(dialog) != QDialog::Accepted) {
        return std::nullopt;
    }
    return fromQString(dialog.textValue());
}

std::u16string QtDialogs::pickFolder(std::u16string_view title, std::u16string_view initialFolder) {
    // A folder that does not exist here (the Windows drive "C:/") opens at the current folder,
    // else at the user's home.
    QString start = toQString(initialFolder);
    if (start.isEmpty() || !QDir(start).exists()) {
        start = currentFolder ? currentFolder() : QString();
    }
    if (start.isEmpty() || !QDir(start).exists()) {
        start = QDir::homePath();
    }
    QFileDialog dialog(owner_, toQString(title), start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (run(dialog) != QDialog::Accepted) {
        return {};
    }
    return fromQString(dialog.selectedFiles().value(0));
}

}  // namespace ruz::ui
