// A bare Qt Widgets window, the yardstick for the desktop program's measurements: the same toolkit,
// the same start-up, no player.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    window.resize(360, 420);
    window.show();
    return QApplication::exec();
}
