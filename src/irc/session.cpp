#include "irc/session.h"

#include "text/text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

namespace ruz::irc {

namespace {

// What a relayed line's prefix (":nick!user@host ") may take at most, beyond the nick: the
// protocol's longest user name and host name.
constexpr std::size_t kUserReserve = 10;
constexpr std::size_t kHostReserve = 63;
// Bytes of text that a PRIVMSG always carries, however long its channel's name.
constexpr std::size_t kMinTextBytes = 64;
constexpr char kLineFeed = '\n';
constexpr std::string_view kPingToken = "ruz";
constexpr std::string_view kDefaultNick = "ruz";
constexpr int kMsPerSecond = 1000;
// The characters that mark a member's status before its name in a NAMES reply.
constexpr std::string_view kStatusMarks = "@+%&~!";
constexpr std::string_view kPrivmsg = "PRIVMSG ";
// The replies that refuse the program a channel it asked to join: no such channel, too many
// channels, full, invite only, banned, a key needed, a bad mask, registration needed.
constexpr std::array<std::string_view, 8> kJoinRefusals = {"403", "405", "471", "473",
                                                           "474", "475", "476", "477"};

using Handler = void (Session::*)(const Message&);

bool isErrorNumeric(std::string_view command) {
    constexpr int kFirstError = 400;
    constexpr int kLastError = 599;
    constexpr std::size_t kDigits = 3;
    int number = 0;
    const char* end = command.data() + command.size();
    const auto [stop, error] = std::from_chars(command.data(), end, number);
    return command.size() == kDigits && error == std::errc() && stop == end &&
           number >= kFirstError && number <= kLastError;
}

// "1 line", "3 lines".
std::string lineCount(int count) {
    return std::to_string(count) + (count == 1 ? " line" : " lines");
}

std::string withReason(const std::string& text, std::string_view reason) {
    const std::string plain = plainText(reason);
    return plain.empty() ? text + '.' : text + " (" + plain + ").";
}

// A word for the protocol: no blank, comma, CR, LF or NUL.
std::string protocolWord(std::string_view text) {
    std::string word = oneLine(std::string(text));
    for (char& c : word) {
        if (c == ' ' || c == ',') {
            c = '_';
        }
    }
    return word;
}

// A text of the stand-in's as valid UTF-8: an invalid sequence becomes U+FFFD, and a leading byte
// order mark is dropped.
std::string validUtf8(std::string_view utf8) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (utf8.starts_with(kByteOrderMark)) {
        utf8.remove_prefix(kByteOrderMark.size());
    }
    return text::toUtf8(utf16Of(utf8));
}

}  // namespace

Session::Session(TimerHost& timers, Link& link, Settings settings, Events events)
    : timers_(timers),
      link_(link),
      settings_(std::move(settings)),
      events_(std::move(events)),
      queue_(timers, settings_.policy, [this](std::string_view line) { link_.write(line); }),
      watchdogTimer_(timers.createTimer([this] { watchdog(); })),
      retryTimer_(timers.createTimer([this] { retry(); })),
      quitTimer_(timers.createTimer([this] { endQuit(); })) {
    settings_.nick = protocolWord(settings_.nick);
    if (settings_.nick.empty()) {
        settings_.nick = kDefaultNick;
    }
    nick_ = settings_.nick;
    link_.setListener(
        {[this] { onConnected(); }, [this](std::string_view bytes) { onReceived(bytes); },
         [this](const std::string& reason) { onClosed(reason); },
         [this](const std::string& reason) { onUntrusted(reason); }, [this] { onHandshaking(); }});
}

Session::~Session() {
    quitDone_ = nullptr;
    link_.setListener({});
    link_.close();
    timers_.destroyTimer(watchdogTimer_);
    timers_.destroyTimer(retryTimer_);
    timers_.destroyTimer(quitTimer_);
}

void Session::start() {
    if (state_ == State::Idle || state_ == State::Stopped) {
        retryDelayMs_ = kFirstRetryDelayMs;
        regainRefused_ = false;
        connectNow();
    }
}

void Session::stop(std::string_view reason) {
    if (quitting_) {
        endQuit();
        return;
    }
    if (state_ == State::Registered) {
        link_.write("QUIT :" + oneLine(validUtf8(reason)) + "\r\n");
    }
    dropLink(State::Stopped);
    setStatus("Signed off");
}

void Session::quit(std::string_view reason, std::function<void()> done) {
    if (quitting_) {
        // Both callers hear of the one end.
        quitDone_ = [first = std::move(quitDone_), then = std::move(done)] {
            if (first) {
                first();
            }
            if (then) {
                then();
            }
        };
        return;
    }
    if (state_ != State::Registered) {
        stop(reason);
        if (done) {
            done();
        }
        return;
    }
    quitting_ = true;
    quitDone_ = std::move(done);
    quitLine_ = "QUIT :" + oneLine(validUtf8(reason));
    timers_.startTimer(quitTimer_, kQuitDrainMs);
    queue_.pushLast(quitLine_);
}

void Session::endQuit() {
    if (!quitting_) {
        return;
    }
    quitting_ = false;
    timers_.stopTimer(quitTimer_);
    if (state_ == State::Registered && queue_.lastWaiting()) {
        link_.write(quitLine_ + "\r\n");  // the time is up: the QUIT goes ahead of what waits
    }
    dropLink(State::Stopped);
    setStatus("Signed off");
    if (const std::function<void()> done = std::exchange(quitDone_, nullptr)) {
        done();
    }
}

void Session::join(std::string_view channel) {
    const std::string name = protocolWord(channel);
    if (name.empty()) {
        return;
    }
    const bool known = !ourChannel(name).empty();
    if (!known) {
        settings_.channels.push_back(name);
    }
    // A channel joined or being joined is asked for once.
    const std::string folded = foldCase(name);
    if (state_ == State::Registered && (!known || out_.contains(folded))) {
        out_.erase(folded);
        sendProtocol("JOIN " + name);
    }
}

ChannelState Session::channelState(std::string_view channel) const {
    if (state_ == State::Stopped) {
        return ChannelState::Down;
    }
    if (state_ != State::Registered) {
        return ChannelState::Waiting;
    }
    const std::string folded = foldCase(channel);
    if (joined_.contains(folded)) {
        return ChannelState::Joined;
    }
    return out_.contains(folded) || ourChannel(channel).empty() ? ChannelState::Out
                                                                : ChannelState::Joining;
}

bool Session::say(std::string_view channel, std::string_view text) {
    const std::string head = "PRIVMSG " + protocolWord(channel) + " :";
    const std::size_t reserve = 1 + nick_.size() + 1 + kUserReserve + 1 + kHostReserve + 1;
    const std::size_t overhead = head.size() + 2 + reserve;
    const std::size_t room =
        overhead + kMinTextBytes < kMaxLineBytes ? kMaxLineBytes - overhead : kMinTextBytes;
    bool all = true;
    for (const std::string& piece : splitUtf8(oneLine(validUtf8(text)), room)) {
        all = queue_.pushChat(head + piece) && all;
    }
    return all;
}

void Session::connectNow() {
    state_ = State::Connecting;
    stateSince_ = timers_.nowMs();
    pending_.clear();
    handshaking_ = false;
    const Endpoint& e = settings_.endpoint;
    const std::string where = e.host + ":" + std::to_string(e.port);
    setStatus("Connecting to " + where + "...");
    roomLine({}, "Connecting to " + where + (e.tls ? " with TLS." : "."));
    timers_.startTimer(watchdogTimer_, kWatchdogTickMs);
    link_.open(e);
}

void Session::onConnected() {
    if (state_ != State::Connecting) {
        return;
    }
    state_ = State::Registering;
    handshaking_ = false;
    stateSince_ = timers_.nowMs();
    lastReceived_ = stateSince_;
    nick_ = settings_.nick;
    nickAttempts_ = 0;
    queue_.setOpen(true, false);
    if (!settings_.password.empty()) {
        sendProtocol("PASS :" + oneLine(settings_.password));
    }
    const std::string user = protocolWord(settings_.user.empty() ? nick_ : settings_.user);
    const std::string real = oneLine(settings_.realName.empty() ? nick_ : settings_.realName);
    sendProtocol("NICK " + nick_);
    sendProtocol("USER " + user + " 0 * :" + real);
}

void Session::onReceived(std::string_view bytes) {
    if (state_ != State::Registering && state_ != State::Registered) {
        return;
    }
    lastReceived_ = timers_.nowMs();
    pingSent_ = false;
    pending_.append(bytes);
    std::size_t start = 0;
    while (state_ == State::Registering || state_ == State::Registered) {
        const std::size_t end = pending_.find(kLineFeed, start);
        if (end == std::string::npos) {
            break;
        }
        std::string_view line = std::string_view(pending_).substr(start, end - start);
        start = end + 1;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        line = line.substr(0, kMaxReadLine);
        if (const std::optional<Message> m = parseLine(line)) {
            handle(*m);
        }
    }
    if (state_ != State::Registering && state_ != State::Registered) {
        return;  // the link went down while handling; its bytes are gone
    }
    pending_.erase(0, start);
    if (pending_.size() > kMaxPendingBytes) {
        lose("the server sent a line of more than " + std::to_string(kMaxPendingBytes) + " bytes");
    }
}

void Session::onClosed(const std::string& reason) {
    if (quitting_) {
        endQuit();  // the server closed after the QUIT, or lost the link while the lines left
        return;
    }
    if (state_ == State::Connecting && handshaking_) {
        notTls(reason);
        return;
    }
    if (state_ == State::Connecting || state_ == State::Registering ||
        state_ == State::Registered) {
        lose(reason);
    }
}

void Session::onUntrusted(const std::string& reason) {
    if (state_ != State::Connecting) {
        return;
    }
    giveUp("the server's certificate is not trusted",
           "The server's certificate is not trusted (" + oneLine(reason) +
               "); no more attempts until you sign on again.");
}

void Session::onHandshaking() {
    if (state_ == State::Connecting) {
        handshaking_ = true;
        handshakeSince_ = timers_.nowMs();
    }
}

void Session::notTls(const std::string& reason) {
    const std::string port = std::to_string(settings_.endpoint.port);
    giveUp("the server did not answer TLS (is " + port + " a plain port?)",
           "The server did not answer TLS (" + oneLine(reason) + "); is " + port +
               " a plain port? No more attempts until you sign on again.");
}

void Session::giveUp(const std::string& why, const std::string& roomText) {
    if (quitting_) {
        endQuit();
        return;
    }
    dropLink(State::Stopped);
    setStatus("Not connected: " + why);
    roomLine({}, roomText);
    for (const auto& [channel, count] : waitingPerChannel(queue_.takeChat())) {
        roomLine(channel,
                 lineCount(count) + " that waited " + (count == 1 ? "was" : "were") + " not sent.");
    }
}

std::vector<std::pair<std::string, int>> Session::waitingPerChannel(
    const std::deque<std::string>& lines) const {
    std::vector<std::pair<std::string, int>> counts;
    for (const std::string& channel : settings_.channels) {
        counts.emplace_back(channel, 0);
    }
    for (const std::string_view line : lines) {
        if (!line.starts_with(kPrivmsg)) {
            continue;
        }
        const std::string_view target =
            line.substr(kPrivmsg.size(), line.find(' ', kPrivmsg.size()) - kPrivmsg.size());
        const std::string channel = ourChannel(target);
        for (auto& [name, count] : counts) {
            count += name == channel ? 1 : 0;
        }
    }
    std::erase_if(counts, [](const auto& entry) { return entry.second == 0; });
    return counts;
}

void Session::setStatus(std::string status) {
    if (status == status_) {
        return;
    }
    status_ = std::move(status);
    if (events_.statusChanged) {
        events_.statusChanged();
    }
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
    joined_.clear();
    out_.clear();
    handshaking_ = false;
    regainAsked_ = false;
    timers_.stopTimer(watchdogTimer_);
    timers_.stopTimer(retryTimer_);
}

void Session::lose(const std::string& reason) {
    if (quitting_) {
        endQuit();
        return;
    }
    if (state_ == State::Registered && timers_.nowMs() - registeredSince_ >= kStableLinkMs) {
        retryDelayMs_ = kFirstRetryDelayMs;
    }
    dropLink(State::Waiting);
    const std::string again =
        "connecting again in " + std::to_string(retryDelayMs_ / kMsPerSecond) + " s";
    setStatus("Not connected: " + oneLine(reason) + "; " + again);
    roomLine({}, "The connection is lost (" + oneLine(reason) + "); " + again + ".");
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
    if (state_ == State::Connecting && handshaking_ &&
        now - handshakeSince_ >= kTlsAnswerTimeoutMs) {
        notTls("no answer to the handshake within " +
               std::to_string(kTlsAnswerTimeoutMs / kMsPerSecond) + " s");
        return;
    }
    if (state_ == State::Connecting || state_ == State::Registering) {
        if (now - stateSince_ >= kRegistrationTimeoutMs) {
            lose("no welcome from the server within " +
                 std::to_string(kRegistrationTimeoutMs / kMsPerSecond) + " s");
        }
        return;
    }
    if (state_ != State::Registered) {
        return;
    }
    if (!isMe(settings_.nick) && !regainRefused_ && now - lastRegainCheck_ >= kNickRegainCheckMs) {
        lastRegainCheck_ = now;
        regainAsked_ = false;  // an answer that never came asks no longer
        sendProtocol("ISON " + settings_.nick);
    }
    const std::int64_t quiet = now - lastReceived_;
    if (quiet >= kQuietBeforePingMs + kPingTimeoutMs) {
        lose("the server stopped answering");
    } else if (quiet >= kQuietBeforePingMs && !pingSent_) {
        pingSent_ = true;
        sendProtocol("PING :" + std::string(kPingToken));
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
        if (m.command == route.command) {
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
    constexpr std::string_view kHead = "PONG :";
    const std::vector<std::string> token =
        splitUtf8(oneLine(m.param(0)), kMaxLineBytes - 2 - kHead.size());
    queue_.pushPong(std::string(kHead) + (token.empty() ? std::string() : token.front()));
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
    giveUp("the server refuses the nickname " + displayNick(nick_),
           "The server refuses the nickname " + displayNick(nick_) + ".");
}

void Session::onWelcome(const Message& m) {
    if (state_ != State::Registering) {
        return;
    }
    state_ = State::Registered;
    registeredSince_ = timers_.nowMs();
    lastRegainCheck_ = registeredSince_;
    if (!m.param(0).empty()) {
        nick_ = m.param(0);
    }
    // The name first, so that whoever shows the room line below shows the new name with it.
    if (events_.nickAccepted) {
        events_.nickAccepted(nick_);
    }
    setStatus("Online as " + displayNick(nick_));
    roomLine({}, "Signed on to " + settings_.endpoint.host + " as " + displayNick(nick_) + ".");
    for (const auto& [channel, count] : waitingPerChannel(queue_.chatWaiting())) {
        roomLine(channel, "Sending the " + (count == 1 ? std::string("line") : lineCount(count)) +
                              " that waited.");
    }
    for (const std::string& channel : settings_.channels) {
        sendProtocol("JOIN " + protocolWord(channel));
    }
    queue_.setOpen(true, true);
}

void Session::onIson(const Message& m) {
    // 303 ME :NICKS ONLINE
    const std::string online = m.params.empty() ? std::string() : m.params.back();
    for (const std::string_view nick : words(online, ' ')) {
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
    sendProtocol("NICK " + settings_.nick);
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
        lose("no free nickname after " + std::to_string(kMaxNickAttempts) + " tries");
        return;
    }
    const std::string taken = nick_;
    nick_ += '_';
    roomLine({}, "The nickname " + displayNick(taken) + " is in use; trying " + displayNick(nick_) +
                     ".");
    sendProtocol("NICK " + nick_);
}

void Session::onJoin(const Message& m) {
    const std::string channel = ourChannel(m.param(0));
    if (channel.empty()) {
        return;
    }
    std::unordered_set<std::string>& members = members_[foldCase(channel)];
    if (members.size() < kMaxMembers) {
        members.insert(foldCase(m.nick));
    }
    if (isMe(m.nick)) {
        joined_.insert(foldCase(channel));
        out_.erase(foldCase(channel));
        roomLine(channel, "You have entered the room.");
        if (events_.joined) {
            events_.joined(channel);
        }
    } else {
        roomLine(channel, displayNick(m.nick) + " has entered the room.");
    }
}

void Session::onPart(const Message& m) {
    const std::string channel = ourChannel(m.param(0));
    if (channel.empty()) {
        return;
    }
    members_[foldCase(channel)].erase(foldCase(m.nick));
    if (isMe(m.nick)) {
        joined_.erase(foldCase(channel));
        out_.insert(foldCase(channel));
    }
    const std::string who = isMe(m.nick) ? "You have" : displayNick(m.nick) + " has";
    roomLine(channel, withReason(who + " left the room", m.param(1)));
}

void Session::onQuit(const Message& m) {
    if (isWanted(m.nick) && !isMe(m.nick)) {
        regainNick();
    }
    const std::string who = foldCase(m.nick);
    for (const std::string& channel : settings_.channels) {
        if (members_[foldCase(channel)].erase(who) > 0) {
            roomLine(channel, withReason(displayNick(m.nick) + " has quit", m.param(0)));
        }
    }
}

void Session::onKick(const Message& m) {
    const std::string channel = ourChannel(m.param(0));
    if (channel.empty()) {
        return;
    }
    const std::string target = m.param(1);
    members_[foldCase(channel)].erase(foldCase(target));
    if (isMe(target)) {
        joined_.erase(foldCase(channel));
        out_.insert(foldCase(channel));
    }
    const std::string who = isMe(target) ? "You were" : displayNick(target) + " was";
    roomLine(channel, withReason(who + " kicked by " + displayNick(m.nick), m.param(2)));
}

void Session::onNick(const Message& m) {
    const std::string now = m.param(0);
    if (now.empty()) {
        return;
    }
    const bool me = isMe(m.nick);
    if (me) {
        regainAsked_ = false;
        nick_ = now;
        if (events_.nickAccepted) {
            events_.nickAccepted(nick_);
        }
        setStatus("Online as " + displayNick(nick_));
    }
    if (!me && isWanted(m.nick) && !isWanted(now)) {
        regainNick();
    }
    const std::string before = foldCase(m.nick);
    for (const std::string& channel : settings_.channels) {
        std::unordered_set<std::string>& members = members_[foldCase(channel)];
        if (!me && members.erase(before) == 0) {
            continue;
        }
        members.insert(foldCase(now));
        roomLine(channel, me ? "You are now known as " + displayNick(now) + "."
                             : displayNick(m.nick) + " is now known as " + displayNick(now) + ".");
    }
}

void Session::onTopic(const Message& m) {
    const std::string channel = ourChannel(m.param(0));
    if (!channel.empty()) {
        roomLine(channel, displayNick(m.nick) + " changes the topic to: " + plainText(m.param(1)));
    }
}

void Session::onTopicReply(const Message& m) {
    const std::string channel = ourChannel(m.param(1));
    if (!channel.empty()) {
        roomLine(channel, "The topic is: " + plainText(m.param(2)));
    }
}

void Session::onPrivmsg(const Message& m) {
    const std::string target = m.param(0);
    const std::string text = m.param(1);
    if (isOtherCtcp(text)) {
        return;  // a query to the client, not a line of the room
    }
    const std::optional<std::string> action = actionText(text);
    const std::string shown = action ? "* " + plainText(*action) : plainText(text);
    if (isMe(target)) {
        roomLine({}, displayNick(m.nick) + " whispers: " + shown);
        return;
    }
    const std::string channel = ourChannel(target);
    if (channel.empty()) {
        roomLine({}, "[" + plainText(target) + "] " + displayNick(m.nick) + ": " + shown);
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
    const std::string channel = ourChannel(m.param(0));
    if (!channel.empty()) {
        roomLine(channel, "Notice from " + displayNick(m.nick) + ": " + plainText(m.param(1)));
    }
}

void Session::onNames(const Message& m) {
    // 353 ME SYMBOL CHANNEL :NAMES
    const std::string channel = ourChannel(m.param(2));
    if (channel.empty()) {
        return;
    }
    std::vector<std::string>& names = names_[foldCase(channel)];
    std::unordered_set<std::string>& members = members_[foldCase(channel)];
    const std::string list = m.param(3);
    for (std::string_view name : words(list, ' ')) {
        name.remove_prefix(std::min(name.find_first_not_of(kStatusMarks), name.size()));
        if (members.size() < kMaxMembers) {
            members.insert(foldCase(name));
        }
        if (names.size() < kMaxMembers) {
            names.push_back(displayNick(name));
        }
    }
}

void Session::onNamesEnd(const Message& m) {
    const std::string channel = ourChannel(m.param(1));
    if (channel.empty()) {
        return;
    }
    const auto found = names_.find(foldCase(channel));
    if (found == names_.end()) {
        return;
    }
    const std::vector<std::string> names = std::move(found->second);
    names_.erase(found);
    if (!names.empty()) {
        std::string line = "In the room:";
        for (const std::string& name : names) {
            line += ' ' + name;
        }
        roomLine(channel, line);
    }
}

void Session::onError(const Message& m) {
    roomLine({}, "The server closes the link: " + plainText(m.param(0)));
}

void Session::onErrorNumeric(const Message& m) {
    // NUMERIC ME [SUBJECT...] :TEXT
    const std::string channel = ourChannel(m.param(1));
    if (!channel.empty() &&
        std::find(kJoinRefusals.begin(), kJoinRefusals.end(), m.command) != kJoinRefusals.end()) {
        out_.insert(foldCase(channel));
    }
    const std::string subject = m.params.size() > 2 ? plainText(m.param(1)) + ": " : std::string();
    const std::string text = m.params.empty() ? std::string() : m.params.back();
    roomLine(channel, "The server says: " + subject + plainText(text));
}

std::string Session::ourChannel(std::string_view name) const {
    const std::string folded = foldCase(name);
    for (const std::string& channel : settings_.channels) {
        if (foldCase(channel) == folded) {
            return channel;
        }
    }
    return {};
}

bool Session::isMe(std::string_view nick) const {
    return foldCase(nick) == foldCase(nick_);
}

bool Session::isWanted(std::string_view nick) const {
    return foldCase(nick) == foldCase(settings_.nick);
}

void Session::roomLine(const std::string& channel, const std::string& text) {
    if (events_.roomLine) {
        events_.roomLine(channel, text);
    }
}

void Session::sendProtocol(std::string line) {
    queue_.pushProtocol(std::move(line));
}

}  // namespace ruz::irc
