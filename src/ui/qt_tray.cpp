#include "ui/qt_tray.h"

#include <algorithm>

namespace ruz::ui {

namespace {
// The mouse messages a notification-area icon reports, as the Windows shell numbers them.
constexpr int kWmLButtonUp = 0x0202;
constexpr int kWmRButtonUp = 0x0205;
constexpr int kWmMButtonUp = 0x0208;

// The tip field: text up to its terminating NUL.
QString tipText(const NotifyIconData& data) {
    const auto end = std::find(data.szTip.begin(), data.szTip.end(), '\0');
    return QString::fromLatin1(data.szTip.data(), end - data.szTip.begin());
}
}  // namespace

QtTray::QtTray(QIcon icon, std::function<bool()> trayAvailable)
    : icon_(std::move(icon)), trayAvailable_(std::move(trayAvailable)) {
    lookForTray_.setInterval(kLookForTrayMs);
    QObject::connect(&lookForTray_, &QTimer::timeout, &lookForTray_, [this] { lookForTray(); });
}

QtTray::~QtTray() {
    remove();
}

bool QtTray::notifyIcon(std::uint32_t message, const NotifyIconData& data) {
    if (message == kNimAdd) {
        if (present_) {
            return false;
        }
        add(data);
        return true;
    }
    if (message == kNimDelete) {
        if (!present_ || data.uID != id_) {
            return false;
        }
        remove();
        return true;
    }
    return false;
}

void QtTray::add(const NotifyIconData& data) {
    present_ = true;
    id_ = data.uID;
    tip_ = tipText(data);
    lookForTray();
}

void QtTray::lookForTray() {
    if (!present_ || shellIcon_) {
        lookForTray_.stop();
        return;
    }
    if (!trayAvailable_()) {
        // A desktop may start its notification area after the program: look again later.
        if (!lookForTray_.isActive()) {
            lookForTray_.start();
        }
        return;
    }
    lookForTray_.stop();
    shellIcon_ = std::make_unique<QSystemTrayIcon>(icon_);
    shellIcon_->setToolTip(tip_);
    if (!menu_) {
        menu_ = std::make_unique<QMenu>();
        menu_->addAction(QObject::tr("Show or hide"), menu_.get(), [this] { doubleClick(); });
    }
    shellIcon_->setContextMenu(menu_.get());
    QObject::connect(shellIcon_.get(), &QSystemTrayIcon::activated, shellIcon_.get(),
                     [this](QSystemTrayIcon::ActivationReason reason) { activated(reason); });
    shellIcon_->show();
}

void QtTray::doubleClick() {
    if (bringForward && bringForward()) {
        return;
    }
    if (onIconMessage) {
        onIconMessage(static_cast<int>(kWmLButtonDblClk));
    }
}

void QtTray::remove() {
    present_ = false;
    lookForTray_.stop();
    if (shellIcon_) {
        shellIcon_->hide();
        shellIcon_.reset();
    }
}

void QtTray::activated(QSystemTrayIcon::ActivationReason reason) {
    int mouseMessage = 0;
    switch (reason) {
        case QSystemTrayIcon::DoubleClick:
            doubleClick();
            return;
        case QSystemTrayIcon::Trigger:
            mouseMessage = kWmLButtonUp;
            break;
        case QSystemTrayIcon::Context:
            mouseMessage = kWmRButtonUp;
            break;
        case QSystemTrayIcon::MiddleClick:
            mouseMessage = kWmMButtonUp;
            break;
        case QSystemTrayIcon::Unknown:
            return;
    }
    if (onIconMessage) {
        onIconMessage(mouseMessage);
    }
}

}  // namespace ruz::ui
