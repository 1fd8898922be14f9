#include "irc/send_queue.h"

#include <utility>

namespace ruz::irc {

namespace {
constexpr std::string_view kPong = "PONG ";
constexpr std::string_view kLineEnd = "\r\n";
}  // namespace

SendQueue::SendQueue(TimerHost& timers, SendPolicy policy,
                     std::function<void(std::string_view)> write)
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
        last_.reset();
        lastSent_ = false;
    }
    open_ = open;
    chatOpen_ = open && chat;
    pump();
}

void SendQueue::pushProtocol(std::string line) {
    if (!open_) {
        return;
    }
    protocol_.push_back(std::move(line));
    pump();
}

void SendQueue::pushPong(std::string line) {
    if (!open_) {
        return;
    }
    if (pongWaiting_) {
        for (std::string& waiting : protocol_) {
            if (waiting.starts_with(kPong)) {
                waiting = std::move(line);
                return;
            }
        }
    }
    pongWaiting_ = true;
    pushProtocol(std::move(line));
}

bool SendQueue::pushChat(std::string line) {
    if (chat_.size() >= kMaxChatLines) {
        return false;
    }
    chat_.push_back(std::move(line));
    pump();
    return true;
}

void SendQueue::pushLast(std::string line) {
    if (!open_ || lastSent_) {
        return;
    }
    last_ = std::move(line);
    pump();
}

void SendQueue::pump() {
    while (tokens_ > 0 && open_ && !lastSent_) {
        std::string line;
        const bool chatWaits = chatOpen_ && !chat_.empty();
        // A PONG goes ahead of the chat lines, but not twice in a row while one waits: a server
        // that pings without end still leaves the room every other line.
        const bool pongYields =
            lastWasPong_ && chatWaits && !protocol_.empty() && protocol_.front().starts_with(kPong);
        if (!protocol_.empty() && !pongYields) {
            line = std::move(protocol_.front());
            protocol_.pop_front();
            lastWasPong_ = line.starts_with(kPong);
            if (lastWasPong_) {
                pongWaiting_ = false;
            }
        } else if (chatWaits) {
            line = std::move(chat_.front());
            chat_.pop_front();
            lastWasPong_ = false;
        } else if (last_ && (chat_.empty() || !chatOpen_)) {
            line = std::move(*last_);
            last_.reset();
            lastSent_ = true;
        } else {
            break;
        }
        --tokens_;
        line += kLineEnd;
        write_(line);
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
