#include "player/announcer.h"
#include "qt/qt_text.h"

namespace ruz {

Announcer::Announcer(Controls controls, const Playlist& playlist, Clock& clock, ChatRoom& room,
                     std::function<QString()> announcementTemplate, std::function<bool()> moving)
    : c_(controls),
      playlist_(playlist),
      clock_(clock),
      room_(room),
      template_(std::move(announcementTemplate)),
      moving_(std::move(moving)) {
    c_.tmrGetSong.onTick = [this] { pickUpTitle(); };
    c_.Song.onChange = [this] { announceSong(); };
    c_.chkAutoGetSong.onClick = [this] {
        c_.tmrGetSong.setEnabled(c_.chkAutoGetSong.value() == 1);
    };
}

void Announcer::pickUpTitle() {
    if (moving_ && moving_()) {
        return;
    }
    const QString name = playlist_.fileName();
    if (name == toQString(c_.Song.caption())) {
        return;
    }
    const qsizetype hyphen = name.indexOf(u'-');
    if (hyphen < 0) {
        // No artist in the name: the label is cleared, so no earlier song's artist is named.
        c_.Artist.setCaption(u"");
        c_.Song.setCaption(fromQString(name));
        return;
    }
    // The artist first, so that the announcement raised by the title already sees it.
    c_.Artist.setCaption(fromQString(name.left(hyphen)));
    c_.Song.setCaption(fromQString(name.mid(hyphen + 1).section(u'.', 0, 0)));
}

QString Announcer::ExpandAnnouncement(const QString& announcementTemplate) const {
    const WallTime now = clock_.now();
    QString text = announcementTemplate;
    text.replace(QStringLiteral("%s"), toQString(c_.Song.caption()));
    text.replace(QStringLiteral("%t"), toQString(clock_.longTime(now)));
    text.replace(QStringLiteral("%d"), toQString(clock_.shortDate(now)));
    text.replace(QStringLiteral("%a"), toQString(c_.Artist.caption()));
    return text;
}

void Announcer::announceSong() {
    // With no song selected there is nothing to announce.
    if (!room_.sendsOn() || playlist_.index() < 0) {
        return;
    }
    room_.send(ExpandAnnouncement(template_()));
}

void Announcer::announceOrKeep() {
    if (playlist_.index() < 0) {
        return;
    }
    const QString announcement = ExpandAnnouncement(template_());
    if (c_.chkKeepFromRating.value() == 1) {
        pending_.append(announcement);
        if (pending_.size() > kMaxPending) {
            pending_.removeFirst();  // the newest are kept
        }
        return;
    }
    room_.sendGated(announcement);
}

}  // namespace ruz
