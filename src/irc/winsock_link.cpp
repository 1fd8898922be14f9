#include "irc/winsock_link.h"

#include "platform/winsys/own_window.h"
#include "text/text.h"

#include <array>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

namespace ruz::irc {

namespace {

constexpr wchar_t kWindowClass[] = L"TaviksRuzWinsockLink";
// The socket's events (wParam: the socket, lParam: the event and its error).
constexpr UINT kSocketMessage = WM_APP + 1;
// The resolver's thread is done (wParam: the stream's generation).
constexpr UINT kResolvedMessage = WM_APP + 2;
// A failure found inside open(), reported from the loop (wParam: the stream's generation).
constexpr UINT kFailedMessage = WM_APP + 3;
// The timer of the next portion to read.
constexpr UINT_PTR kReadTimer = 1;
constexpr long kSocketEvents = FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE;
constexpr char kServerClosed[] = "the server closed the connection";

// The errors people meet, in words of their own; the system's text for the others.
struct ErrorText {
    int code;
    const char* text;
};
constexpr std::array<ErrorText, 9> kErrorTexts{{
    {WSAECONNREFUSED, "the connection was refused"},
    {WSAETIMEDOUT, "the connection timed out"},
    {WSAECONNRESET, "the connection was reset by the server"},
    {WSAECONNABORTED, "the connection was aborted"},
    {WSAEHOSTUNREACH, "the host is unreachable"},
    {WSAENETUNREACH, "the network is unreachable"},
    {WSAENETDOWN, "the network is down"},
    {WSAHOST_NOT_FOUND, "the host name is unknown"},
    {WSATRY_AGAIN, "the host name could not be resolved now"},
}};

std::string utf8(std::wstring_view text) {
    return text::toUtf8(std::u16string(text.begin(), text.end()));
}

std::wstring wide(std::string_view utf8Text) {
    const std::u16string units = text::fromUtf8(utf8Text);
    return std::wstring(units.begin(), units.end());
}

std::string errorText(int code) {
    for (const ErrorText& known : kErrorTexts) {
        if (known.code == code) {
            return known.text;
        }
    }
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer != nullptr ? std::wstring_view(buffer, length) : std::wstring_view());
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                             text.back() == L'.')) {
        text.pop_back();
    }
    return text.empty() ? "network error " + std::to_string(code) : utf8(text);
}

}  // namespace

struct WinsockLink::Resolution {
    std::mutex lock;
    std::vector<Address> addresses;
    int error = 0;
};

WinsockLink::WinsockLink() {
    WSADATA data{};
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    window_ = winsys::createOwnWindow(kWindowClass, &WinsockLink::windowProc, this);
}

WinsockLink::~WinsockLink() {
    drop();
    // What is still queued for the window goes with it.
    winsys::destroyOwnWindow(window_);
    if (started_) {
        WSACleanup();
    }
}

LRESULT CALLBACK WinsockLink::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* link = winsys::ownerOf<WinsockLink>(window);
    if (link != nullptr) {
        switch (message) {
            case kSocketMessage:
                link->onSocketEvent(static_cast<SOCKET>(wParam), WSAGETSELECTEVENT(lParam),
                                    WSAGETSELECTERROR(lParam));
                return 0;
            case kResolvedMessage:
                link->onResolved(static_cast<std::uint64_t>(wParam));
                return 0;
            case kFailedMessage:
                link->onFailedLater(static_cast<std::uint64_t>(wParam));
                return 0;
            case WM_TIMER:
                if (wParam == kReadTimer) {
                    KillTimer(window, kReadTimer);
                    // A tick of a stream dropped meanwhile reads nothing.
                    if (std::exchange(link->readPaced_, false)) {
                        link->readPortion();
                    }
                    return 0;
                }
                break;
            default:
                break;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void WinsockLink::open(const Endpoint& endpoint) {
    drop();
    endpoint_ = endpoint;
    if (!started_ || window_ == nullptr) {
        failLater("the system's network functions are not available");
        return;
    }
    if (endpoint.host.empty() || endpoint.port == 0) {
        failLater("no server to connect to");
        return;
    }
    // The resolver may take seconds: it runs on a thread of its own, which shares with the link
    // only its result and the window it tells. A stream dropped meanwhile ignores the answer.
    auto resolution = std::make_shared<Resolution>();
    resolution_ = resolution;
    const std::uint64_t generation = generation_;
    const HWND window = window_;
    std::thread([resolution, window, generation, host = wide(endpoint.host),
                 port = std::to_wstring(endpoint.port)] {
        // The thread holds Winsock of its own: the link may end, and with it its hold, first.
        WSADATA data{};
        const bool started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        ADDRINFOW hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        ADDRINFOW* found = nullptr;
        const int error = GetAddrInfoW(host.c_str(), port.c_str(), &hints, &found);
        {
            const std::lock_guard<std::mutex> lock(resolution->lock);
            resolution->error = error;
            for (const ADDRINFOW* a = found; a != nullptr; a = a->ai_next) {
                if (a->ai_addrlen <= sizeof(sockaddr_storage)) {
                    Address address;
                    std::memcpy(&address.address, a->ai_addr, a->ai_addrlen);
                    address.length = static_cast<int>(a->ai_addrlen);
                    resolution->addresses.push_back(address);
                }
            }
        }
        if (found != nullptr) {
            FreeAddrInfoW(found);
        }
        if (started) {
            WSACleanup();
        }
        PostMessageW(window, kResolvedMessage, static_cast<WPARAM>(generation), 0);
    }).detach();
}

void WinsockLink::onResolved(std::uint64_t generation) {
    if (!current(generation) || !resolution_) {
        return;
    }
    int error = 0;
    {
        const std::lock_guard<std::mutex> lock(resolution_->lock);
        addresses_ = std::move(resolution_->addresses);
        error = resolution_->error;
    }
    resolution_.reset();
    nextAddress_ = 0;
    if (error != 0 || addresses_.empty()) {
        lose("cannot find " + endpoint_.host + ": " + errorText(error != 0 ? error : WSANO_DATA));
        return;
    }
    if (!tryNextAddress()) {
        lose("cannot connect to " + endpoint_.host + " port " + std::to_string(endpoint_.port) +
             ": " + lastError_);
    }
}

bool WinsockLink::tryNextAddress() {
    closeSocket();
    while (nextAddress_ < addresses_.size()) {
        const Address& address = addresses_[nextAddress_++];
        socket_ = ::socket(address.address.ss_family, SOCK_STREAM, IPPROTO_TCP);
        if (socket_ == INVALID_SOCKET) {
            lastError_ = errorText(WSAGetLastError());
            continue;
        }
        // Makes the socket non-blocking; its events come to the window.
        if (WSAAsyncSelect(socket_, window_, kSocketMessage, kSocketEvents) != 0) {
            lastError_ = errorText(WSAGetLastError());
            closeSocket();
            continue;
        }
        if (::connect(socket_, reinterpret_cast<const sockaddr*>(&address.address),
                      address.length) == 0 ||
            WSAGetLastError() == WSAEWOULDBLOCK) {
            return true;  // FD_CONNECT tells how it went
        }
        lastError_ = errorText(WSAGetLastError());
        closeSocket();
    }
    return false;
}

void WinsockLink::onSocketEvent(SOCKET socket, int event, int error) {
    // An event of a socket closed meanwhile was already on its way.
    if (socket != socket_ || socket_ == INVALID_SOCKET) {
        return;
    }
    switch (event) {
        case FD_CONNECT:
            onConnect(error);
            return;
        case FD_READ:
            // While a portion waits for its turn, the socket's news changes nothing.
            if (!readPaced_) {
                readPortion();
            }
            return;
        case FD_WRITE:
            flush();
            return;
        case FD_CLOSE:
            // What the server sent before it closed is still read, portion by portion.
            closing_ = true;
            closeError_ = error;
            if (!readPaced_) {
                readPortion();
            }
            return;
        default:
            return;
    }
}

void WinsockLink::onConnect(int error) {
    if (error != 0) {
        lastError_ = errorText(error);
        if (!tryNextAddress()) {
            lose("cannot connect to " + endpoint_.host + " port " + std::to_string(endpoint_.port) +
                 ": " + lastError_);
        }
        return;
    }
    connected_ = true;
    addresses_.clear();
    if (endpoint_.tls) {
        // The stream is up once the handshake is done: connected() comes then.
        const std::uint64_t shaking = generation_;
        if (listener_.handshaking) {
            listener_.handshaking();
        }
        if (!current(shaking) || socket_ == INVALID_SOCKET) {
            return;
        }
        tls_ = std::make_unique<SchannelTls>(endpoint_.host, endpoint_.caFile);
        std::string hello = tls_->start();
        if (hello.empty()) {
            lose("TLS: " + tls_->startError());
            return;
        }
        outgoing_.insert(0, hello);
        flush();
        return;
    }
    const std::uint64_t generation = generation_;
    if (listener_.connected) {
        listener_.connected();
    }
    if (current(generation)) {
        flush();
    }
}

void WinsockLink::take(std::string_view bytes) {
    if (!tls_) {
        if (listener_.received) {
            listener_.received(bytes);
        }
        return;
    }
    takeTlsStep(tls_->received(bytes));
}

bool WinsockLink::takeTlsStep(SchannelTls::Step step) {
    const std::uint64_t generation = generation_;
    if (!step.toSend.empty()) {
        outgoing_ += step.toSend;
        flush();
    }
    if (step.established && current(generation) && tls_) {
        if (!plainWaiting_.empty()) {
            outgoing_ += tls_->encrypt(std::exchange(plainWaiting_, {}));
        }
        if (listener_.connected) {
            listener_.connected();
        }
        if (current(generation)) {
            flush();
        }
    }
    if (!step.plain.empty() && current(generation) && listener_.received) {
        listener_.received(step.plain);
    }
    if (!step.failed || !current(generation)) {
        return current(generation) && socket_ != INVALID_SOCKET;
    }
    if (step.untrusted) {
        drop();
        if (listener_.untrusted) {
            listener_.untrusted(step.error);
        }
        return false;
    }
    lose(step.error.empty() ? std::string(kServerClosed) : "TLS: " + step.error);
    return false;
}

void WinsockLink::readPortion() {
    const std::uint64_t generation = generation_;
    std::array<char, kReadChunk> buffer{};
    std::size_t taken = 0;
    while (current(generation) && socket_ != INVALID_SOCKET) {
        if (taken >= kReadPortion) {
            readLater();
            return;
        }
        const int got = ::recv(socket_, buffer.data(), static_cast<int>(buffer.size()), 0);
        if (got > 0) {
            taken += static_cast<std::size_t>(got);
            take(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
            continue;
        }
        if (got == 0) {
            lose(kServerClosed);
            return;
        }
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK) {
            lose(errorText(error));
        } else if (closing_) {
            lose(closeError_ != 0 ? errorText(closeError_) : kServerClosed);
        }
        return;
    }
}

void WinsockLink::readLater() {
    readPaced_ = SetTimer(window_, kReadTimer, kReadPaceMs, nullptr) != 0;
    if (!readPaced_) {
        // No timer to wait for: the socket's next news reads on.
        PostMessageW(window_, kSocketMessage, static_cast<WPARAM>(socket_),
                     WSAMAKESELECTREPLY(closing_ ? FD_CLOSE : FD_READ, closeError_));
    }
}

void WinsockLink::write(std::string_view bytes) {
    if (socket_ == INVALID_SOCKET && !resolution_) {
        return;  // no stream: nothing would carry them
    }
    if (!endpoint_.tls) {
        outgoing_.append(bytes);
    } else if (tls_ && tls_->established()) {
        outgoing_ += tls_->encrypt(bytes);
    } else {
        plainWaiting_.append(bytes);
        return;
    }
    flush();
}

void WinsockLink::flush() {
    while (connected_ && socket_ != INVALID_SOCKET && !outgoing_.empty()) {
        const int sent = ::send(socket_, outgoing_.data(), static_cast<int>(outgoing_.size()), 0);
        if (sent > 0) {
            outgoing_.erase(0, static_cast<std::size_t>(sent));
            continue;
        }
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK) {
            // Reported from the loop: this may run inside write(), in the middle of the
            // listener's own work.
            closeSocket();
            failLater(errorText(error));
        }
        return;  // FD_WRITE comes when the socket takes more
    }
}

void WinsockLink::close() {
    if (connected_ && socket_ != INVALID_SOCKET) {
        if (tls_ && tls_->established()) {
            outgoing_ += tls_->shutdown();
        }
        // What waits goes as far as the socket takes it now (a QUIT, usually), without a report
        // of any failure, then the stream ends in order.
        while (!outgoing_.empty()) {
            const int sent =
                ::send(socket_, outgoing_.data(), static_cast<int>(outgoing_.size()), 0);
            if (sent <= 0) {
                break;
            }
            outgoing_.erase(0, static_cast<std::size_t>(sent));
        }
        shutdown(socket_, SD_SEND);
    }
    drop();
}

void WinsockLink::failLater(std::string reason) {
    failure_ = std::move(reason);
    PostMessageW(window_, kFailedMessage, static_cast<WPARAM>(generation_), 0);
}

void WinsockLink::onFailedLater(std::uint64_t generation) {
    if (!current(generation) || failure_.empty()) {
        return;
    }
    lose(std::exchange(failure_, {}));
}

void WinsockLink::lose(const std::string& reason) {
    drop();
    if (listener_.closed) {
        listener_.closed(reason);
    }
}

void WinsockLink::closeSocket() {
    if (socket_ != INVALID_SOCKET) {
        closesocket(socket_);
        socket_ = INVALID_SOCKET;
    }
    connected_ = false;
}

void WinsockLink::drop() {
    closeSocket();
    if (readPaced_) {
        KillTimer(window_, kReadTimer);
        readPaced_ = false;
    }
    closing_ = false;
    closeError_ = 0;
    ++generation_;
    resolution_.reset();
    addresses_.clear();
    nextAddress_ = 0;
    outgoing_.clear();
    tls_.reset();
    plainWaiting_.clear();
    failure_.clear();
}

}  // namespace ruz::irc
