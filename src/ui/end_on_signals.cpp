#include "ui/end_on_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

namespace ruz::ui {

namespace {

constexpr std::array kEndingSignals = {SIGTERM, SIGINT, SIGHUP};

// The pipe's end that the handler writes to: a signal handler can reach nothing else. -1 while
// no EndOnSignals lives.
volatile std::sig_atomic_t signalPipe = -1;

extern "C" void onEndingSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (signalPipe >= 0) {
        // A full pipe already holds a wake-up: nothing is lost when this write fails.
        [[maybe_unused]] const ssize_t written = ::write(signalPipe, &byte, 1);
    }
    errno = saved;
}

}  // namespace

EndOnSignals::EndOnSignals(std::function<void()> end) : end_(std::move(end)) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipe_[0] = pipe_[1] = -1;
        return;
    }
    signalPipe = pipe_[1];
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { received(); });
    struct sigaction action {};
    action.sa_handler = onEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kEndingSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

EndOnSignals::~EndOnSignals() {
    for (const int signal : kEndingSignals) {
        std::signal(signal, SIG_DFL);
    }
    signalPipe = -1;
    notifier_.reset();
    for (const int end : pipe_) {
        if (end >= 0) {
            ::close(end);
        }
    }
}

void EndOnSignals::received() {
    std::array<char, 64> drained{};
    while (::read(pipe_[0], drained.data(), drained.size()) > 0) {
    }
    if (end_) {
        end_();
    }
}

}  // namespace ruz::ui
