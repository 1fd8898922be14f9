#pragma once

#include "platform/controls.h"
#include "platform/media/media_engine.h"
#include "player/playlist.h"

#include <functional>

namespace ruz {

// The transport over the media engine: moving through the playlist, seeking, pausing, mute,
// volume, the position refresh and the song-end check.
class Transport {
  public:
    struct Controls {
        Picture& Image1;  // Back
        Picture& Image2;  // Rewind
        Picture& Image3;  // Pause
        Picture& Image4;  // Skip
        Picture& Image5;  // Forward
        Picture& Image6;  // Mute
        Picture& Image7;  // Play
        Slider& Slider1;  // Volume
        Slider& Slider2;  // Position
        Timer& Timer1;    // Position refresh
    };
    // `ended` tells whether the program has ended: the engine's reports are ignored from then on.
    Transport(Controls controls, MediaEngine& engine, Playlist& playlist,
              std::function<bool()> ended);
    ~Transport();
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    void OpenSelectedSong();
    // Selects entry `index` and opens it.
    void PlayEntry(int index);
    void NextSong();
    void PreviousSong();
    void SeekBy(double seconds);
    // Seeks to `seconds`; the position slider follows when it is a whole number in range.
    void SeekTo(double seconds);
    // Seeks by `seconds` and moves the position slider by as much.
    void NudgeBy(int seconds);
    void PauseSong();
    void ResumeSong();
    void Stop();
    void ToggleMute();
    bool muted() const;
    // Sets the engine's volume and moves the volume slider to it.
    void SetVolume(int hundredthsOfDb);
    // The song's length in whole seconds, as the position slider's maximum.
    int lengthSeconds() const { return c_.Slider2.max(); }
    void RefreshPosition();
    void SongEndCheck();

  private:
    Controls c_;
    MediaEngine& engine_;
    Playlist& playlist_;
    std::function<bool()> ended_;
    // Set when the engine accepts a song; the song-end check reads it.
    bool lastOpenAccepted_ = false;
};

}  // namespace ruz
