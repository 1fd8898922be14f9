#include "harness.h"

#include "irc/message.h"
#include "qt/qt_text.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <malloc.h>
#include <unistd.h>

#include <fstream>

namespace ruz::irc::testing {

namespace {
// One slice of waiting for socket events.
constexpr int kSliceMs = 5;
}  // namespace

bool pumpUntil(scenario::World* world, const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    qint64 advanced = 0;
    while (!done()) {
        if (clock.elapsed() >= timeoutMs) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(kSliceMs, &loop, &QEventLoop::quit);
        loop.exec();
        if (world != nullptr) {
            const qint64 now = clock.elapsed();
            world->wait(now - advanced);
            advanced = now;
        }
    }
    return true;
}

Member::Member(quint16 port, QString nick, QString channel)
    : nick_(std::move(nick)), channel_(std::move(channel)) {
    clock_.start();
    QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { read(); });
    socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
}

bool Member::join(scenario::World* world, int timeoutMs) {
    if (!pumpUntil(
            world, [this] { return connected(); }, timeoutMs)) {
        return false;
    }
    sendRaw(QStringLiteral("NICK %1").arg(nick_).toUtf8());
    sendRaw(QStringLiteral("USER %1 0 * :%1").arg(nick_).toUtf8());
    sendRaw(QStringLiteral("JOIN %1").arg(channel_).toUtf8());
    return pumpUntil(
        world, [this] { return joined_; }, timeoutMs);
}

void Member::say(const QString& text) {
    sendRaw(QStringLiteral("PRIVMSG %1 :%2").arg(channel_, text).toUtf8());
}

void Member::sendRaw(const QByteArray& line) {
    socket_.write(line + "\r\n");
}

QStringList Member::textsFrom(const QString& nick) const {
    QStringList texts;
    for (const Line& line : lines_) {
        if (line.command == u"PRIVMSG" && line.nick == nick) {
            texts.append(line.text);
        }
    }
    return texts;
}

void Member::read() {
    pending_ += socket_.readAll();
    qsizetype end = 0;
    while ((end = pending_.indexOf('\n')) >= 0) {
        QByteArray raw = pending_.left(end);
        pending_.remove(0, end + 1);
        if (raw.endsWith('\r')) {
            raw.chop(1);
        }
        const std::optional<Message> m = parseLine(std::string_view(raw.constData(), raw.size()));
        if (!m) {
            continue;
        }
        if (m->command == "PING") {
            sendRaw("PONG :" + QByteArray::fromStdString(m->param(0)));
        }
        if (m->command == "366") {
            joined_ = true;
        }
        lines_.append({QString::fromStdString(m->nick), QString::fromStdString(m->command),
                       QString::fromStdString(m->param(0)), QString::fromStdString(m->param(1)),
                       clock_.elapsed()});
    }
}

Program::Program(Settings settings) {
    signOnAgain(std::move(settings));
}

void Program::signOnAgain(Settings settings) {
    if (rooms) {
        rooms->session().stop("Taviks Ruz");
        rooms.reset();
    }
    rooms = std::make_unique<Rooms>(world.standin, world.model, world.host, ircLink,
                                    std::move(settings));
    rooms->setNickListener([this] {
        if (FrmAmp* app = world.app()) {
            app->screenNameChanged();
        }
    });
    rooms->setGreetListener([this] {
        if (FrmAmp* app = world.app()) {
            app->greetNewRoom();
        }
    });
    if (FrmAmp* app = world.app()) {
        app->screenNameChanged();
    }
}

Program::~Program() {
    rooms.reset();
}

bool Program::addSong(const QString& name, const QString& fixture) {
    const QString folder = toQString(world.absolute(u"music"));
    QDir().mkpath(folder);
    return QFile::copy(QStringLiteral(RUZ_FIXTURES_DIR "/") + fixture, folder + u'/' + name);
}

bool Program::start(int timeoutMs, bool loadSongs) {
    rooms->start();
    if (!pumpUntil(
            &world, [this] { return rooms->session().registered(); }, timeoutMs)) {
        return false;
    }
    world.dialogs.queueYesNo(true);
    world.start();
    world.app()->onEnded = [this] { rooms->leave([this] { left = true; }); };
    if (loadSongs) {
        world.app()->ExplorerTree1.userPick(world.absolute(u"music"));
    }
    return true;
}

void Program::type(const QString& text) {
    world.standin.typeInput(text.toStdString());
    world.standin.pressSend();
}

int Program::roomLinesWith(const QString& part) const {
    const QString transcript = QString::fromStdString(world.standin.transcriptUtf8());
    int count = 0;
    for (const QString& line : transcript.split(QStringLiteral("<BR>"))) {
        if (line.contains(QStringLiteral("<I>")) && line.contains(part)) {
            ++count;
        }
    }
    return count;
}

long residentKiB() {
    malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace ruz::irc::testing
