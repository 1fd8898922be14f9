#pragma once

#include "platform/timer_host.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace ruz::irc {

// How fast lines may leave: a burst of `burst` lines, then one every `intervalMs`, as the common
// clients send, so that no server's excess-flood rule ever disconnects the program.
struct SendPolicy {
    static constexpr int kBurst = 4;
    static constexpr int kIntervalMs = 2000;

    int burst = kBurst;
    int intervalMs = kIntervalMs;
};

// The lines waiting to leave (bytes, without CR LF), and the pace at which they leave. Chat lines
// (what the program and the user say) wait while the link is down and go out after the next
// registration, in order; protocol lines (registration, JOIN, PONG) jump ahead of them and are
// forgotten when the link goes down, but a PONG never leaves right after another while a chat line
// waits, so the chat keeps at least every other line of the pace. At most kMaxChatLines chat lines
// wait; a further one is refused.
class SendQueue {
  public:
    static constexpr std::size_t kMaxChatLines = 2000;

    // `write` receives each line with its CR LF.
    SendQueue(TimerHost& timers, SendPolicy policy, std::function<void(std::string_view)> write);
    ~SendQueue();
    SendQueue(const SendQueue&) = delete;
    SendQueue& operator=(const SendQueue&) = delete;

    // The link is up (protocol lines may leave) and, with `chat`, registered (chat lines too).
    // Going up starts a new burst.
    void setOpen(bool open, bool chat);
    // A protocol line, ahead of every chat line but behind earlier protocol lines.
    void pushProtocol(std::string line);
    // A PONG: replaces one that has not left yet, so a storm of PINGs queues one answer.
    void pushPong(std::string line);
    // False when the queue is full and the line was refused.
    bool pushChat(std::string line);
    // The last line: it leaves once no protocol or chat line waits, and nothing leaves after it.
    // Forgotten when the link goes down.
    void pushLast(std::string line);
    // A last line was pushed and has not left yet.
    bool lastWaiting() const { return last_.has_value(); }

    std::size_t protocolWaiting() const { return protocol_.size(); }
    // The chat lines that have not left yet, oldest first.
    const std::deque<std::string>& chatWaiting() const { return chat_; }
    // Forgets the chat lines that have not left yet and hands them over, oldest first.
    std::deque<std::string> takeChat() { return std::exchange(chat_, {}); }

  private:
    void pump();
    void tick();

    TimerHost& timers_;
    SendPolicy policy_;
    std::function<void(std::string_view)> write_;
    TimerHost::TimerId timer_;
    bool timerRunning_ = false;
    int tokens_;
    bool open_ = false;
    bool chatOpen_ = false;
    std::deque<std::string> protocol_;
    std::deque<std::string> chat_;
    std::optional<std::string> last_;
    bool lastSent_ = false;     // the last line left: nothing more does
    bool pongWaiting_ = false;  // the protocol queue holds a PONG
    bool lastWasPong_ = false;  // the line that left last was a PONG
};

}  // namespace ruz::irc
