#pragma once

#include "irc/link.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

namespace ruz::irc::testing {

// The other end of the connection, played by the test: what the client wrote, and the server's
// side of opening, sending and closing.
class FakeLink final : public Link {
  public:
    void setListener(Listener listener) override { listener_ = std::move(listener); }
    void open(const Endpoint& endpoint) override {
        ++opens;
        lastEndpoint = endpoint;
        isOpen = true;
    }
    void write(const QByteArray& bytes) override {
        if (isOpen) {
            written += bytes;
        }
    }
    void close() override {
        const bool wasOpen = std::exchange(isOpen, false);
        // As a socket does that reports its disconnection while it disconnects.
        if (wasOpen && reportsCloseAtOnce && listener_.closed) {
            listener_.closed(QStringLiteral("the server closed the connection"));
        }
    }

    // The server accepts (and, for TLS, the handshake succeeds).
    void accept() {
        if (listener_.connected) {
            listener_.connected();
        }
    }
    void serverSends(const QByteArray& bytes) {
        if (isOpen && listener_.received) {
            listener_.received(bytes);
        }
    }
    void serverCloses(const QString& reason) {
        isOpen = false;
        if (listener_.closed) {
            listener_.closed(reason);
        }
    }
    // The server's certificate fails verification during the handshake.
    void certificateFails(const QString& reason) {
        isOpen = false;
        if (listener_.untrusted) {
            listener_.untrusted(reason);
        }
    }
    // The lines written so far, without CR LF; forgets them.
    QList<QByteArray> takeLines() {
        QList<QByteArray> lines = written.split('\n');
        lines.removeLast();  // after the last line feed
        for (QByteArray& line : lines) {
            line.chop(1);  // the CR
        }
        written.clear();
        return lines;
    }

    int opens = 0;
    bool reportsCloseAtOnce = false;
    bool isOpen = false;
    Endpoint lastEndpoint;
    QByteArray written;

  private:
    Listener listener_;
};

}  // namespace ruz::irc::testing
