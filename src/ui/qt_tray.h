#pragma once

#include "platform/tray.h"

#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

#include <memory>

namespace ruz::ui {

// The notification area as a QSystemTrayIcon. The shell's bookkeeping (a second add and the
// delete of an absent icon are refused) holds whether or not the desktop has a notification area;
// where it has none the icon is simply never drawn. Desktops whose notification area reports no
// double-clicks get the same message from the icon's menu entry "Show or hide".
class QtTray final : public Tray {
  public:
    explicit QtTray(QIcon icon);
    ~QtTray() override;
    QtTray(const QtTray&) = delete;
    QtTray& operator=(const QtTray&) = delete;

    bool notifyIcon(std::uint32_t message, const NotifyIconData& data) override;
    bool present() const { return present_; }

  private:
    void add(const NotifyIconData& data);
    void remove();
    void activated(QSystemTrayIcon::ActivationReason reason);

    QIcon icon_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> shellIcon_;
    bool present_ = false;
    std::uint32_t id_ = 0;
};

}  // namespace ruz::ui
