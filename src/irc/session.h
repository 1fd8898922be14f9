#pragma once

#include "irc/link.h"
#include "irc/message.h"
#include "irc/send_queue.h"
#include "platform/timer_host.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace ruz::irc {

struct Settings {
    Endpoint endpoint;
    QString password;  // "" for none
    QString nick;
    QString user;      // "" for the nick
    QString realName;  // "" for the nick
    QStringList channels;
    SendPolicy policy;
};

// What the connection tells the rooms. A channel is named as configured (case and all).
struct Events {
    // A member's line in a channel (an ACTION as "* TEXT"), formatting removed.
    std::function<void(const QString& channel, const QString& nick, const QString& text)>
        memberLine;
    // A line of the room itself: joins, parts, quits, kicks, nick changes, the topic, and what
    // happened to the connection. An empty channel means every room.
    std::function<void(const QString& channel, const QString& text)> roomLine;
    // The nickname the server accepted (at registration and at every change of it).
    std::function<void(const QString& nick)> nickAccepted;
};

// An IRC client connection: registration (PASS, NICK, USER), PING and PONG, a timeout of its own,
// JOIN of the configured channels, PRIVMSG, NAMES, NICK, KICK, PART, QUIT and TOPIC. A nickname in
// use gets "_" appended until one is free; while the program goes under another nick than the
// configured one, it asks for the configured one again as soon as that is free (its holder quits
// or changes nick, or ISON finds it unused). When the link is lost it connects again after 1 s,
// then after twice the previous delay up to 60 s, joins the channels again and sends what waited.
// A server whose certificate fails verification is not tried again until start() is called anew.
// Everything runs on the TimerHost's thread.
class Session {
  public:
    static constexpr int kFirstRetryDelayMs = 1000;
    static constexpr int kMaxRetryDelayMs = 60000;
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
    static constexpr qsizetype kMaxMembers = 20000;
    static constexpr int kMaxNickAttempts = 20;
    // How often the program asks (ISON) whether its configured nick is free while it goes under
    // another one.
    static constexpr int kNickRegainCheckMs = 30000;

    Session(TimerHost& timers, Link& link, Settings settings, Events events);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Connects; after a stop or a refused certificate, connects afresh.
    void start();
    // QUIT and close; no reconnect afterwards.
    void stop(const QString& reason);

    // Says `text` in `channel`, split into as many lines as the protocol needs; CR, LF and NUL
    // become blanks. Waits while the link is down. False when the send queue was full.
    bool say(const QString& channel, const QString& text);

    const QString& nick() const { return nick_; }
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
    void onReceived(const QByteArray& bytes);
    void onClosed(const QString& reason);
    void onUntrusted(const QString& reason);
    void lose(const QString& reason);
    // Closes the link and forgets what belonged to it; `next` is set before the link closes.
    void dropLink(State next);
    void watchdog();
    void retry();

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
    QString ourChannel(const QString& name) const;
    bool isMe(const QString& nick) const;
    bool isWanted(const QString& nick) const;
    void roomLine(const QString& channel, const QString& text);
    void sendProtocol(const QString& line);

    TimerHost& timers_;
    Link& link_;
    Settings settings_;
    Events events_;
    SendQueue queue_;
    State state_ = State::Idle;
    QString nick_;
    int nickAttempts_ = 0;
    bool regainAsked_ = false;    // a NICK for the configured nick awaits its answer
    bool regainRefused_ = false;  // the server refuses the configured nick as a nickname
    std::int64_t lastRegainCheck_ = 0;
    QByteArray pending_;
    TimerHost::TimerId watchdogTimer_;
    TimerHost::TimerId retryTimer_;
    std::int64_t stateSince_ = 0;
    std::int64_t lastReceived_ = 0;
    bool pingSent_ = false;
    int retryDelayMs_ = kFirstRetryDelayMs;
    QHash<QString, QSet<QString>> members_;  // folded channel → folded nicks
    QHash<QString, QStringList> names_;      // folded channel → names of a NAMES reply so far
};

}  // namespace ruz::irc
