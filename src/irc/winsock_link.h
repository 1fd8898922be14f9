#pragma once

// The link on a Winsock socket (Windows only): plain TCP, or TLS through the system's Schannel
// (connected() once the handshake is done and the certificate trusted), non-blocking, driven by
// the thread's message loop. Create it on the user-interface thread: every callback of its
// listener comes there.

#include "irc/link.h"
#include "irc/schannel_tls.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ruz::irc {

class WinsockLink final : public Link {
  public:
    // Bytes taken from the socket at one read.
    static constexpr int kReadChunk = 16384;
    // Bytes handed to the listener at one turn of the message loop; what the socket holds beyond
    // them is read at a later turn, once the messages waiting meanwhile (input, timers, painting)
    // have had theirs.
    static constexpr std::size_t kReadPortion = 4 * kReadChunk;
    // The least wait before that later turn: a timer's, the loop's lowest priority.
    static constexpr UINT kReadPaceMs = USER_TIMER_MINIMUM;

    WinsockLink();
    ~WinsockLink() override;
    WinsockLink(const WinsockLink&) = delete;
    WinsockLink& operator=(const WinsockLink&) = delete;

    void setListener(Listener listener) override { listener_ = std::move(listener); }
    // Resolves the host on a thread of its own (the loop runs on meanwhile), then tries each of
    // its addresses, IPv4 and IPv6, in the order the resolver gives them.
    void open(const Endpoint& endpoint) override;
    // Buffered while connecting, and what the socket does not take now goes when it can.
    void write(std::string_view bytes) override;
    void close() override;

    // Bytes written but not yet taken by the socket.
    std::size_t waitingBytes() const { return outgoing_.size(); }

  private:
    struct Address {
        sockaddr_storage address{};
        int length = 0;
    };
    // What the resolver's thread hands back.
    struct Resolution;

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void onResolved(std::uint64_t generation);
    void onFailedLater(std::uint64_t generation);
    void onSocketEvent(SOCKET socket, int event, int error);
    // Connects to the next address; false when none is left.
    bool tryNextAddress();
    void onConnect(int error);
    // Reads one portion; when the socket may hold more, the next portion waits for a later turn.
    // After FD_CLOSE, reports the end once everything is read.
    void readPortion();
    void readLater();
    // The server's bytes, through the TLS session when there is one.
    void take(std::string_view bytes);
    // Hands the TLS session's step to the listener; false when the stream ended.
    bool takeTlsStep(SchannelTls::Step step);
    void flush();
    // Reports `reason` through closed() after dropping the stream.
    void lose(const std::string& reason);
    // Reports `reason` through closed() from the loop, not from inside open().
    void failLater(std::string reason);
    void closeSocket();
    // Forgets the stream without a callback.
    void drop();
    // Whether the stream of `generation` is still the current one (a callback may have closed it).
    bool current(std::uint64_t generation) const { return generation == generation_; }

    Listener listener_;
    HWND window_ = nullptr;
    bool started_ = false;  // WSAStartup succeeded
    std::uint64_t generation_ = 0;
    Endpoint endpoint_;
    std::vector<Address> addresses_;
    std::size_t nextAddress_ = 0;
    std::string lastError_;
    SOCKET socket_ = INVALID_SOCKET;
    bool connected_ = false;
    std::string outgoing_;  // bytes as they go on the wire
    std::unique_ptr<SchannelTls> tls_;
    std::string plainWaiting_;  // written before the TLS handshake was done
    std::string failure_;
    bool readPaced_ = false;  // the next portion waits for the read timer
    bool closing_ = false;    // FD_CLOSE came: the end is reported once everything is read
    int closeError_ = 0;
    std::shared_ptr<Resolution> resolution_;
};

}  // namespace ruz::irc
