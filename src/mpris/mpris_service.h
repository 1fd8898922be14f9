#pragma once

#include "mpris/mpris_player.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>

#include <memory>

namespace ruz::mpris {

// The player on the session bus as org.mpris.MediaPlayer2.taviks_ruz: the two interfaces at
// /org/mpris/MediaPlayer2, their properties read from the player, each method handed to it, and
// the player's changes sent out as PropertiesChanged and Seeked.
class MprisService final : public QDBusVirtualObject {
  public:
    // Puts `player` on the session bus. Nothing when there is no bus or it refuses the object:
    // the program then runs on without it.
    static std::unique_ptr<MprisService> publish(MprisPlayer& player);

    MprisService(MprisPlayer& player, QDBusConnection connection);
    ~MprisService() override;
    MprisService(const MprisService&) = delete;
    MprisService& operator=(const MprisService&) = delete;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  private:
    bool handleProperties(const QDBusMessage& message, const QDBusConnection& connection);
    void propertiesChanged(const QStringList& names, const PlayerState& state);
    void seeked(qint64 positionUs);

    MprisPlayer& player_;
    QDBusConnection connection_;
    QString serviceName_;
};

}  // namespace ruz::mpris
