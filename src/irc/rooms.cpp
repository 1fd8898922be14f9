#include "irc/rooms.h"

#include <utility>

namespace ruz::irc {

namespace {
QString buddyListCaption(const QString& nick) {
    return nick + QStringLiteral("'s Buddy List");
}
}  // namespace

Rooms::Rooms(standin::MessengerStandIn& messenger, winsys::WindowModel& windows, TimerHost& timers,
             Link& link, Settings settings)
    : messenger_(messenger), windows_(windows), channels_(settings.channels) {
    usedNicks_.insert(foldCase(settings.nick));
    messenger_.signOn(settings.nick.toStdString());
    buddyList_ = messenger_.openDialog(buddyListCaption(settings.nick).toStdString(), true);
    // The last room opened is in front: open them last to first.
    for (auto it = channels_.crbegin(); it != channels_.crend(); ++it) {
        const QString channel = *it;
        rooms_.insert(
            channel,
            messenger_.openLinkedRoom(
                channel.toStdString(),
                [this, channel](const std::string& utf8) { posted(channel, utf8); }, kKeepBytes));
    }
    Events events;
    events.memberLine = [this](const QString& channel, const QString& nick, const QString& text) {
        memberLine(channel, nick, text);
    };
    events.roomLine = [this](const QString& channel, const QString& text) {
        roomLine(channel, text);
    };
    events.nickAccepted = [this](const QString& nick) { nickAccepted(nick); };
    session_ = std::make_unique<Session>(timers, link, std::move(settings), std::move(events));
}

Rooms::~Rooms() {
    session_.reset();
    // Their send buttons lead here: they go with this object.
    for (const QString& channel : channels_) {
        if (messenger_.frontRoom(roomOf(channel))) {
            messenger_.leaveFrontRoom();
        }
    }
    windows_.destroyWindow(buddyList_);
}

void Rooms::memberLine(const QString& channel, const QString& nick, const QString& text) {
    const QString shown =
        usedNicks_.contains(foldCase(nick)) ? nick + QLatin1String(kNotYou) : nick;
    messenger_.memberSaysIn(roomOf(channel), shown.toStdString(), text.toStdString());
}

void Rooms::roomLine(const QString& channel, const QString& text) {
    if (!channel.isEmpty()) {
        messenger_.roomLineIn(roomOf(channel), text.toStdString());
        return;
    }
    for (const QString& each : channels_) {
        messenger_.roomLineIn(roomOf(each), text.toStdString());
    }
}

void Rooms::nickAccepted(const QString& nick) {
    usedNicks_.insert(foldCase(nick));
    if (nick.toStdString() == messenger_.screenName()) {
        return;
    }
    messenger_.signOn(nick.toStdString());
    windows_.setTextUtf8(buddyList_, buddyListCaption(nick).toStdString());
    if (nickListener_) {
        nickListener_();
    }
}

void Rooms::posted(const QString& channel, const std::string& utf8) {
    if (!session_->say(channel, QString::fromStdString(utf8))) {
        messenger_.roomLineIn(roomOf(channel), "Not sent, too many lines are waiting: " + utf8);
    }
}

}  // namespace ruz::irc
