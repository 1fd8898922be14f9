#pragma once

#include "irc/link.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
    void write(std::string_view bytes) override {
        if (isOpen) {
            written += bytes;
        }
    }
    void close() override {
        const bool wasOpen = std::exchange(isOpen, false);
        // As a socket does that reports its disconnection while it disconnects.
        if (wasOpen && reportsCloseAtOnce && listener_.closed) {
            listener_.closed("the server closed the connection");
        }
    }

    // TLS: the server accepts the connection, and the handshake begins.
    void handshakeBegins() {
        if (listener_.handshaking) {
            listener_.handshaking();
        }
    }
    // The server accepts (and, for TLS, the handshake succeeds).
    void accept() {
        if (listener_.connected) {
            listener_.connected();
        }
    }
    void serverSends(std::string_view bytes) {
        if (isOpen && listener_.received) {
            listener_.received(bytes);
        }
    }
    void serverCloses(const std::string& reason) {
        isOpen = false;
        if (listener_.closed) {
            listener_.closed(reason);
        }
    }
    // The server's certificate fails verification during the handshake.
    void certificateFails(const std::string& reason) {
        isOpen = false;
        if (listener_.untrusted) {
            listener_.untrusted(reason);
        }
    }
    // The lines written so far, without CR LF; forgets them.
    std::vector<std::string> takeLines() {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end = written.find('\n'); end != std::string::npos;
             start = end + 1, end = written.find('\n', start)) {
            // Without the CR before the line feed.
            lines.push_back(written.substr(start, end > start ? end - start - 1 : 0));
        }
        written.clear();
        return lines;
    }

    int opens = 0;
    bool reportsCloseAtOnce = false;
    bool isOpen = false;
    Endpoint lastEndpoint;
    std::string written;

  private:
    Listener listener_;
};

}  // namespace ruz::irc::testing
