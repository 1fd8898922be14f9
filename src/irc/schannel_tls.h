#pragma once

// A client TLS session through the system's Schannel (Windows only): bytes in, bytes out, no
// socket of its own, so that any stream can carry it. The server's certificate is checked here,
// not by Schannel: its chain against the system's roots, or against a certificate given in a PEM
// file, and its name against the host.

#include <memory>
#include <string>
#include <string_view>

namespace ruz::irc {

class SchannelTls {
  public:
    // What one portion of the server's bytes gave.
    struct Step {
        std::string toSend;        // handshake bytes for the server, to send as they are
        std::string plain;         // application data, decrypted
        bool established = false;  // the handshake is done and the certificate trusted (this step)
        bool failed = false;       // the session is over: an error, the server's close or a check
        std::string error;         // why it failed (UTF-8); "" when the server closed cleanly
        bool untrusted = false;    // it failed because the server's certificate is not trusted
    };

    // `host`: the name (or address) the certificate must carry, UTF-8. `caFile`: a PEM file with
    // certificates to trust besides the system's roots, "" for those only.
    SchannelTls(std::string host, std::string caFile);
    ~SchannelTls();
    SchannelTls(const SchannelTls&) = delete;
    SchannelTls& operator=(const SchannelTls&) = delete;

    // The first handshake bytes to send. When empty, the session failed at once: see
    // startError().
    std::string start();
    const std::string& startError() const;

    // The server's bytes, in any portions (handshake or application data).
    Step received(std::string_view bytes);

    // The records that carry `plain`, once established; "" before, or after a failure.
    std::string encrypt(std::string_view plain);

    // A close_notify for the server, once established ("" otherwise); the session is over after.
    std::string shutdown();

    bool established() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace ruz::irc
