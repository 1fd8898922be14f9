#include "ui/command_line.h"

#include <QFile>
#include <QSslCertificate>

#include <algorithm>
#include <array>

namespace ruz::ui {

namespace {

constexpr QStringView kChannelPrefixes = u"#&+!";
constexpr QStringView kNeverInChannel = u" ,\u0007";
constexpr QStringView kNeverInNick = u" ,:!@*?";
constexpr QStringView kNeverFirstInNick = u"-#&+0123456789";

bool hasControl(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            return true;
        }
    }
    return false;
}

// HOST, HOST:PORT, [ADDRESS] or [ADDRESS]:PORT.
bool parseServer(const QString& text, bool tls, irc::Endpoint& endpoint) {
    QString host = text;
    QString port;
    if (host.startsWith(u'[')) {
        const qsizetype close = host.indexOf(u']');
        if (close < 0) {
            return false;
        }
        const QString rest = host.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':')) {
            return false;
        }
        port = rest.mid(1);
        host = host.mid(1, close - 1);
    } else if (host.count(u':') == 1) {
        port = host.section(u':', 1);
        host = host.section(u':', 0, 0);
    }
    if (host.isEmpty() || hasControl(host) || host.contains(u' ')) {
        return false;
    }
    endpoint.host = host.toStdString();
    endpoint.port = tls ? kTlsPort : kPlainPort;
    if (!port.isEmpty()) {
        bool ok = false;
        const uint number = port.toUInt(&ok);
        if (!ok || number == 0 || number > 0xFFFF) {
            return false;
        }
        endpoint.port = static_cast<quint16>(number);
    }
    return true;
}

// Why the certificates of `path` cannot be trusted; "" when they can.
QString certificateFileProblem(const QString& path, bool tls) {
    if (!tls) {
        return QStringLiteral("--tls-ca needs --tls");
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("cannot read the certificate file ") + path;
    }
    file.close();
    if (QSslCertificate::fromPath(path, QSsl::Pem).isEmpty()) {
        return QStringLiteral("no PEM certificate in ") + path;
    }
    return {};
}

}  // namespace

QString channelName(const QString& name) {
    if (name.isEmpty() || hasControl(name)) {
        return {};
    }
    for (const QChar c : name) {
        if (kNeverInChannel.contains(c)) {
            return {};
        }
    }
    if (kChannelPrefixes.contains(name.front())) {
        return name.size() > 1 ? name : QString();
    }
    return u'#' + name;
}

bool validNick(const QString& nick) {
    if (nick.isEmpty() || hasControl(nick) || kNeverFirstInNick.contains(nick.front())) {
        return false;
    }
    for (const QChar c : nick) {
        if (kNeverInNick.contains(c)) {
            return false;
        }
    }
    return true;
}

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine line;
    QString server;
    QString nick;
    QString passwordFile;
    QString caFile;
    QStringList channels;
    bool tls = false;
    bool ircAsked = false;

    // The options that take a value, and where it goes.
    struct Valued {
        const char* name;
        QString* single;
        QStringList* repeated;
    };
    const std::array<Valued, 5> valued = {{{"--irc", &server, nullptr},
                                           {"--nick", &nick, nullptr},
                                           {"--channel", nullptr, &channels},
                                           {"--tls-ca", &caFile, nullptr},
                                           {"--password-file", &passwordFile, nullptr}}};
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == u"--tls") {
            tls = true;
            continue;
        }
        bool known = false;
        for (const Valued& option : valued) {
            if (argument != QLatin1String(option.name)) {
                continue;
            }
            known = true;
            if (i + 1 >= arguments.size()) {
                line.error = argument + QStringLiteral(" needs a value");
                return line;
            }
            const QString& value = arguments.at(++i);
            if (option.single != nullptr) {
                *option.single = value;
            } else {
                option.repeated->append(value);
            }
            ircAsked = true;
        }
        if (known) {
            continue;
        }
        if (argument.startsWith(u'-')) {
            line.error = QStringLiteral("unknown option ") + argument;
            return line;
        }
        if (!line.folder.isEmpty()) {
            line.error = QStringLiteral("one folder only");
            return line;
        }
        line.folder = argument;
    }
    if (!ircAsked && !tls) {
        return line;
    }
    if (server.isEmpty() || nick.isEmpty() || channels.isEmpty()) {
        line.error = QStringLiteral("--irc needs a server, --nick and at least one --channel");
        return line;
    }
    irc::Settings settings;
    if (!parseServer(server, tls, settings.endpoint)) {
        line.error = QStringLiteral("not a server: ") + server;
        return line;
    }
    settings.endpoint.tls = tls;
    if (!caFile.isEmpty()) {
        line.error = certificateFileProblem(caFile, tls);
        if (!line.error.isEmpty()) {
            return line;
        }
    }
    settings.endpoint.caFile = caFile.toStdString();
    if (!validNick(nick)) {
        line.error = QStringLiteral("not a nickname: ") + nick;
        return line;
    }
    settings.nick = nick.toStdString();
    for (const QString& channel : channels) {
        const QString name = channelName(channel);
        if (name.isEmpty()) {
            line.error = QStringLiteral("not a channel: ") + channel;
            return line;
        }
        if (std::find(settings.channels.begin(), settings.channels.end(), name.toStdString()) ==
            settings.channels.end()) {
            settings.channels.push_back(name.toStdString());
        }
    }
    if (!passwordFile.isEmpty()) {
        QFile file(passwordFile);
        if (!file.open(QIODevice::ReadOnly)) {
            line.error = QStringLiteral("cannot read the password file ") + passwordFile;
            return line;
        }
        constexpr qint64 kMaxPasswordBytes = 4096;
        settings.password = QString::fromUtf8(file.read(kMaxPasswordBytes))
                                .section(u'\n', 0, 0)
                                .remove(u'\r')
                                .toStdString();
    }
    line.irc = settings;
    return line;
}

}  // namespace ruz::ui
