#include "irc/rooms.h"

#include <utility>

namespace ruz::irc {

namespace {
std::string buddyListCaption(const std::string& nick) {
    return nick + "'s Buddy List";
}
}  // namespace

Rooms::Rooms(standin::MessengerStandIn& messenger, winsys::WindowModel& windows, TimerHost& timers,
             Link& link, Settings settings)
    : messenger_(messenger), windows_(windows), channels_(settings.channels) {
    usedNicks_.insert(foldCase(settings.nick));
    messenger_.signOn(settings.nick);
    buddyList_ = messenger_.openDialog(buddyListCaption(settings.nick), true);
    // The last room opened is in front: open them last to first.
    for (std::size_t i = channels_.size(); i-- > 0;) {
        const std::string& channel = channels_[i];
        rooms_.insert_or_assign(
            channel,
            messenger_.openLinkedRoom(
                channel, [this, channel](const std::string& utf8) { posted(channel, utf8); },
                kKeepBytes));
    }
    Events events;
    events.memberLine = [this](const std::string& channel, const std::string& nick,
                               const std::string& text) { memberLine(channel, nick, text); };
    events.roomLine = [this](const std::string& channel, const std::string& text) {
        roomLine(channel, text);
    };
    events.nickAccepted = [this](const std::string& nick) { nickAccepted(nick); };
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

void Rooms::posted(const std::string& channel, const std::string& utf8) {
    if (!session_->say(channel, utf8)) {
        messenger_.roomLineIn(roomOf(channel), "Not sent, too many lines are waiting: " + utf8);
    }
}

}  // namespace ruz::irc
