#pragma once

#include "common/chat_room.h"
#include "controls/controls.h"
#include "platform/clock.h"
#include "player/playlist.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ruz {

// The song announcement: the title pick-up sets the `Artist` and `Song` labels from the playlist's
// selected file name, and each new title is announced in the room through the template.
class Announcer {
  public:
    // How many kept announcements the pending list holds at the most.
    static constexpr std::size_t kMaxPending = 100;

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
              std::function<std::u16string()> announcementTemplate, std::function<bool()> moving);

    void pickUpTitle();
    // The title pick-up stops, and starts again.
    void pausePickUp() { c_.tmrGetSong.setEnabled(false); }
    void resumePickUp() { c_.tmrGetSong.setEnabled(true); }
    std::u16string ExpandAnnouncement(std::u16string_view announcementTemplate) const;
    void announceSong();
    // The chat sends have come back on: the current song is announced, or kept in the pending
    // list while "keep from rating" is checked.
    void announceOrKeep();

    std::u16string title() const;
    // The pending-announcement list: first in, first out.
    const std::vector<std::u16string>& pending() const { return pending_; }
    void clearPending() { pending_.clear(); }

  private:
    Controls c_;
    const Playlist& playlist_;
    Clock& clock_;
    ChatRoom& room_;
    std::function<std::u16string()> template_;
    std::function<bool()> moving_;
    std::vector<std::u16string> pending_;
};

}  // namespace ruz
