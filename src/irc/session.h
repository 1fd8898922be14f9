#pragma once

#include "irc/link.h"
#include "irc/message.h"
#include "irc/send_queue.h"
#include "platform/timer_host.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace ruz::irc {

// Texts in UTF-8.
struct Settings {
    Endpoint endpoint;
    std::string password;  // "" for none
    std::string nick;
    std::string user;      // "" for the nick
    std::string realName;  // "" for the nick
    std::vector<std::string> channels;
    SendPolicy policy;
};

// What the connection tells the rooms, in UTF-8. A channel is named as configured (case and all).
struct Events {
    // A member's line in a channel (an ACTION as "* TEXT"), formatting removed.
    std::function<void(const std::string& channel, const std::string& nick,
                       const std::string& text)>
        memberLine;
    // A line of the room itself: joins, parts, quits, kicks, nick changes, the topic, and what
    // happened to the connection. An empty channel means every room.
    std::function<void(const std::string& channel, const std::string& text)> roomLine;
    // The nickname the server accepted (at registration and at every change of it).
    std::function<void(const std::string& nick)> nickAccepted;
    // The server took the program into a channel (its own JOIN came back).
    std::function<void(const std::string& channel)> joined;
    // The connection's state changed; status() says it in words.
    std::function<void()> statusChanged;
};

// Where the program stands in a channel: what becomes of a line said there now.
enum class ChannelState {
    Waiting,  // not signed on yet, or signing on again: the line waits for the link
    Down,     // not connected and not trying: the line cannot be sent
    Joining,  // signed on, the JOIN not answered yet: the line follows the JOIN
    Joined,
    Out,  // signed on but not in the channel (parted, kicked or refused): the line is not sent
};

// An IRC client connection: registration (PASS, NICK, USER), PING and PONG, a timeout of its own,
// JOIN of the configured channels, PRIVMSG, NAMES, NICK, KICK, PART, QUIT and TOPIC. A nickname in
// use gets "_" appended until one is free; while the program goes under another nick than the
// configured one, it asks for the configured one again as soon as that is free (its holder quits
// or changes nick, or ISON finds it unused). When the link is lost it connects again after 1 s,
// then after twice the previous delay up to 60 s, joins the channels again and sends what waited;
// the delay starts again from 1 s only once a link has stayed signed on for kStableLinkMs.
// A server whose certificate fails verification, or that does not answer the TLS handshake (a
// plain port), is not tried again until start() is called anew; the chat lines that waited are
// then dropped, and each room says how many. Everything runs on the TimerHost's thread.
class Session {
  public:
    static constexpr int kFirstRetryDelayMs = 1000;
    static constexpr int kMaxRetryDelayMs = 60000;
    // How long a link stays signed on before the next loss counts as a new one: the delay of the
    // attempt after it starts again from kFirstRetryDelayMs. A server that drops every link soon
    // after its welcome is tried ever less often.
    static constexpr int kStableLinkMs = 60000;
    // At the end (quit()): the longest the lines that wait may take to leave at the send pace,
    // and the server to close the link after the QUIT that follows them.
    static constexpr int kQuitDrainMs = 8000;
    // From opening the stream to the server's welcome.
    static constexpr int kRegistrationTimeoutMs = 30000;
    // Silence from the server after which the program asks with a PING, and the further silence
    // after which it gives the link up.
    static constexpr int kQuietBeforePingMs = 90000;
    static constexpr int kPingTimeoutMs = 60000;
    static constexpr int kWatchdogTickMs = 1000;
    // Bytes kept of a line that has not ended yet; a longer one drops the link.
    static constexpr std::size_t kMaxPendingBytes = kMaxReadLine;
    // Members remembered per channel (for quits and nick changes).
    static constexpr std::size_t kMaxMembers = 20000;
    static constexpr int kMaxNickAttempts = 20;
    // How often the program asks (ISON) whether its configured nick is free while it goes under
    // another one.
    static constexpr int kNickRegainCheckMs = 30000;
    // How long a TLS server may take to answer the handshake once the connection is made; one
    // that has not answered by then does not speak TLS there.
    static constexpr int kTlsAnswerTimeoutMs = 10000;

    Session(TimerHost& timers, Link& link, Settings settings, Events events);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Connects; after a stop or a refused certificate, connects afresh.
    void start();
    // QUIT and close at once, dropping the lines that wait; no reconnect afterwards.
    void stop(std::string_view reason);
    // QUIT after the lines that wait (at the send pace), then close once the server has closed
    // the link or kQuitDrainMs has passed (the QUIT leaves then if it has not yet); no reconnect
    // afterwards. `done` is called once the link is closed: at once when not signed on.
    void quit(std::string_view reason, std::function<void()> done);
    // A quit() has not finished yet.
    bool quitting() const { return quitting_; }

    // Says UTF-8 `text` in `channel`, split into as many lines as the protocol needs; CR, LF and
    // NUL become blanks. Waits while the link is down. False when the send queue was full.
    bool say(std::string_view channel, std::string_view text);
    // Joins `channel` (a name as the server expects it) now, and again after every reconnect; a
    // channel already configured is joined again when the program is not in it.
    void join(std::string_view channel);
    ChannelState channelState(std::string_view channel) const;
    // The connection's state for the user: "Connecting to HOST:PORT...", "Online as NICK",
    // "Not connected: WHY...".
    const std::string& status() const { return status_; }

    const std::string& nick() const { return nick_; }
    bool registered() const { return state_ == State::Registered; }
    // Whether the session still connects or is connected: false once stopped or refused.
    bool live() const { return state_ != State::Stopped; }
    const Settings& settings() const { return settings_; }
    // The delay before the next attempt to connect, in ms.
    int retryDelayMs() const { return retryDelayMs_; }

  private:
    enum class State { Idle, Connecting, Registering, Registered, Waiting, Stopped };

    void connectNow();
    void onConnected();
    void onReceived(std::string_view bytes);
    void onClosed(const std::string& reason);
    void onUntrusted(const std::string& reason);
    void onHandshaking();
    // The server does not answer TLS: no more attempts.
    void notTls(const std::string& reason);
    // Gives the connection up until start(): `why` for the status, `roomText` for the rooms; the
    // chat lines that waited are dropped, and each room says how many.
    void giveUp(const std::string& why, const std::string& roomText);
    // Each configured channel with the number of chat lines waiting for it, where there are any.
    std::vector<std::pair<std::string, int>> waitingPerChannel(
        const std::deque<std::string>& lines) const;
    void setStatus(std::string status);
    void lose(const std::string& reason);
    // Closes the link and forgets what belonged to it; `next` is set before the link closes.
    void dropLink(State next);
    void watchdog();
    void retry();
    // The end of a quit(): the QUIT leaves if it has not yet, the link closes, `done` is called.
    void endQuit();

    void handle(const Message& m);
    void onWelcome(const Message& m);
    void onPing(const Message& m);
    void onNickInUse(const Message& m);
    void onNickRefused(const Message& m);
    void onIson(const Message& m);
    // Asks for the configured nick when the program goes under another one.
    void regainNick();
    void onJoin(const Message& m);
    void onPart(const Message& m);
    void onQuit(const Message& m);
    void onKick(const Message& m);
    void onNick(const Message& m);
    void onTopic(const Message& m);
    void onPrivmsg(const Message& m);
    void onNotice(const Message& m);
    void onNames(const Message& m);
    void onNamesEnd(const Message& m);
    void onTopicReply(const Message& m);
    void onError(const Message& m);
    void onErrorNumeric(const Message& m);

    // The configured name of a channel the server names, "" when it is not one of ours.
    std::string ourChannel(std::string_view name) const;
    bool isMe(std::string_view nick) const;
    bool isWanted(std::string_view nick) const;
    void roomLine(const std::string& channel, const std::string& text);
    void sendProtocol(std::string line);

    TimerHost& timers_;
    Link& link_;
    Settings settings_;
    Events events_;
    SendQueue queue_;
    State state_ = State::Idle;
    std::string nick_;
    int nickAttempts_ = 0;
    bool regainAsked_ = false;    // a NICK for the configured nick awaits its answer
    bool regainRefused_ = false;  // the server refuses the configured nick as a nickname
    std::int64_t lastRegainCheck_ = 0;
    std::string pending_;
    TimerHost::TimerId watchdogTimer_;
    TimerHost::TimerId retryTimer_;
    TimerHost::TimerId quitTimer_;
    bool quitting_ = false;
    std::string quitLine_;
    std::function<void()> quitDone_;
    std::int64_t registeredSince_ = 0;
    std::int64_t stateSince_ = 0;
    std::int64_t lastReceived_ = 0;
    bool pingSent_ = false;
    int retryDelayMs_ = kFirstRetryDelayMs;
    bool handshaking_ = false;  // TLS: the connection is made, the handshake not answered yet
    std::int64_t handshakeSince_ = 0;
    std::string status_;
    // Folded names of the configured channels the program is in, and of those it left, was
    // kicked from or refused by the server since the welcome.
    std::unordered_set<std::string> joined_;
    std::unordered_set<std::string> out_;
    // folded channel → folded nicks
    std::unordered_map<std::string, std::unordered_set<std::string>> members_;
    // folded channel → names of a NAMES reply so far
    std::unordered_map<std::string, std::vector<std::string>> names_;
};

}  // namespace ruz::irc
