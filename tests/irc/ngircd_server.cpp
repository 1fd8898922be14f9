#include "ngircd_server.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace ruz::irc::testing {

namespace {

constexpr int kPollMs = 20;
constexpr int kConnectProbeMs = 200;
constexpr int kStopTimeoutMs = 5000;

bool listening(quint16 port) {
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), port);
    return probe.waitForConnected(kConnectProbeMs);
}

}  // namespace

quint16 freePort() {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        return 0;
    }
    return server.serverPort();
}

NgircdServer::NgircdServer() = default;

NgircdServer::~NgircdServer() {
    stop();
}

QString NgircdServer::prepare() {
    if (prepared_) {
        return {};
    }
    if (!dir_.isValid()) {
        return QStringLiteral("no scratch folder");
    }
    QProcess openssl;
    openssl.start(
        QStringLiteral("openssl"),
        {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
         "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
         "-keyout", dir_.filePath("key.pem"), "-out", certificate()});
    if (!openssl.waitForFinished(kStartTimeoutMs) || openssl.exitCode() != 0) {
        return QStringLiteral("openssl could not make a certificate: ") +
               QString::fromLocal8Bit(openssl.readAllStandardError());
    }
    port_ = freePort();
    tlsPort_ = freePort();
    while (tlsPort_ == port_) {
        tlsPort_ = freePort();
    }
    QFile config(dir_.filePath("ngircd.conf"));
    if (!config.open(QIODevice::WriteOnly)) {
        return QStringLiteral("cannot write the configuration");
    }
    config.write(QStringLiteral("[Global]\n"
                                "Name = irc.test\n"
                                "Info = Taviks Ruz test server\n"
                                "AdminInfo1 = tests\nAdminInfo2 = tests\nAdminEMail = none\n"
                                "Listen = 127.0.0.1\n"
                                "Ports = %1\n"
                                "MotdPhrase = test\n"
                                "PidFile = %2\n"
                                "[Limits]\n"
                                "MaxNickLength = 30\n"
                                "[Options]\n"
                                "PAM = no\nIdent = no\nDNS = no\n"
                                "[SSL]\n"
                                "CertFile = %3\n"
                                "KeyFile = %4\n"
                                "Ports = %5\n")
                     .arg(port_)
                     .arg(dir_.filePath("ngircd.pid"), certificate(), dir_.filePath("key.pem"))
                     .arg(tlsPort_)
                     .toUtf8());
    config.close();
    prepared_ = true;
    return {};
}

QString NgircdServer::start() {
    if (const QString problem = prepare(); !problem.isEmpty()) {
        return problem;
    }
    QString program = QStandardPaths::findExecutable(QStringLiteral("ngircd"));
    if (program.isEmpty()) {
        program = QStandardPaths::findExecutable(QStringLiteral("ngircd"),
                                                 {"/usr/sbin", "/usr/local/sbin"});
    }
    if (program.isEmpty()) {
        return QStringLiteral("ngircd is not installed (scripts/install-deps.sh installs it)");
    }
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->start(program, {"--nodaemon", "--config", dir_.filePath("ngircd.conf")});
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kStartTimeoutMs) {
        if (process_->state() == QProcess::NotRunning) {
            return QStringLiteral("ngircd ended: ") + QString::fromLocal8Bit(process_->readAll());
        }
        if (listening(port_) && listening(tlsPort_)) {
            return {};
        }
        QThread::msleep(kPollMs);
    }
    return QStringLiteral("ngircd does not listen");
}

LinkProxy::LinkProxy(quint16 serverPort) : serverPort_(serverPort) {
    QObject::connect(&listener_, &QTcpServer::newConnection, [this] { accept(); });
    listener_.listen(QHostAddress::LocalHost, 0);
}

LinkProxy::~LinkProxy() {
    // Nothing of a link reacts while the links go.
    for (const std::unique_ptr<Link>& link : links_) {
        link->program->disconnect();
        link->server.disconnect();
    }
}

void LinkProxy::accept() {
    while (QTcpSocket* incoming = listener_.nextPendingConnection()) {
        auto link = std::make_unique<Link>();
        Link* l = link.get();
        l->program.reset(incoming);
        QObject::connect(l->program.get(), &QTcpSocket::readyRead, [this, l] {
            l->waiting += l->program->readAll();
            pass(*l);
        });
        QObject::connect(&l->server, &QTcpSocket::connected, [this, l] { pass(*l); });
        QObject::connect(&l->server, &QTcpSocket::readyRead, [l] {
            const QByteArray bytes = l->server.readAll();
            if (!l->cut) {
                l->program->write(bytes);
            }
        });
        QObject::connect(l->program.get(), &QTcpSocket::disconnected, [l] {
            if (!l->cut) {
                l->server.disconnectFromHost();
            }
        });
        QObject::connect(&l->server, &QTcpSocket::disconnected, [l] {
            if (!l->cut) {
                l->program->disconnectFromHost();
            }
        });
        l->server.connectToHost(QStringLiteral("127.0.0.1"), serverPort_);
        links_.push_back(std::move(link));
    }
}

void LinkProxy::pass(Link& link) {
    if (link.cut) {
        link.waiting.clear();
        return;
    }
    if (holding_ || link.server.state() != QAbstractSocket::ConnectedState) {
        return;
    }
    link.server.write(link.waiting);
    link.waiting.clear();
}

void LinkProxy::cutProgramSide() {
    for (const std::unique_ptr<Link>& link : links_) {
        link->cut = true;
        link->waiting.clear();
    }
}

void LinkProxy::holdProgramLines(bool hold) {
    holding_ = hold;
    for (const std::unique_ptr<Link>& link : links_) {
        pass(*link);
    }
}

void LinkProxy::closeGhosts() {
    for (const std::unique_ptr<Link>& link : links_) {
        if (link->cut) {
            link->server.abort();
        }
    }
}

void NgircdServer::stop() {
    if (!process_) {
        return;
    }
    process_->terminate();
    if (!process_->waitForFinished(kStopTimeoutMs)) {
        process_->kill();
        process_->waitForFinished(kStopTimeoutMs);
    }
    process_.reset();
}

}  // namespace ruz::irc::testing
