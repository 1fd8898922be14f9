#pragma once

#include "platform/listeners.h"

#include <functional>
#include <string>
#include <string_view>

namespace ruz {

enum class PlayState { Stopped, Paused, Playing };

// The media engine behind `MediaPlayer1`: exactly the members the player uses.
// Every call runs on the user-interface thread; the notifications are raised there too. Any number
// of observers hear them, in the order they began to listen, until their handle goes.
class MediaEngine {
  public:
    using PlayStateChanged = std::function<void(PlayState oldState, PlayState newState)>;

    virtual ~MediaEngine() = default;

    // Loads the file at `path` and starts playing it from the beginning. A file that is missing or
    // is not MPEG audio (nor an M3U naming some) is refused: the engine stays as it was.
    virtual bool open(std::u16string_view path) = 0;
    // Plays from the current position (after a pause, goes on where it stopped).
    virtual bool play() = 0;
    virtual bool pause() = 0;
    virtual bool stop() = 0;

    // Seconds. A position below 0 is taken as 0, one past the end as the end.
    virtual double currentPosition() const = 0;
    // A move within the song is told to the seek observers with the new position; a move to or
    // past the end ends the song, which is a change of state, not a seek.
    bool setCurrentPosition(double seconds) {
        const bool withinSong = seconds < duration();
        const bool accepted = moveTo(seconds);
        if (accepted && withinSong) {
            seeks_.notify(currentPosition());
        }
        return accepted;
    }
    virtual double duration() const = 0;

    // Hundredths of a decibel, -10000 (silence) to 0 (full); anything else is refused.
    virtual int volume() const = 0;
    virtual bool setVolume(int hundredthsOfDb) = 0;

    virtual bool mute() const = 0;
    virtual void setMute(bool on) = 0;

    virtual PlayState playState() const = 0;
    // The last file the engine accepted, "" before any.
    virtual std::u16string fileName() const = 0;

    [[nodiscard]] Subscription observePlayState(PlayStateChanged observer) {
        return playStates_.add(std::move(observer));
    }
    [[nodiscard]] Subscription observeSeeks(std::function<void(double seconds)> observer) {
        return seeks_.add(std::move(observer));
    }
    // Something the user should hear of, in one line of UTF-8 (no sound device: the songs play
    // on silently), told once when it arises.
    [[nodiscard]] Subscription observeProblems(
        std::function<void(const std::string& utf8)> observer) {
        return problems_.add(std::move(observer));
    }

  protected:
    // The position moves: as `setCurrentPosition`, without telling anyone.
    virtual bool moveTo(double seconds) = 0;
    // Tells the observers of the state. Always an operation's last step: an observer may call
    // back into the engine.
    void notifyPlayState(PlayState oldState, PlayState newState) const {
        playStates_.notify(oldState, newState);
    }
    void notifyProblem(const std::string& utf8) const { problems_.notify(utf8); }

  private:
    Listeners<PlayState, PlayState> playStates_;
    Listeners<double> seeks_;
    Listeners<const std::string&> problems_;
};

}  // namespace ruz
