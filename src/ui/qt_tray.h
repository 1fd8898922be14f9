#pragma once

#include "platform/tray.h"

#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

#include <QTimer>

#include <functional>
#include <memory>

namespace ruz::ui {

// The notification area as a QSystemTrayIcon. The shell's bookkeeping (a second add and the
// delete of an absent icon are refused) holds whether or not the desktop has a notification area;
// where it has none the icon waits, and is drawn as soon as a notification area appears. Desktops
// whose notification area reports no double-clicks get the same message from the icon's menu entry
// "Show or hide".
class QtTray final : public Tray {
  public:
    // How often a missing notification area is looked for again.
    static constexpr int kLookForTrayMs = 2000;

    // `trayAvailable` tells whether the desktop has a notification area now.
    explicit QtTray(QIcon icon,
                    std::function<bool()> trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable);
    ~QtTray() override;
    QtTray(const QtTray&) = delete;
    QtTray& operator=(const QtTray&) = delete;

    bool notifyIcon(std::uint32_t message, const NotifyIconData& data) override;
    bool present() const { return present_; }
    // Whether the icon is in the desktop's notification area.
    bool shown() const { return shellIcon_ != nullptr; }
    // Looks for the notification area now; the icon goes in when it is there.
    void lookForTray();

    // Asked first on a double-click: true when it brought the main window forward, which then is
    // all the double-click does.
    std::function<bool()> bringForward;
    // A double-click on the icon, or its menu entry "Show or hide".
    void doubleClick();

  private:
    void add(const NotifyIconData& data);
    void remove();
    void activated(QSystemTrayIcon::ActivationReason reason);

    QIcon icon_;
    std::function<bool()> trayAvailable_;
    QTimer lookForTray_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> shellIcon_;
    bool present_ = false;
    std::uint32_t id_ = 0;
    QString tip_;
};

}  // namespace ruz::ui
