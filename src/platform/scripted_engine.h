#pragma once

#include "platform/media/media_engine.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ruz {

// A media engine whose songs are declared by the test: a path with a length plays, anything else
// is refused. Time does not pass by itself: the test moves the position or ends the song.
class ScriptedEngine final : public MediaEngine {
  public:
    void addSong(std::u16string_view path, double seconds) {
        songs_[std::u16string(path)] = seconds;
    }
    void forgetSongs() { songs_.clear(); }
    // Every open is recorded unless this is switched off (a long run such as a fuzz target).
    void setRecording(bool on) { recording_ = on; }
    // The song plays to its end: the position becomes the length and the state changes.
    void finishSong();
    // The engine finds something wrong that the user should hear of (no sound device).
    void reportProblem(const std::string& utf8) { notifyProblem(utf8); }
    // The song has played up to `seconds`: the position moves as playing moves it, no seek.
    void playTo(double seconds) { moveTo(seconds); }
    // Every path the engine was asked to open, accepted or not.
    const std::vector<std::u16string>& opened() const { return opened_; }

    bool open(std::u16string_view path) override;
    bool play() override;
    bool pause() override;
    bool stop() override;
    double currentPosition() const override { return position_; }
    double duration() const override { return duration_; }
    int volume() const override { return volume_; }
    bool setVolume(int hundredthsOfDb) override;
    bool mute() const override { return mute_; }
    void setMute(bool on) override { mute_ = on; }
    PlayState playState() const override { return state_; }
    std::u16string fileName() const override { return fileName_; }

  private:
    bool moveTo(double seconds) override;
    void changeState(PlayState state);

    std::map<std::u16string, double, std::less<>> songs_;
    std::vector<std::u16string> opened_;
    std::u16string fileName_;
    double position_ = 0;
    double duration_ = 0;
    int volume_ = 0;
    bool mute_ = false;
    PlayState state_ = PlayState::Stopped;
    bool recording_ = true;
};

}  // namespace ruz
