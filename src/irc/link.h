#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace ruz::irc {

// Where the connection's bytes go: a TCP or TLS socket on the desktop, a scripted peer in tests.
struct Endpoint {
    QString host;
    quint16 port = 0;
    bool tls = false;
    QString caFile;  // certificates to trust besides the system's; "" for the system's only
};

class Link {
  public:
    struct Listener {
        std::function<void()> connected;                  // the stream is up (after the handshake)
        std::function<void(const QByteArray&)> received;  // bytes, in any portions
        std::function<void(const QString& reason)> closed;  // lost or refused, not after close()
        // The server's certificate failed verification; the stream is closed.
        std::function<void(const QString& reason)> untrusted;
    };

    virtual ~Link() = default;
    virtual void setListener(Listener listener) = 0;
    // Opens a stream to `endpoint`, dropping any previous one without a callback.
    virtual void open(const Endpoint& endpoint) = 0;
    virtual void write(const QByteArray& bytes) = 0;
    // Closes the stream; no callback of it comes afterwards.
    virtual void close() = 0;
};

}  // namespace ruz::irc
