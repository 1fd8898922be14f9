#pragma once

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace ruz {

// A handle on one listener: the listener is heard until the handle is reset or goes. The list it
// was added to may go first; the handle then does nothing.
class Subscription {
  public:
    Subscription() = default;
    explicit Subscription(std::function<void()> remove) : remove_(std::move(remove)) {}
    ~Subscription() { reset(); }
    Subscription(Subscription&& other) noexcept : remove_(std::exchange(other.remove_, {})) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            remove_ = std::exchange(other.remove_, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    void reset() {
        if (remove_) {
            std::exchange(remove_, {})();
        }
    }

  private:
    std::function<void()> remove_;
};

// Any number of listeners, heard in the order they were added. A listener may add or remove
// listeners, or end the list's owner, while it is heard: one removed before its turn is skipped.
template <typename... Args>
class Listeners {
  public:
    using Listener = std::function<void(Args...)>;

    [[nodiscard]] Subscription add(Listener listener) {
        const std::uint64_t id = ++state_->lastId;
        state_->entries.push_back({id, std::make_shared<Listener>(std::move(listener))});
        return Subscription([weak = std::weak_ptr<State>(state_), id] {
            if (const auto state = weak.lock()) {
                std::erase_if(state->entries, [id](const Entry& e) { return e.id == id; });
            }
        });
    }

    void notify(Args... args) const {
        const std::shared_ptr<State> state = state_;  // the list may go while it is heard
        const std::vector<Entry> entries = state->entries;
        for (const Entry& entry : entries) {
            if (state->holds(entry.id)) {
                (*entry.listener)(args...);
            }
        }
    }

  private:
    struct Entry {
        std::uint64_t id;
        std::shared_ptr<Listener> listener;
    };
    struct State {
        std::vector<Entry> entries;
        std::uint64_t lastId = 0;
        bool holds(std::uint64_t id) const {
            return std::any_of(entries.begin(), entries.end(),
                               [id](const Entry& e) { return e.id == id; });
        }
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

// A control's one behaviour reaction for one event. It is set once when the program is wired; a
// second assignment over a set reaction is a wiring fault (checked in debug builds). Whoever must
// run something before or after it takes it out first and wraps it.
template <typename Signature>
class Reaction;

template <typename R, typename... Args>
class Reaction<R(Args...)> {
  public:
    Reaction() = default;
    Reaction(const Reaction&) = delete;
    Reaction& operator=(const Reaction&) = delete;

    template <typename F>
    Reaction& operator=(F&& reaction) {
        std::function<R(Args...)> next(std::forward<F>(reaction));
        assert((!fn_ || !next) && "a reaction is set once; take() it to wrap it");
        fn_ = std::move(next);
        return *this;
    }
    // Empties the reaction and hands back what it held.
    std::function<R(Args...)> take() { return std::exchange(fn_, {}); }

    explicit operator bool() const { return static_cast<bool>(fn_); }
    R operator()(Args... args) const { return fn_(std::forward<Args>(args)...); }

  private:
    std::function<R(Args...)> fn_;
};

}  // namespace ruz
