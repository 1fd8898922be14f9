#include "ui/qt_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace ruz::ui {

namespace {

template <typename Dialog>
void makeWindowModal(Dialog& dialog) {
    dialog.setWindowModality(Qt::WindowModal);
}

}  // namespace

bool QtDialogs::askYesNo(const QString& text) {
    QMessageBox box(QMessageBox::Question, kApplicationTitle, text,
                    QMessageBox::Yes | QMessageBox::No, owner_);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    makeWindowModal(box);
    return box.exec() == QMessageBox::Yes;
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
        box.exec();
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
    if (dialog.exec() != QDialog::Accepted) {
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
    if (dialog.exec() != QDialog::Accepted) {
        return QString();
    }
    return dialog.selectedFiles().value(0);
}

}  // namespace ruz::ui
