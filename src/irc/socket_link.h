#pragma once

#include "irc/link.h"

#include <QObject>

#include <cstdint>
#include <memory>

class QSslSocket;

namespace ruz::irc {

// The link on a QSslSocket: plain TCP, or TLS verified against the system's certificates and
// those of the endpoint's CA file. The one part of the connection on Qt: it converts at its edge.
// Reads a bounded portion per turn of the event loop, and holds no more than a bounded buffer
// of what the server sent: a server that floods the program waits for it, and the program's
// timers and windows go on meanwhile.
class SocketLink final : public QObject, public Link {
  public:
    // Bytes handed to the listener at one turn of the event loop.
    static constexpr qint64 kReadPortion = 16384;
    // Bytes the socket takes from the system ahead of the listener.
    static constexpr qint64 kReadBuffer = 4 * kReadPortion;

    SocketLink();
    ~SocketLink() override;

    void setListener(Listener listener) override { listener_ = std::move(listener); }
    void open(const Endpoint& endpoint) override;
    void write(std::string_view bytes) override;
    void close() override;

  private:
    void drop();
    // Hands one portion of what the socket holds to the listener; the rest follows at the next
    // turn of the event loop.
    void readPortion();

    Listener listener_;
    std::unique_ptr<QSslSocket> socket_;
    bool portionDue_ = false;       // a read of the next portion is on its way
    std::uint64_t generation_ = 0;  // counts the sockets dropped: a late read finds it moved on
};

}  // namespace ruz::irc
