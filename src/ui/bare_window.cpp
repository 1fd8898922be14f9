// The yardstick for the desktop program's start: a bare Qt Widgets program that asks the same
// start-up question in the same kind of box, with nothing else.
#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Taviks Ruz"),
                    QStringLiteral("Are you using messenger:mate?"),
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.show();
    return QApplication::exec();
}
