#include "platform/scripted_engine.h"

#include <algorithm>
#include <cmath>

namespace ruz {

void ScriptedEngine::changeState(PlayState state) {
    const PlayState old = state_;
    state_ = state;
    notifyPlayState(old, state);
}

bool ScriptedEngine::open(std::u16string_view path) {
    if (recording_) {
        opened_.emplace_back(path);
    }
    const auto song = songs_.find(path);
    if (song == songs_.end()) {
        return false;
    }
    fileName_ = path;
    duration_ = song->second;
    position_ = 0;
    changeState(PlayState::Playing);
    return true;
}

bool ScriptedEngine::play() {
    if (fileName_.empty()) {
        return false;
    }
    if (state_ != PlayState::Playing) {
        changeState(PlayState::Playing);
    }
    return true;
}

bool ScriptedEngine::pause() {
    if (state_ != PlayState::Playing) {
        return false;
    }
    changeState(PlayState::Paused);
    return true;
}

bool ScriptedEngine::stop() {
    position_ = 0;
    if (state_ != PlayState::Stopped) {
        changeState(PlayState::Stopped);
    }
    return true;
}

bool ScriptedEngine::moveTo(double seconds) {
    if (fileName_.empty() || std::isnan(seconds)) {
        return false;
    }
    position_ = std::clamp(seconds, 0.0, duration_);
    return true;
}

bool ScriptedEngine::setVolume(int hundredthsOfDb) {
    if (hundredthsOfDb < -10000 || hundredthsOfDb > 0) {
        return false;
    }
    volume_ = hundredthsOfDb;
    return true;
}

void ScriptedEngine::finishSong() {
    position_ = duration_;
    changeState(PlayState::Stopped);
}

}  // namespace ruz
