#pragma once

#include "irc/rooms.h"
#include "irc/socket_link.h"
#include "scenario/world.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QTcpSocket>

#include <functional>
#include <memory>

namespace ruz::irc::testing {

// Lets real sockets work and virtual time follow the wall clock, until `done` or `timeoutMs` of
// wall-clock time; true when `done`.
bool pumpUntil(scenario::World* world, const std::function<bool()>& done, int timeoutMs);

// The resident memory of this process, in KiB, what it freed given back first.
long residentKiB();

// Another member of the room: a bare IRC client on a plain socket.
class Member {
  public:
    struct Line {
        QString nick;
        QString command;
        QString target;
        QString text;
        qint64 atMs;  // wall clock, from the member's creation
    };

    Member(quint16 port, QString nick, QString channel);
    // Connects, registers and joins; false when that takes longer than `timeoutMs`.
    bool join(scenario::World* world, int timeoutMs);
    void say(const QString& text);
    void sendRaw(const QByteArray& line);
    const QList<Line>& lines() const { return lines_; }
    // The texts of the PRIVMSG lines from `nick` so far.
    QStringList textsFrom(const QString& nick) const;
    bool connected() const { return socket_.state() == QAbstractSocket::ConnectedState; }
    qint64 nowMs() const { return clock_.elapsed(); }

  private:
    void read();

    QTcpSocket socket_;
    QString nick_;
    QString channel_;
    QByteArray pending_;
    QList<Line> lines_;
    bool joined_ = false;
    QElapsedTimer clock_;
};

// The whole program (on virtual time that follows the wall clock) with its rooms on an IRC server.
class Program {
  public:
    explicit Program(Settings settings);
    ~Program();

    // Leaves the network and signs on to another, as the desktop does: the new rooms follow the
    // nick and greet the room in front once the program is in its channel.
    void signOnAgain(Settings settings);

    // Copies the fixture `fixture` to the music folder as `name`.
    bool addSong(const QString& name, const QString& fixture);
    // Connects, waits for the welcome (at most `timeoutMs`), starts the program answering its
    // question with Yes, and, with `loadSongs`, loads the music folder. As on the desktop, the
    // program's end leaves the network (Rooms::leave), and `left` is set once the link is closed.
    bool start(int timeoutMs, bool loadSongs = true);
    // The user types `text` into the front room and presses send.
    void type(const QString& text);
    // Lines of the room itself shown in the front room's transcript so far that contain `part`.
    int roomLinesWith(const QString& part) const;

    scenario::World world;
    SocketLink ircLink;
    std::unique_ptr<Rooms> rooms;
    bool left = false;
};

}  // namespace ruz::irc::testing
