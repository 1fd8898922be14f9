#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace ruz::irc::testing {

// An ngircd on 127.0.0.1 for one test: free ports for plain text and TLS, a configuration and a
// self-signed certificate (openssl) made in a scratch folder, stopped with the object.
class NgircdServer {
  public:
    // Longest wait for the server to listen, or for a certificate to be made.
    static constexpr int kStartTimeoutMs = 10000;

    NgircdServer();
    ~NgircdServer();
    NgircdServer(const NgircdServer&) = delete;
    NgircdServer& operator=(const NgircdServer&) = delete;

    // Makes the configuration and certificate (first time) and starts the server; "" on success,
    // otherwise what went wrong.
    QString start();
    // Stops the server: its connections close.
    void stop();

    quint16 port() const { return port_; }
    quint16 tlsPort() const { return tlsPort_; }
    QString certificate() const { return dir_.filePath(QStringLiteral("cert.pem")); }

  private:
    QString prepare();

    QTemporaryDir dir_;
    quint16 port_ = 0;
    quint16 tlsPort_ = 0;
    bool prepared_ = false;
    std::unique_ptr<QProcess> process_;
};

// A port on 127.0.0.1 that nothing listens on right now.
quint16 freePort();

// A relay on 127.0.0.1 between the program and a server, which can break the program's side of a
// link without the server noticing: a cut link passes nothing either way any more, and its
// server side stays open (the program's ghost stays on the server) until closeGhosts().
class LinkProxy {
  public:
    explicit LinkProxy(quint16 serverPort);
    ~LinkProxy();
    LinkProxy(const LinkProxy&) = delete;
    LinkProxy& operator=(const LinkProxy&) = delete;
    quint16 port() const { return listener_.serverPort(); }
    // Cuts every link open now.
    void cutProgramSide();
    // While held, what the program sends waits in the relay; releasing sends it on.
    void holdProgramLines(bool hold);
    // Closes the server side of the cut links: the server sees its clients leave.
    void closeGhosts();

  private:
    struct Link {
        std::unique_ptr<QTcpSocket> program;
        QTcpSocket server;
        QByteArray waiting;  // from the program, not passed on yet
        bool cut = false;
    };
    void accept();
    void pass(Link& link);

    quint16 serverPort_;
    QTcpServer listener_;
    std::vector<std::unique_ptr<Link>> links_;
    bool holding_ = false;
};

}  // namespace ruz::irc::testing
