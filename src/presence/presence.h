#pragma once

#include "common/chat_room.h"
#include "controls/controls.h"
#include "platform/dialogs.h"

#include <functional>
#include <string>
#include <string_view>

namespace ruz {

class RoomScanner;

// "NAME Has Gone Idle Reason (REASON)".
std::u16string goneIdleNotice(std::u16string_view screenName, std::u16string_view reason);

// The user's presence: idle with a reason and a reminder every minute until the user is back;
// anti-lag, which empties the room's transcript view once a second; and F1 to F8, which check and
// uncheck the four option boxes while one of them has the focus.
class Presence {
  public:
    struct Controls {
        Timer& idle;  // Idle reminder
        Label& minutes;
        Label& idlereason;
        MenuEntry& mnuidle;
        CheckBox& chkAntiLag;
        Timer& tmrALag;  // Anti-lag
        // The option boxes in hot-key order: F1 checks the first, F2 unchecks it, and so on.
        CheckBox& chkAutoGetSong;
        CheckBox& chkRepeat;
        CheckBox& chkRandomSong;
        CheckBox& chkKeepFromRating;
        const Label& lblsn;  // The screen name
    };
    // `chat`, the chat scanner, reads the room before anti-lag empties it.
    Presence(Controls controls, Dialogs& dialogs, ChatRoom& room, RoomScanner& chat,
             std::function<bool()> ended);

    void EnterIdle(std::u16string_view reason);
    void LeaveIdle();
    bool IsIdle() const { return c_.idle.enabled(); }
    std::u16string reason() const;
    void setReason(std::u16string_view reason);
    void idleMenuClicked();
    void idleTick();
    void optionKeyDown(int keyCode);

  private:
    Controls c_;
    Dialogs& dialogs_;
    ChatRoom& room_;
    RoomScanner& chat_;
    std::function<bool()> ended_;
};

}  // namespace ruz
