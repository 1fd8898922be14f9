#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

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

}  // namespace ruz::irc::testing
