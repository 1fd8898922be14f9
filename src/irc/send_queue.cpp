#include "irc/send_queue.h"

#include <utility>

namespace ruz::irc {

namespace {
const QByteArray kPong = QByteArrayLiteral("PONG ");
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
}  // namespace

SendQueue::SendQueue(TimerHost& timers, SendPolicy policy,
                     std::function<void(const QByteArray&)> write)
    : timers_(timers),
      policy_(policy),
      write_(std::move(write)),
      timer_(timers_.createTimer([this] { tick(); })),
      tokens_(policy.burst) {}

SendQueue::~SendQueue() {
    timers_.destroyTimer(timer_);
}

void SendQueue::setOpen(bool open, bool chat) {
    if (open && !open_) {
        tokens_ = policy_.burst;
    }
    if (!open) {
        protocol_.clear();
        pongWaiting_ = false;
        lastWasPong_ = false;
    }
    open_ = open;
    chatOpen_ = open && chat;
    pump();
}

void SendQueue::pushProtocol(const QByteArray& line) {
    if (!open_) {
        return;
    }
    protocol_.push_back(line);
    pump();
}

void SendQueue::pushPong(const QByteArray& line) {
    if (!open_) {
        return;
    }
    if (pongWaiting_) {
        for (QByteArray& waiting : protocol_) {
            if (waiting.startsWith(kPong)) {
                waiting = line;
                return;
            }
        }
    }
    pongWaiting_ = true;
    pushProtocol(line);
}

bool SendQueue::pushChat(const QByteArray& line) {
    if (chat_.size() >= kMaxChatLines) {
        return false;
    }
    chat_.push_back(line);
    pump();
    return true;
}

void SendQueue::pump() {
    while (tokens_ > 0 && open_) {
        QByteArray line;
        const bool chatWaits = chatOpen_ && !chat_.empty();
        // A PONG goes ahead of the chat lines, but not twice in a row while one waits: a server
        // that pings without end still leaves the room every other line.
        const bool pongYields =
            lastWasPong_ && chatWaits && !protocol_.empty() && protocol_.front().startsWith(kPong);
        if (!protocol_.empty() && !pongYields) {
            line = std::move(protocol_.front());
            protocol_.pop_front();
            lastWasPong_ = line.startsWith(kPong);
            if (lastWasPong_) {
                pongWaiting_ = false;
            }
        } else if (chatWaits) {
            line = std::move(chat_.front());
            chat_.pop_front();
            lastWasPong_ = false;
        } else {
            break;
        }
        --tokens_;
        write_(line + kLineEnd);
    }
    if (tokens_ < policy_.burst && !timerRunning_) {
        timers_.startTimer(timer_, policy_.intervalMs);
        timerRunning_ = true;
    }
}

void SendQueue::tick() {
    ++tokens_;
    if (tokens_ >= policy_.burst) {
        tokens_ = policy_.burst;
        timers_.stopTimer(timer_);
        timerRunning_ = false;
    }
    pump();
}

}  // namespace ruz::irc
