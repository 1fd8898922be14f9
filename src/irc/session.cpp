#include "irc/session.h"

#include <algorithm>
#include <array>
#include <utility>

namespace ruz::irc {

namespace {

// What a relayed line's prefix (":nick!user@host ") may take at most, beyond the nick: the
// protocol's longest user name and host name.
constexpr std::size_t kUserReserve = 10;
constexpr std::size_t kHostReserve = 63;
// Bytes of text that a PRIVMSG always carries, however long its channel's name.
constexpr std::size_t kMinTextBytes = 64;
const QByteArray kLineFeed = QByteArrayLiteral("\n");
const QString kPingToken = QStringLiteral("ruz");
constexpr int kMsPerSecond = 1000;

using Handler = void (Session::*)(const Message&);

bool isErrorNumeric(const QString& command) {
    constexpr int kFirstError = 400;
    constexpr int kLastError = 599;
    bool ok = false;
    const int number = command.toInt(&ok);
    return ok && command.size() == 3 && number >= kFirstError && number <= kLastError;
}

QString withReason(const QString& text, const QString& reason) {
    const QString plain = plainText(reason);
    return plain.isEmpty() ? text + u'.'
                           : text + QStringLiteral(" (") + plain + QStringLiteral(").");
}

// A word for the protocol: no blank, comma, CR, LF or NUL.
QString protocolWord(const QString& text) {
    QString word = oneLine(text);
    for (QChar& c : word) {
        if (c == u' ' || c == u',') {
            c = u'_';
        }
    }
    return word;
}

}  // namespace

Session::Session(TimerHost& timers, Link& link, Settings settings, Events events)
    : timers_(timers),
      link_(link),
      settings_(std::move(settings)),
      events_(std::move(events)),
      queue_(timers, settings_.policy, [this](const QByteArray& line) { link_.write(line); }),
      watchdogTimer_(timers.createTimer([this] { watchdog(); })),
      retryTimer_(timers.createTimer([this] { retry(); })) {
    settings_.nick = protocolWord(settings_.nick);
    if (settings_.nick.isEmpty()) {
        settings_.nick = QStringLiteral("ruz");
    }
    nick_ = settings_.nick;
    link_.setListener({[this] { onConnected(); },
                       [this](const QByteArray& bytes) { onReceived(bytes); },
                       [this](const QString& reason) { onClosed(reason); },
                       [this](const QString& reason) { onUntrusted(reason); }});
}

Session::~Session() {
    link_.setListener({});
    link_.close();
    timers_.destroyTimer(watchdogTimer_);
    timers_.destroyTimer(retryTimer_);
}

void Session::start() {
    if (state_ == State::Idle || state_ == State::Stopped) {
        retryDelayMs_ = kFirstRetryDelayMs;
        regainRefused_ = false;
        connectNow();
    }
}

void Session::stop(const QString& reason) {
    if (state_ == State::Registered) {
        link_.write(QStringLiteral("QUIT :%1\r\n").arg(oneLine(reason)).toUtf8());
    }
    dropLink(State::Stopped);
}

bool Session::say(const QString& channel, const QString& text) {
    const QByteArray head = QStringLiteral("PRIVMSG %1 :").arg(protocolWord(channel)).toUtf8();
    const std::size_t reserve = 1 + static_cast<std::size_t>(nick_.toUtf8().size()) + 1 +
                                kUserReserve + 1 + kHostReserve + 1;
    const std::size_t overhead = static_cast<std::size_t>(head.size()) + 2 + reserve;
    const std::size_t room =
        overhead + kMinTextBytes < kMaxLineBytes ? kMaxLineBytes - overhead : kMinTextBytes;
    bool all = true;
    for (const QString& piece : splitUtf8(oneLine(text), room)) {
        all = queue_.pushChat(head + piece.toUtf8()) && all;
    }
    return all;
}

void Session::connectNow() {
    state_ = State::Connecting;
    stateSince_ = timers_.nowMs();
    pending_.clear();
    const Endpoint& e = settings_.endpoint;
    roomLine({}, QStringLiteral("Connecting to %1:%2%3.")
                     .arg(e.host)
                     .arg(e.port)
                     .arg(e.tls ? QStringLiteral(" with TLS") : QString()));
    timers_.startTimer(watchdogTimer_, kWatchdogTickMs);
    link_.open(e);
}

void Session::onConnected() {
    if (state_ != State::Connecting) {
        return;
    }
    state_ = State::Registering;
    stateSince_ = timers_.nowMs();
    lastReceived_ = stateSince_;
    nick_ = settings_.nick;
    nickAttempts_ = 0;
    queue_.setOpen(true, false);
    if (!settings_.password.isEmpty()) {
        sendProtocol(QStringLiteral("PASS :") + oneLine(settings_.password));
    }
    const QString user = protocolWord(settings_.user.isEmpty() ? nick_ : settings_.user);
    const QString real = oneLine(settings_.realName.isEmpty() ? nick_ : settings_.realName);
    sendProtocol(QStringLiteral("NICK ") + nick_);
    sendProtocol(QStringLiteral("USER %1 0 * :%2").arg(user, real));
}

void Session::onReceived(const QByteArray& bytes) {
    if (state_ != State::Registering && state_ != State::Registered) {
        return;
    }
    lastReceived_ = timers_.nowMs();
    pingSent_ = false;
    pending_.append(bytes);
    qsizetype start = 0;
    while (state_ == State::Registering || state_ == State::Registered) {
        const qsizetype end = pending_.indexOf(kLineFeed, start);
        if (end < 0) {
            break;
        }
        QByteArrayView line(pending_.constData() + start, end - start);
        start = end + 1;
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (static_cast<std::size_t>(line.size()) > kMaxReadLine) {
            line = line.first(static_cast<qsizetype>(kMaxReadLine));
        }
        if (const std::optional<Message> m = parseLine(line)) {
            handle(*m);
        }
    }
    if (state_ != State::Registering && state_ != State::Registered) {
        return;  // the link went down while handling; its bytes are gone
    }
    pending_.remove(0, start);
    if (static_cast<std::size_t>(pending_.size()) > kMaxPendingBytes) {
        lose(QStringLiteral("the server sent a line of more than %1 bytes").arg(kMaxPendingBytes));
    }
}

void Session::onClosed(const QString& reason) {
    if (state_ == State::Connecting || state_ == State::Registering ||
        state_ == State::Registered) {
        lose(reason);
    }
}

void Session::onUntrusted(const QString& reason) {
    if (state_ != State::Connecting) {
        return;
    }
    dropLink(State::Stopped);
    roomLine({}, QStringLiteral("The server's certificate is not trusted (%1); no more attempts "
                                "until you sign on again.")
                     .arg(oneLine(reason)));
}

void Session::dropLink(State next) {
    // The state changes before the link closes: a link that reports its own close at once
    // finds the link already given up, and the loss is handled once.
    state_ = next;
    link_.close();
    queue_.setOpen(false, false);
    pending_.clear();
    members_.clear();
    names_.clear();
    regainAsked_ = false;
    timers_.stopTimer(watchdogTimer_);
    timers_.stopTimer(retryTimer_);
}

void Session::lose(const QString& reason) {
    dropLink(State::Waiting);
    roomLine({}, QStringLiteral("The connection is lost (%1); connecting again in %2 s.")
                     .arg(oneLine(reason))
                     .arg(retryDelayMs_ / kMsPerSecond));
    timers_.startTimer(retryTimer_, retryDelayMs_);
    retryDelayMs_ = std::min(retryDelayMs_ * 2, kMaxRetryDelayMs);
}

void Session::retry() {
    timers_.stopTimer(retryTimer_);
    if (state_ == State::Waiting) {
        connectNow();
    }
}

void Session::watchdog() {
    const std::int64_t now = timers_.nowMs();
    if (state_ == State::Connecting || state_ == State::Registering) {
        if (now - stateSince_ >= kRegistrationTimeoutMs) {
            lose(QStringLiteral("no welcome from the server within %1 s")
                     .arg(kRegistrationTimeoutMs / kMsPerSecond));
        }
        return;
    }
    if (state_ != State::Registered) {
        return;
    }
    if (!isMe(settings_.nick) && !regainRefused_ && now - lastRegainCheck_ >= kNickRegainCheckMs) {
        lastRegainCheck_ = now;
        regainAsked_ = false;  // an answer that never came asks no longer
        sendProtocol(QStringLiteral("ISON ") + settings_.nick);
    }
    const std::int64_t quiet = now - lastReceived_;
    if (quiet >= kQuietBeforePingMs + kPingTimeoutMs) {
        lose(QStringLiteral("the server stopped answering"));
    } else if (quiet >= kQuietBeforePingMs && !pingSent_) {
        pingSent_ = true;
        sendProtocol(QStringLiteral("PING :") + kPingToken);
    }
}

void Session::handle(const Message& m) {
    struct Route {
        const char* command;
        Handler handler;  // nullptr: nothing to do
    };
    static constexpr std::array<Route, 22> kRoutes = {{
        {"PING", &Session::onPing},
        {"PONG", nullptr},  // any line from the server counts as an answer
        {"001", &Session::onWelcome},
        {"433", &Session::onNickInUse},  // in use
        {"436", &Session::onNickInUse},  // collision
        {"437", &Session::onNickInUse},  // unavailable
        {"432", &Session::onNickRefused},
        {"303", &Session::onIson},
        {"JOIN", &Session::onJoin},
        {"PART", &Session::onPart},
        {"QUIT", &Session::onQuit},
        {"KICK", &Session::onKick},
        {"NICK", &Session::onNick},
        {"TOPIC", &Session::onTopic},
        {"PRIVMSG", &Session::onPrivmsg},
        {"NOTICE", &Session::onNotice},
        {"353", &Session::onNames},
        {"366", &Session::onNamesEnd},
        {"332", &Session::onTopicReply},
        {"ERROR", &Session::onError},
        {"005", nullptr},  // the server's features: nothing here depends on them
        {"004", nullptr},
    }};
    for (const Route& route : kRoutes) {
        if (m.command == QLatin1String(route.command)) {
            if (route.handler != nullptr) {
                (this->*route.handler)(m);
            }
            return;
        }
    }
    if (isErrorNumeric(m.command)) {
        onErrorNumeric(m);
    }
    // Any other command or numeric carries nothing a room shows.
}

void Session::onPing(const Message& m) {
    // The answer carries the token back, as much of it as one line holds.
    const QString head = QStringLiteral("PONG :");
    const QStringList token =
        splitUtf8(oneLine(m.param(0)), kMaxLineBytes - 2 - static_cast<std::size_t>(head.size()));
    queue_.pushPong((head + token.value(0)).toUtf8());
}

void Session::onNickRefused(const Message& m) {
    if (state_ == State::Registered && regainAsked_) {
        regainAsked_ = false;
        regainRefused_ = true;  // the server's own rule: asking again cannot help
        return;
    }
    if (state_ != State::Registering) {
        onErrorNumeric(m);
        return;
    }
    roomLine({}, QStringLiteral("The server refuses the nickname %1.").arg(displayNick(nick_)));
    stop(QString());
}

void Session::onWelcome(const Message& m) {
    if (state_ != State::Registering) {
        return;
    }
    state_ = State::Registered;
    retryDelayMs_ = kFirstRetryDelayMs;
    lastRegainCheck_ = timers_.nowMs();
    if (!m.param(0).isEmpty()) {
        nick_ = m.param(0);
    }
    // The name first, so that whoever shows the room line below shows the new name with it.
    if (events_.nickAccepted) {
        events_.nickAccepted(nick_);
    }
    roomLine(
        {},
        QStringLiteral("Signed on to %1 as %2.").arg(settings_.endpoint.host, displayNick(nick_)));
    for (const QString& channel : settings_.channels) {
        sendProtocol(QStringLiteral("JOIN ") + protocolWord(channel));
    }
    queue_.setOpen(true, true);
}

void Session::onIson(const Message& m) {
    // 303 ME :NICKS ONLINE
    const QString online = m.params.isEmpty() ? QString() : m.params.last();
    for (const QString& nick : online.split(u' ', Qt::SkipEmptyParts)) {
        if (isWanted(nick)) {
            return;
        }
    }
    regainNick();
}

void Session::regainNick() {
    if (state_ != State::Registered || isMe(settings_.nick) || regainRefused_ || regainAsked_) {
        return;
    }
    regainAsked_ = true;
    sendProtocol(QStringLiteral("NICK ") + settings_.nick);
}

void Session::onNickInUse(const Message& m) {
    if (state_ == State::Registered && regainAsked_) {
        regainAsked_ = false;  // taken again before the program's NICK came: asked again later
        return;
    }
    if (state_ != State::Registering) {
        onErrorNumeric(m);  // a change of nick the program never asks for
        return;
    }
    if (++nickAttempts_ > kMaxNickAttempts) {
        lose(QStringLiteral("no free nickname after %1 tries").arg(kMaxNickAttempts));
        return;
    }
    const QString taken = nick_;
    nick_ += u'_';
    roomLine({}, QStringLiteral("The nickname %1 is in use; trying %2.")
                     .arg(displayNick(taken), displayNick(nick_)));
    sendProtocol(QStringLiteral("NICK ") + nick_);
}

void Session::onJoin(const Message& m) {
    const QString channel = ourChannel(m.param(0));
    if (channel.isEmpty()) {
        return;
    }
    QSet<QString>& members = members_[foldCase(channel)];
    if (members.size() < kMaxMembers) {
        members.insert(foldCase(m.nick));
    }
    if (isMe(m.nick)) {
        roomLine(channel, QStringLiteral("You have entered the room."));
    } else {
        roomLine(channel, displayNick(m.nick) + QStringLiteral(" has entered the room."));
    }
}

void Session::onPart(const Message& m) {
    const QString channel = ourChannel(m.param(0));
    if (channel.isEmpty()) {
        return;
    }
    members_[foldCase(channel)].remove(foldCase(m.nick));
    const QString who = isMe(m.nick) ? QStringLiteral("You have") : displayNick(m.nick) + " has";
    roomLine(channel, withReason(who + QStringLiteral(" left the room"), m.param(1)));
}

void Session::onQuit(const Message& m) {
    if (isWanted(m.nick) && !isMe(m.nick)) {
        regainNick();
    }
    const QString who = foldCase(m.nick);
    for (const QString& channel : settings_.channels) {
        if (members_[foldCase(channel)].remove(who)) {
            roomLine(channel,
                     withReason(displayNick(m.nick) + QStringLiteral(" has quit"), m.param(0)));
        }
    }
}

void Session::onKick(const Message& m) {
    const QString channel = ourChannel(m.param(0));
    if (channel.isEmpty()) {
        return;
    }
    const QString target = m.param(1);
    members_[foldCase(channel)].remove(foldCase(target));
    const QString who = isMe(target) ? QStringLiteral("You were") : displayNick(target) + " was";
    roomLine(channel,
             withReason(who + QStringLiteral(" kicked by ") + displayNick(m.nick), m.param(2)));
}

void Session::onNick(const Message& m) {
    const QString now = m.param(0);
    if (now.isEmpty()) {
        return;
    }
    const bool me = isMe(m.nick);
    if (me) {
        regainAsked_ = false;
        nick_ = now;
        if (events_.nickAccepted) {
            events_.nickAccepted(nick_);
        }
    }
    if (!me && isWanted(m.nick) && !isWanted(now)) {
        regainNick();
    }
    const QString before = foldCase(m.nick);
    for (const QString& channel : settings_.channels) {
        QSet<QString>& members = members_[foldCase(channel)];
        if (!me && !members.remove(before)) {
            continue;
        }
        members.insert(foldCase(now));
        roomLine(channel, me ? QStringLiteral("You are now known as %1.").arg(displayNick(now))
                             : QStringLiteral("%1 is now known as %2.")
                                   .arg(displayNick(m.nick), displayNick(now)));
    }
}

void Session::onTopic(const Message& m) {
    const QString channel = ourChannel(m.param(0));
    if (!channel.isEmpty()) {
        roomLine(channel, displayNick(m.nick) + QStringLiteral(" changes the topic to: ") +
                              plainText(m.param(1)));
    }
}

void Session::onTopicReply(const Message& m) {
    const QString channel = ourChannel(m.param(1));
    if (!channel.isEmpty()) {
        roomLine(channel, QStringLiteral("The topic is: ") + plainText(m.param(2)));
    }
}

void Session::onPrivmsg(const Message& m) {
    const QString target = m.param(0);
    const QString text = m.param(1);
    if (isOtherCtcp(text)) {
        return;  // a query to the client, not a line of the room
    }
    const std::optional<QString> action = actionText(text);
    const QString shown = action ? QStringLiteral("* ") + plainText(*action) : plainText(text);
    if (isMe(target)) {
        roomLine({}, displayNick(m.nick) + QStringLiteral(" whispers: ") + shown);
        return;
    }
    const QString channel = ourChannel(target);
    if (channel.isEmpty()) {
        roomLine({},
                 QStringLiteral("[%1] %2: %3").arg(plainText(target), displayNick(m.nick), shown));
        return;
    }
    if (events_.memberLine) {
        events_.memberLine(channel, displayNick(m.nick), shown);
    }
}

void Session::onNotice(const Message& m) {
    if (state_ != State::Registered) {
        return;  // the server's greetings before the welcome
    }
    const QString channel = ourChannel(m.param(0));
    if (!channel.isEmpty()) {
        roomLine(
            channel,
            QStringLiteral("Notice from %1: %2").arg(displayNick(m.nick), plainText(m.param(1))));
    }
}

void Session::onNames(const Message& m) {
    // 353 ME SYMBOL CHANNEL :NAMES
    const QString channel = ourChannel(m.param(2));
    if (channel.isEmpty()) {
        return;
    }
    QStringList& names = names_[foldCase(channel)];
    QSet<QString>& members = members_[foldCase(channel)];
    constexpr QStringView kStatusMarks = u"@+%&~!";
    for (QString name : m.param(3).split(u' ', Qt::SkipEmptyParts)) {
        while (!name.isEmpty() && kStatusMarks.contains(name.front())) {
            name.remove(0, 1);
        }
        if (members.size() < kMaxMembers) {
            members.insert(foldCase(name));
        }
        if (names.size() < kMaxMembers) {
            names.append(displayNick(name));
        }
    }
}

void Session::onNamesEnd(const Message& m) {
    const QString channel = ourChannel(m.param(1));
    if (channel.isEmpty()) {
        return;
    }
    const QStringList names = names_.take(foldCase(channel));
    if (!names.isEmpty()) {
        roomLine(channel, QStringLiteral("In the room: ") + names.join(u' '));
    }
}

void Session::onError(const Message& m) {
    roomLine({}, QStringLiteral("The server closes the link: ") + plainText(m.param(0)));
}

void Session::onErrorNumeric(const Message& m) {
    // NUMERIC ME [SUBJECT...] :TEXT
    const QString channel = ourChannel(m.param(1));
    const QString subject =
        m.params.size() > 2 ? plainText(m.param(1)) + QStringLiteral(": ") : QString();
    const QString text = m.params.isEmpty() ? QString() : m.params.last();
    roomLine(channel, QStringLiteral("The server says: ") + subject + plainText(text));
}

QString Session::ourChannel(const QString& name) const {
    const QString folded = foldCase(name);
    for (const QString& channel : settings_.channels) {
        if (foldCase(channel) == folded) {
            return channel;
        }
    }
    return {};
}

bool Session::isMe(const QString& nick) const {
    return foldCase(nick) == foldCase(nick_);
}

bool Session::isWanted(const QString& nick) const {
    return foldCase(nick) == foldCase(settings_.nick);
}

void Session::roomLine(const QString& channel, const QString& text) {
    if (events_.roomLine) {
        events_.roomLine(channel, text);
    }
}

void Session::sendProtocol(const QString& line) {
    queue_.pushProtocol(line.toUtf8());
}

}  // namespace ruz::irc
