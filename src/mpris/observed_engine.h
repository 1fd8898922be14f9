#pragma once

#include "platform/media/media_engine.h"

#include <functional>
#include <memory>

namespace ruz::mpris {

// A media engine that tells one observer of every call that may have changed what it reports
// (state, song, volume, mute) and of every move of the position within a song. It forwards each
// call unchanged to the engine it wraps; the play-state notification reaches the player first and
// the observer after it.
class ObservedEngine final : public MediaEngine {
  public:
    explicit ObservedEngine(std::unique_ptr<MediaEngine> engine);
    ~ObservedEngine() override;
    ObservedEngine(const ObservedEngine&) = delete;
    ObservedEngine& operator=(const ObservedEngine&) = delete;

    // Runs after every call that may have changed the engine's state.
    std::function<void()> onChange;
    // Runs after the position was moved within the song, with the new position in seconds.
    std::function<void(double seconds)> onSeek;

    bool open(const QString& path) override;
    bool play() override;
    bool pause() override;
    bool stop() override;
    double currentPosition() const override { return engine_->currentPosition(); }
    bool setCurrentPosition(double seconds) override;
    double duration() const override { return engine_->duration(); }
    int volume() const override { return engine_->volume(); }
    bool setVolume(int hundredthsOfDb) override;
    bool mute() const override { return engine_->mute(); }
    void setMute(bool on) override;
    PlayState playState() const override { return engine_->playState(); }
    QString fileName() const override { return engine_->fileName(); }
    void setPlayStateChanged(PlayStateChanged callback) override;

  private:
    bool changed(bool result) const;

    std::unique_ptr<MediaEngine> engine_;
    PlayStateChanged player_;
};

}  // namespace ruz::mpris
