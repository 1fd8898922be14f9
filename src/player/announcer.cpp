#include "player/announcer.h"

namespace ruz {

Announcer::Announcer(Controls controls, const Playlist& playlist, Clock& clock, ChatRoom& room,
                     std::function<std::u16string()> announcementTemplate,
                     std::function<bool()> moving)
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
    const std::u16string name = playlist_.fileName();
    if (name == title()) {
        return;
    }
    const text::Halves artistAndTitle = text::splitFirst(name, u'-');
    if (!artistAndTitle.found) {
        // No artist in the name: the label is cleared, so no earlier song's artist is named.
        c_.Artist.setCaption(u"");
        c_.Song.setCaption(name);
        return;
    }
    // The artist first, so that the announcement raised by the title already sees it.
    c_.Artist.setCaption(artistAndTitle.before);
    c_.Song.setCaption(text::splitFirst(artistAndTitle.after, u'.').before);
}

std::u16string Announcer::ExpandAnnouncement(std::u16string_view announcementTemplate) const {
    const WallTime now = clock_.now();
    // One after the other, in this order: a placeholder that an earlier one brings in is
    // replaced too.
    const std::u16string fields[][2] = {{u"%s", title()},
                                        {u"%t", clock_.longTime(now)},
                                        {u"%d", clock_.shortDate(now)},
                                        {u"%a", c_.Artist.caption()}};
    std::u16string expanded(announcementTemplate);
    for (const auto& [placeholder, value] : fields) {
        expanded = text::replaceAll(expanded, placeholder, value);
    }
    return expanded;
}

std::u16string Announcer::title() const {
    return c_.Song.caption();
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
    const std::u16string announcement = ExpandAnnouncement(template_());
    if (c_.chkKeepFromRating.value() == 1) {
        pending_.push_back(announcement);
        if (pending_.size() > kMaxPending) {
            pending_.erase(pending_.begin());  // the newest are kept
        }
        return;
    }
    room_.sendGated(announcement);
}

}  // namespace ruz
