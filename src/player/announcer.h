#pragma once

#include "common/chat_room.h"
#include "controls/controls.h"
#include "platform/clock.h"
#include "player/playlist.h"
#include "qt/qt_text.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace ruz {

// The song announcement: the title pick-up sets the `Artist` and `Song` labels from the playlist's
// selected file name, and each new title is announced in the room through the template.
class Announcer {
  public:
    // How many kept announcements the pending list holds at the most.
    static constexpr qsizetype kMaxPending = 100;

    struct Controls {
        Timer& tmrGetSong;  // Title pick-up
        Label& Song;
        Label& Artist;
        CheckBox& chkAutoGetSong;
        CheckBox& chkKeepFromRating;
    };
    // `announcementTemplate` reads the template afresh at each use; while `moving` says the
    // player is passing over entries it cannot play, the selection is no title to pick up.
    Announcer(Controls controls, const Playlist& playlist, Clock& clock, ChatRoom& room,
              std::function<QString()> announcementTemplate, std::function<bool()> moving);

    void pickUpTitle();
    // The title pick-up stops, and starts again.
    void pausePickUp() { c_.tmrGetSong.setEnabled(false); }
    void resumePickUp() { c_.tmrGetSong.setEnabled(true); }
    QString ExpandAnnouncement(const QString& announcementTemplate) const;
    void announceSong();
    // The chat sends have come back on: the current song is announced, or kept in the pending
    // list while "keep from rating" is checked.
    void announceOrKeep();

    QString title() const { return toQString(c_.Song.caption()); }
    // The pending-announcement list: first in, first out.
    const QStringList& pending() const { return pending_; }
    void clearPending() { pending_.clear(); }

  private:
    Controls c_;
    const Playlist& playlist_;
    Clock& clock_;
    ChatRoom& room_;
    std::function<QString()> template_;
    std::function<bool()> moving_;
    QStringList pending_;
};

}  // namespace ruz
