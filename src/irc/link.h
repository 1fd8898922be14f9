#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ruz::irc {

// Where the connection's bytes go: a TCP or TLS socket on the desktop, a scripted peer in tests.
struct Endpoint {
    std::string host;  // UTF-8
    std::uint16_t port = 0;
    bool tls = false;
    std::string caFile;  // UTF-8; certificates to trust besides the system's; "" for those only
};

class Link {
  public:
    struct Listener {
        std::function<void()> connected;                 // the stream is up (after the handshake)
        std::function<void(std::string_view)> received;  // bytes, in any portions
        // Lost or refused, not after close(); the reason in UTF-8.
        std::function<void(const std::string& reason)> closed;
        // The server's certificate failed verification; the stream is closed.
        std::function<void(const std::string& reason)> untrusted;
        // TLS only: the connection is made and the TLS handshake begins; connected() follows once
        // the server has answered it.
        std::function<void()> handshaking;
    };

    virtual ~Link() = default;
    virtual void setListener(Listener listener) = 0;
    // Opens a stream to `endpoint`, dropping any previous one without a callback.
    virtual void open(const Endpoint& endpoint) = 0;
    virtual void write(std::string_view bytes) = 0;
    // Closes the stream; no callback of it comes afterwards.
    virtual void close() = 0;
};

}  // namespace ruz::irc
