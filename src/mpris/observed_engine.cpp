#include "mpris/observed_engine.h"

#include <utility>

namespace ruz::mpris {

ObservedEngine::ObservedEngine(std::unique_ptr<MediaEngine> engine) : engine_(std::move(engine)) {
    engine_->setPlayStateChanged([this](PlayState oldState, PlayState newState) {
        if (player_) {
            const PlayStateChanged player = player_;  // the player may replace its callback
            player(oldState, newState);
        }
        changed(true);
    });
}

ObservedEngine::~ObservedEngine() {
    engine_->setPlayStateChanged(nullptr);
}

bool ObservedEngine::changed(bool result) const {
    if (onChange) {
        onChange();
    }
    return result;
}

bool ObservedEngine::open(const QString& path) {
    return changed(engine_->open(path));
}

bool ObservedEngine::play() {
    return changed(engine_->play());
}

bool ObservedEngine::pause() {
    return changed(engine_->pause());
}

bool ObservedEngine::stop() {
    return changed(engine_->stop());
}

bool ObservedEngine::setCurrentPosition(double seconds) {
    // A move to or past the end ends the song: that is a change of state, not a seek.
    const bool withinSong = seconds < engine_->duration();
    const bool accepted = engine_->setCurrentPosition(seconds);
    if (accepted && withinSong && onSeek) {
        onSeek(engine_->currentPosition());
    }
    return changed(accepted);
}

bool ObservedEngine::setVolume(int hundredthsOfDb) {
    return changed(engine_->setVolume(hundredthsOfDb));
}

void ObservedEngine::setMute(bool on) {
    engine_->setMute(on);
    changed(true);
}

void ObservedEngine::setPlayStateChanged(PlayStateChanged callback) {
    player_ = std::move(callback);
}

}  // namespace ruz::mpris
