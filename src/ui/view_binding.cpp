#include "ui/view_binding.h"

#include "common/constants.h"

#include <QKeyEvent>

namespace ruz::ui {

namespace {
constexpr int kOptionKeyCount = 8;
}  // namespace

int optionKeyCode(int qtKey) {
    const int offset = qtKey - Qt::Key_F1;
    return offset >= 0 && offset < kOptionKeyCount ? kKeyF1 + offset : 0;
}

bool OptionKeyForwarder::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int keyCode = optionKeyCode(static_cast<QKeyEvent*>(event)->key());
        if (keyCode != 0) {
            // The box reacts, and the key goes on to whatever else handles it.
            box_.keyDown(keyCode);
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace ruz::ui
