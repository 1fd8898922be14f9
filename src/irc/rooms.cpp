#include "irc/rooms.h"

#include <algorithm>
#include <utility>

namespace ruz::irc {

namespace {
std::string buddyListCaption(const std::string& nick) {
    return nick + "'s Buddy List";
}

// What becomes of a line said in a room, by where the program stands in its channel: whether it
// goes to the channel, and how the room shows it (as the user's line, or after a note).
struct Outcome {
    ChannelState state;
    bool sent;
    const char* note;  // nullptr: shown as the user's line
};
constexpr Outcome kOutcomes[] = {
    {ChannelState::Joined, true, nullptr},
    {ChannelState::Joining, true, nullptr},
    {ChannelState::Waiting, true, "(waiting: not connected) "},
    {ChannelState::Down, false, "(not sent: not connected) "},
    {ChannelState::Out, false, "(not sent: not in the channel) "},
};
}  // namespace

Rooms::Rooms(standin::MessengerStandIn& messenger, winsys::WindowModel& windows, TimerHost& timers,
             Link& link, Settings settings)
    : messenger_(messenger), windows_(windows), channels_(settings.channels) {
    usedNicks_.insert(foldCase(settings.nick));
    messenger_.signOn(settings.nick);
    buddyList_ = messenger_.openDialog(buddyListCaption(settings.nick), true);
    // The last room opened is in front: open them last to first.
    for (std::size_t i = channels_.size(); i-- > 0;) {
        openRoom(channels_[i]);
    }
    Events events;
    events.memberLine = [this](const std::string& channel, const std::string& nick,
                               const std::string& text) { memberLine(channel, nick, text); };
    events.roomLine = [this](const std::string& channel, const std::string& text) {
        roomLine(channel, text);
    };
    events.nickAccepted = [this](const std::string& nick) { nickAccepted(nick); };
    events.joined = [this](const std::string& channel) { joined(channel); };
    events.statusChanged = [this] {
        if (statusListener_) {
            statusListener_();
        }
    };
    session_ = std::make_unique<Session>(timers, link, std::move(settings), std::move(events));
}

Rooms::~Rooms() {
    session_.reset();
    // Their send buttons lead here: they go with this object.
    for (const std::string& channel : channels_) {
        if (messenger_.frontRoom(roomOf(channel))) {
            messenger_.leaveFrontRoom();
        }
    }
    windows_.destroyWindow(buddyList_);
}

int Rooms::roomOf(const std::string& channel) const {
    const auto found = rooms_.find(channel);
    return found == rooms_.end() ? 0 : found->second;
}

void Rooms::memberLine(const std::string& channel, const std::string& nick,
                       const std::string& text) {
    messenger_.memberSaysIn(roomOf(channel),
                            usedNicks_.contains(foldCase(nick)) ? nick + kNotYou : nick, text);
}

void Rooms::roomLine(const std::string& channel, const std::string& text) {
    if (!channel.empty()) {
        messenger_.roomLineIn(roomOf(channel), text);
        return;
    }
    for (const std::string& each : channels_) {
        messenger_.roomLineIn(roomOf(each), text);
    }
}

void Rooms::nickAccepted(const std::string& nick) {
    usedNicks_.insert(foldCase(nick));
    if (nick == messenger_.screenName()) {
        return;
    }
    messenger_.signOn(nick);
    windows_.setTextUtf8(buddyList_, buddyListCaption(nick));
    if (nickListener_) {
        nickListener_();
    }
}

void Rooms::openRoom(const std::string& channel) {
    rooms_.insert_or_assign(
        channel, messenger_.openLinkedRoom(
                     channel, [this, channel](const std::string& utf8) { posted(channel, utf8); },
                     kKeepBytes, false));
}

void Rooms::join(const std::string& channel) {
    if (channel.empty()) {
        return;
    }
    const std::string folded = foldCase(channel);
    const auto open = std::find_if(channels_.begin(), channels_.end(),
                                   [&](const std::string& c) { return foldCase(c) == folded; });
    // A copy: the list may grow below.
    const std::string name = open == channels_.end() ? channel : *open;
    if (open == channels_.end()) {
        channels_.push_back(name);
    } else if (messenger_.frontRoom(roomOf(name))) {
        session_->join(name);
        return;
    }
    openRoom(name);
    session_->join(name);
}

void Rooms::posted(const std::string& channel, const std::string& utf8) {
    spokenIn_.insert(channel);
    const int room = roomOf(channel);
    const ChannelState state = session_->channelState(channel);
    for (const Outcome& outcome : kOutcomes) {
        if (outcome.state != state) {
            continue;
        }
        if (outcome.sent && !session_->say(channel, utf8)) {
            messenger_.roomLineIn(room, "Not sent, too many lines are waiting: " + utf8);
        } else if (outcome.note == nullptr) {
            messenger_.memberSaysIn(room, messenger_.screenName(), utf8);
        } else {
            messenger_.roomLineIn(room, outcome.note + utf8);
        }
        return;
    }
}

void Rooms::joined(const std::string& channel) {
    if (!joinedOnce_.insert(channel).second || spokenIn_.contains(channel)) {
        return;
    }
    if (greetListener_ && messenger_.frontRoomNumber() == roomOf(channel)) {
        greetListener_();
    }
}

}  // namespace ruz::irc
