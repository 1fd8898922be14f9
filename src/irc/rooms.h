#pragma once

#include "irc/session.h"
#include "platform/winsys/window_model.h"
#include "standin/messenger_standin.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace ruz::irc {

// What the program's QUIT says.
inline constexpr std::string_view kQuitReason = "Taviks Ruz";

// The channels of one IRC connection as rooms of the messenger stand-in: one linked room per
// channel, captioned with the channel's name, and a buddy-list dialog captioned "NICK's Buddy
// List" with the nick the server accepted, following every change of it. Channel lines arrive as
// members' lines, everything else as lines of the room. The room's send button says its line in
// the channel: the room shows it as the user's line when the program is in the channel or joining
// it, and otherwise as a line of the room that says what became of it (waiting for the
// connection, or not sent). A member going under a nick the program has wanted or held is shown as
// not the user, so that no line of theirs can pass as the user's. Closing the rooms ends with the
// object.
class Rooms {
  public:
    // Transcript bytes a room keeps.
    static constexpr std::size_t kKeepBytes = std::size_t{64} * 1024;

    // The stand-in, the model and the link must outlive this object. The rooms open at once,
    // the first channel's in front; the connection starts with start(). The rooms and the buddy
    // list close with the object.
    // What follows a member's name when the member goes under a nick the program used.
    static constexpr const char* kNotYou = " (not you)";

    Rooms(standin::MessengerStandIn& messenger, winsys::WindowModel& windows, TimerHost& timers,
          Link& link, Settings settings);
    ~Rooms();
    Rooms(const Rooms&) = delete;
    Rooms& operator=(const Rooms&) = delete;

    void start() { session_->start(); }
    // Leaves the network at the program's end: the lines that wait to be said leave at the send
    // pace, then the QUIT (Session::quit); `done` once the link is closed, within
    // Session::kQuitDrainMs.
    void leave(std::function<void()> done) { session_->quit(kQuitReason, std::move(done)); }
    Session& session() { return *session_; }
    winsys::Hwnd buddyList() const { return buddyList_; }
    // The room of a channel as configured; 0 when there is none.
    int roomOf(const std::string& channel) const;
    // Called after the buddy list's caption and the signed-on name changed to another nick.
    void setNickListener(std::function<void()> listener) { nickListener_ = std::move(listener); }
    // The connection's state in words (Session::status()), and a listener of its changes.
    const std::string& status() const { return session_->status(); }
    void setStatusListener(std::function<void()> listener) {
        statusListener_ = std::move(listener);
    }
    // Called when the server has taken the program into the channel of the room in front for the
    // first time, and nothing was said in that room before: a new room that has heard nothing
    // of the program yet.
    void setGreetListener(std::function<void()> listener) { greetListener_ = std::move(listener); }
    // Joins `channel` (a name as the server expects it, see channelName): its room opens in
    // front, or, when it is open, comes to the front and is joined again if the program left it.
    void join(const std::string& channel);

  private:
    void memberLine(const std::string& channel, const std::string& nick, const std::string& text);
    void roomLine(const std::string& channel, const std::string& text);
    void nickAccepted(const std::string& nick);
    void posted(const std::string& channel, const std::string& utf8);
    void joined(const std::string& channel);
    void openRoom(const std::string& channel);

    standin::MessengerStandIn& messenger_;
    winsys::WindowModel& windows_;
    winsys::Hwnd buddyList_ = 0;
    std::unordered_map<std::string, int> rooms_;  // channel → room number
    std::vector<std::string> channels_;
    // Folded: the configured nick and every nick the server accepted.
    std::unordered_set<std::string> usedNicks_;
    std::function<void()> nickListener_;
    std::function<void()> statusListener_;
    std::function<void()> greetListener_;
    // Channels whose rooms something was said in, and channels joined at least once.
    std::unordered_set<std::string> spokenIn_;
    std::unordered_set<std::string> joinedOnce_;
    std::unique_ptr<Session> session_;
};

}  // namespace ruz::irc
