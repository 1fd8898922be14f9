#pragma once

#include <QString>

#include <functional>

namespace ruz {

enum class PlayState { Stopped, Paused, Playing };

// The media engine behind `MediaPlayer1`: exactly the members the player uses.
// Every call runs on the user-interface thread; the play-state notification is raised there too.
class MediaEngine {
  public:
    using PlayStateChanged = std::function<void(PlayState oldState, PlayState newState)>;

    virtual ~MediaEngine() = default;

    // Loads the file at `path` and starts playing it from the beginning. A file that is missing or
    // is not MPEG audio (nor an M3U naming some) is refused: the engine stays as it was.
    virtual bool open(const QString& path) = 0;
    // Plays from the current position (after a pause, goes on where it stopped).
    virtual bool play() = 0;
    virtual bool pause() = 0;
    virtual bool stop() = 0;

    // Seconds. A position below 0 is taken as 0, one past the end as the end.
    virtual double currentPosition() const = 0;
    virtual bool setCurrentPosition(double seconds) = 0;
    virtual double duration() const = 0;

    // Hundredths of a decibel, -10000 (silence) to 0 (full); anything else is refused.
    virtual int volume() const = 0;
    virtual bool setVolume(int hundredthsOfDb) = 0;

    virtual bool mute() const = 0;
    virtual void setMute(bool on) = 0;

    virtual PlayState playState() const = 0;
    // The last file the engine accepted, "" before any.
    virtual QString fileName() const = 0;

    virtual void setPlayStateChanged(PlayStateChanged callback) = 0;
};

}  // namespace ruz
