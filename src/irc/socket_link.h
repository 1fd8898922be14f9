#pragma once

#include "irc/link.h"

#include <QObject>

#include <memory>

class QSslSocket;

namespace ruz::irc {

// The link on a QSslSocket: plain TCP, or TLS verified against the system's certificates and
// those of the endpoint's CA file. The one part of the connection on Qt: it converts at its edge.
class SocketLink final : public QObject, public Link {
  public:
    SocketLink();
    ~SocketLink() override;

    void setListener(Listener listener) override { listener_ = std::move(listener); }
    void open(const Endpoint& endpoint) override;
    void write(std::string_view bytes) override;
    void close() override;

  private:
    void drop();

    Listener listener_;
    std::unique_ptr<QSslSocket> socket_;
};

}  // namespace ruz::irc
