// The title pick-up and the song announcement.
#include "app/frmamp.h"

namespace ruz {

void FrmAmp::PickUpTitle() {
    const QString name = File1.fileName();
    if (name == Song.caption()) {
        return;
    }
    const qsizetype hyphen = name.indexOf(u'-');
    if (hyphen < 0) {
        // No artist in the name: the label is cleared, so no earlier song's artist is named.
        Artist.setCaption(QString());
        Song.setCaption(name);
        return;
    }
    // The artist first, so that the announcement raised by the title already sees it.
    Artist.setCaption(name.left(hyphen));
    Song.setCaption(name.mid(hyphen + 1).section(u'.', 0, 0));
}

QString FrmAmp::ExpandAnnouncement(const QString& announcementTemplate) {
    const QDateTime now = platform.clock.now();
    QString text = announcementTemplate;
    text.replace(QStringLiteral("%s"), Song.caption());
    text.replace(QStringLiteral("%t"), platform.clock.longTime(now));
    text.replace(QStringLiteral("%d"), platform.clock.shortDate(now));
    text.replace(QStringLiteral("%a"), Artist.caption());
    return text;
}

void FrmAmp::AnnounceSong() {
    if (chatsendc.value() != 1) {
        return;
    }
    SendChatText(ExpandAnnouncement(ccoms().word(QStringLiteral("chatsend"))));
}

void FrmAmp::wireAnnouncement() {
    tmrGetSong.onTick = [this] { PickUpTitle(); };
    Song.onChange = [this] { AnnounceSong(); };
    chkAutoGetSong.onClick = [this] { tmrGetSong.setEnabled(chkAutoGetSong.value() == 1); };
}

}  // namespace ruz
