#pragma once

// What the tests against a real IRC server on 127.0.0.1 share (scripts/wine-irc-check.sh starts
// it; RUZ_IRC_PORT names its port): the thread's message loop run until a condition holds, and
// another member of the room, a bare IRC client on a Winsock link of its own.

#include "irc/message.h"
#include "irc/winsock_link.h"

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruz::irc {

// Bounds of the waits, never asserted on: a wait that runs out fails its check.
inline constexpr int kJoinMs = 8000;
inline constexpr int kLineMs = 8000;
inline constexpr int kPumpSliceMs = 20;
inline const std::string kChannel = "#ruz";

// Runs the thread's messages until `done` or `timeoutMs` of wall-clock time, calling `tick` (when
// given) with the milliseconds gone since its last call before each slice; true when `done`.
inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs,
                      const std::function<void(std::int64_t)>& tick = {}) {
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG end = start + static_cast<ULONGLONG>(timeoutMs);
    ULONGLONG advanced = start;
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return false;
        }
        if (tick) {
            tick(static_cast<std::int64_t>(now - advanced));
            advanced = now;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kPumpSliceMs, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

inline std::uint16_t serverPort() {
    const char* port = std::getenv("RUZ_IRC_PORT");
    return port != nullptr ? static_cast<std::uint16_t>(std::atoi(port)) : 0;
}

// Another member of the room: a bare IRC client on its own link.
class Member {
  public:
    explicit Member(std::string nick) : nick_(std::move(nick)) {
        link_.setListener({[this] {
                               link_.write("NICK " + nick_ + "\r\nUSER " + nick_ +
                                           " 0 * :" + nick_ + "\r\n");
                           },
                           [this](std::string_view bytes) { read(bytes); },
                           [this](const std::string&) { joined_ = false; },
                           {},
                           {}});
    }
    bool join(int timeoutMs) {
        joined_ = false;
        pending_.clear();
        link_.open({"127.0.0.1", serverPort(), false, {}});
        return pumpUntil([this] { return joined_; }, timeoutMs);
    }
    // Joins again until the server answers, as after a restart.
    bool rejoin(int timeoutMs) {
        const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
        while (GetTickCount64() < end) {
            if (join(kJoinMs / 4)) {
                return true;
            }
        }
        return false;
    }
    void say(const std::string& text) { link_.write("PRIVMSG " + kChannel + " :" + text + "\r\n"); }
    std::vector<std::string> textsFrom(const std::string& nick) const {
        std::vector<std::string> out;
        for (const Message& m : lines_) {
            if (m.command == "PRIVMSG" && m.nick == nick) {
                out.push_back(m.param(1));
            }
        }
        return out;
    }
    bool sawJoinOf(const std::string& nick) const { return saw("JOIN", nick); }
    bool sawQuitOf(const std::string& nick) const { return saw("QUIT", nick); }

  private:
    bool saw(const std::string& command, const std::string& nick) const {
        for (const Message& m : lines_) {
            if (m.command == command && m.nick == nick) {
                return true;
            }
        }
        return false;
    }
    void read(std::string_view bytes) {
        pending_.append(bytes);
        for (std::size_t end = pending_.find("\r\n"); end != std::string::npos;
             end = pending_.find("\r\n")) {
            const std::optional<Message> m = parseLine(std::string_view(pending_).substr(0, end));
            pending_.erase(0, end + 2);
            if (!m) {
                continue;
            }
            if (m->command == "PING") {
                link_.write("PONG :" + m->param(0) + "\r\n");
            } else if (m->command == "001") {
                link_.write("JOIN " + kChannel + "\r\n");
            } else if (m->command == "JOIN" && m->nick == nick_) {
                joined_ = true;
            }
            lines_.push_back(*m);
        }
    }

    std::string nick_;
    WinsockLink link_;
    std::string pending_;
    std::vector<Message> lines_;
    bool joined_ = false;
};

}  // namespace ruz::irc
