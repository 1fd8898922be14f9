#pragma once

#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace ruz::ui {

// Turns the signals that ask a program to end (SIGTERM, SIGINT, SIGHUP: a session that logs out,
// `kill`, Ctrl+C) into one call of `end` on the event loop, so that the program ends as from its
// menu: its settings kept, the chat network left. One at a time in a process; the signals take
// their default action again once it is gone.
class EndOnSignals {
  public:
    explicit EndOnSignals(std::function<void()> end);
    ~EndOnSignals();
    EndOnSignals(const EndOnSignals&) = delete;
    EndOnSignals& operator=(const EndOnSignals&) = delete;

    // Whether the signals are caught (false when the system gave no pipe for them).
    bool catching() const { return notifier_ != nullptr; }

  private:
    void received();

    std::function<void()> end_;
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace ruz::ui
